// SPDX-License-Identifier: GPL-3.0-or-later
// dump IMAGE: the tables as the editor shows them after Open.

#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/formats/dump.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {

namespace {

class DumpCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("dump"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE [--format %1]").arg(FormatChoices(Formats()));
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral("The tables of IMAGE, as the editor shows them after Open.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {FormatOption(WrittenFormatsHelp(Formats()))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1) return UsageTrouble(run.console, QStringLiteral("dump takes one image."));
        const TableFormat* format = ChosenFormat(run, Formats(), QStringLiteral("dump writes"));
        if (format == nullptr) return kTrouble;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        return Emit(run.console, DumpTables(*image, *format), kSuccess);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeDumpCommand() { return std::make_unique<DumpCommand>(); }

}  // namespace tarvik::tables
