// SPDX-License-Identifier: GPL-3.0-or-later
// verify IMAGE DUMP: whether a programmer's read-back holds the image in
// every copy, and if not, what went wrong in each.

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"

namespace tarvik::tables {

namespace {

class VerifyCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("verify"); }
    [[nodiscard]] QString Synopsis() const override { return QStringLiteral("IMAGE DUMP"); }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Compares each 4 KB copy of a chip's read-back DUMP (4 to 64 KB) with\n"
            "IMAGE: erased copies, cells and bytes that differ, bits not programmed\n"
            "or not erased, an image at a wrong start address.\n"
            "Exit status 0: every copy is IMAGE, 1: not, 2: trouble.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override { return {}; }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 2) {
            return UsageTrouble(run.console, QStringLiteral("verify takes an image and a chip's read-back."));
        }
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        const std::optional<QByteArray> dump = ReadDump(run, run.arguments[1]);
        if (!dump) return kTrouble;
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(dump->constData()),
                                                  static_cast<std::size_t>(dump->size()));
        const std::string report = FormatCopyChecks(CheckCopies(*image, bytes), "the image");
        if (!report.empty()) return Emit(run.console, report, kDifferent);
        const std::size_t copies = CopyCount(bytes);
        return Emit(
            run.console,
            Utf8(QStringLiteral("\"%1\" holds \"%2\" in %3.\n")
                     .arg(Shown(run.arguments[1]), Shown(run.arguments[0]),
                          copies == 1 ? QStringLiteral("its one copy") : QStringLiteral("all %1 copies").arg(copies))),
            kSuccess);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeVerifyCommand() { return std::make_unique<VerifyCommand>(); }

}  // namespace tarvik::tables
