// SPDX-License-Identifier: GPL-3.0-or-later
// emulator info: who answers at the port, and which bank the engine runs.

#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/commands/emulator_session.h"

namespace tarvik::tables {

namespace {

class EmulatorInfo final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator info"); }
    [[nodiscard]] QString Synopsis() const override { return QStringLiteral("--port PATH [--device NAME] [--baud N]"); }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral("The emulator's model, firmware and serial number, and the bank the\nengine runs.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override { return EmulatorOptions(false); }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (!run.arguments.isEmpty()) return UsageTrouble(run.console, QStringLiteral("emulator info takes no files."));
        EmulatorSession session(run);
        if (const auto refused = session.Prepare({}, false)) return *refused;
        if (const int connected = session.Connect(); connected != kSuccess) return connected;
        QString text = session.identity();
        if (session.kind().banks > 1) {
            int bank = 0;
            if (const devices::Fault failed = session.device().EmulatedBank(bank); failed.failed())
                return session.Fail(failed);
            text += QStringLiteral("\nThe engine runs bank %1.").arg(bank);
        }
        if (const devices::Fault failed = session.device().Finish(); failed.failed()) return session.Fail(failed);
        return Emit(run.console, Utf8(text + QLatin1Char('\n')), kSuccess);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeEmulatorInfoCommand() { return std::make_unique<EmulatorInfo>(); }

}  // namespace tarvik::tables
