// SPDX-License-Identifier: GPL-3.0-or-later
// emulator upload IMAGE: the image into a bank of the emulator, read back,
// and then run by the engine.

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/commands/emulator_session.h"

namespace tarvik::tables {

namespace {

class EmulatorUpload final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator upload"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --port PATH [--device NAME] [--bank N] [--no-verify] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "IMAGE into a bank the engine does not run, read back and compared\n"
            "(as verify reports), and only then run by the engine; --bank N writes\n"
            "into bank N, even the one the engine runs. Says which bank the engine\n"
            "runs at the end. Exit status 1: the read-back differs.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return EmulatorOptions(true) << QCommandLineOption(QStringLiteral("no-verify"),
                                                           QStringLiteral("Do not read the image back."));
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1)
            return UsageTrouble(run.console, QStringLiteral("emulator upload takes an image."));
        EmulatorSession session(run);
        if (const auto refused = session.Prepare({}, true)) return *refused;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        if (const int connected = session.Connect(devices::NothingWritten()); connected != kSuccess) return connected;
        const devices::DeviceKind& kind = session.kind();
        if (!kind.writesWhileRunning) {
            run.console.Err(Utf8(QStringLiteral("The %1 holds the control unit in reset while it is written: the "
                                                "engine stops until the upload ends.\n")
                                     .arg(kind.title)));
        } else if (session.bank()) {
            int running = -1;
            if (const devices::Fault failed = session.device().EmulatedBank(running); failed.failed())
                return session.Fail(failed, devices::NothingWritten());
            if (running == *session.bank()) {
                run.console.Err(
                    Utf8(QStringLiteral("Bank %1 is the bank the engine runs: writing under the running engine.\n")
                             .arg(running)));
            }
        }
        const devices::UploadOutcome outcome = devices::Upload(
            session.device(), kind, *image, {session.bank(), !run.parser.isSet(QStringLiteral("no-verify"))},
            session.ShowProgress(QStringLiteral("Writing")), session.ShowProgress(QStringLiteral("Reading back")));
        const QString state = devices::BankState(kind, outcome);
        switch (outcome.end) {
            case devices::UploadOutcome::End::Emulated:
                return Emit(run.console,
                            Utf8(QStringLiteral("%1 is in bank %2 of the emulator at %3.\n%4\n")
                                     .arg(Quoted(run.arguments[0]))
                                     .arg(outcome.bank)
                                     .arg(Quoted(session.port()), state)),
                            kSuccess);
            case devices::UploadOutcome::End::Differs: {
                // A line out of step after the read-back makes the read-back
                // itself doubtful: only the fault is said.
                if (outcome.fault.failed()) return session.Fail(outcome.fault, state);
                const std::string report = FormatCopyChecks(CheckCopies(*image, outcome.bytes), "the image", false);
                run.console.Err(Utf8(state) + '\n');
                return Emit(run.console, report, kDifferent);
            }
            case devices::UploadOutcome::End::Failed:
                break;
        }
        return session.Fail(outcome.fault, state);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeEmulatorUploadCommand() { return std::make_unique<EmulatorUpload>(); }

}  // namespace tarvik::tables
