// SPDX-License-Identifier: GPL-3.0-or-later
// diff OLD NEW: each cell that differs, and the bytes outside the tables.

#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/formats/diff.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {

namespace {

class DiffCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("diff"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("OLD NEW [--format %1]").arg(FormatChoices(Formats()));
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Each cell that differs, and the bytes outside the tables that differ.\n"
            "Exit status 0: the same, 1: different, 2: trouble.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {FormatOption(WrittenFormatsHelp(Formats()))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 2) {
            return UsageTrouble(run.console, QStringLiteral("diff takes two images: the old one and the new one."));
        }
        const TableFormat* format = ChosenFormat(run, Formats(), QStringLiteral("diff writes"));
        if (format == nullptr) return kTrouble;
        const std::optional<ImageBytes> before = ReadImage(run, run.arguments[0]);
        if (!before) return kTrouble;
        const std::optional<ImageBytes> after = ReadImage(run, run.arguments[1]);
        if (!after) return kTrouble;
        const ImageDiff diff = DiffImages(*before, *after);
        return Emit(run.console, format->diff(diff), diff.Same() ? kSuccess : kDifferent);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeDiffCommand() { return std::make_unique<DiffCommand>(); }

}  // namespace tarvik::tables
