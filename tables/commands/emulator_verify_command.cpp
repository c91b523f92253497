// SPDX-License-Identifier: GPL-3.0-or-later
// emulator verify IMAGE: a bank of the emulator read back and compared with
// the image, slot by slot.

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/commands/emulator_session.h"

namespace tarvik::tables {

namespace {

class EmulatorVerify final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator verify"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --port PATH [--device NAME] [--bank N] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Reads back the bank the engine runs (or bank N) and compares each\n"
            "slot with IMAGE, as verify does. Reading disturbs a running engine.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override { return EmulatorOptions(true); }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1)
            return UsageTrouble(run.console, QStringLiteral("emulator verify takes an image."));
        EmulatorSession session(run);
        if (const auto refused = session.Prepare({devices::Need::ReadBack}, true)) return *refused;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        EmulatorSession::BankRead read;
        if (const int status = session.ConnectAndRead(read); status != kSuccess) return status;
        const QString which = read.bank == read.running
                                  ? QStringLiteral("the bank the engine runs")
                                  : QStringLiteral("not the bank the engine runs, which is bank %1").arg(read.running);
        const std::string report = FormatCopyChecks(CheckCopies(*image, read.bytes), "the image", false);
        if (!report.empty()) {
            return Emit(run.console, Utf8(QStringLiteral("Bank %1 (%2):\n").arg(read.bank).arg(which)) + report,
                        kDifferent);
        }
        return Emit(run.console,
                    Utf8(QStringLiteral("Bank %1 of the emulator (%2) holds %3 in all %4 slots.\n")
                             .arg(read.bank)
                             .arg(which, Quoted(run.arguments[0]))
                             .arg(session.kind().Slots())),
                    kSuccess);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeEmulatorVerifyCommand() { return std::make_unique<EmulatorVerify>(); }

}  // namespace tarvik::tables
