// SPDX-License-Identifier: GPL-3.0-or-later
// emulator download --output OUT: the image in a bank of the emulator, as
// extract takes one from a read-back.

#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/commands/emulator_session.h"

namespace tarvik::tables {

namespace {

class EmulatorDownload final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator download"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral(
            "--port PATH --output OUT [--device NAME] [--bank N] [--force] [--allow-blank] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "The image in the bank the engine runs (or bank N), as extract takes\n"
            "it from a read-back: when all slots agree; otherwise exit status 1,\n"
            "what differs, nothing written.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return EmulatorOptions(true) << OutputOption(
                                            QStringLiteral("The image to write; it must not exist, unless --force."))
                                     << ForceOption(QStringLiteral("Replace OUT.")) << AllowBlankOption();
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (!run.arguments.isEmpty() || !run.parser.isSet(QStringLiteral("output")))
            return UsageTrouble(run.console, QStringLiteral("emulator download takes --output OUT and no files."));
        EmulatorSession session(run);
        if (const auto refused = session.Prepare({devices::Need::ReadBack}, true)) return *refused;
        const QString out = run.parser.value(QStringLiteral("output"));
        const bool force = run.parser.isSet(QStringLiteral("force"));
        if (const auto refused = RefuseTakenOutput(run, out, {}, force)) return *refused;
        EmulatorSession::BankRead read;
        if (const int status = session.ConnectAndRead(read); status != kSuccess) return status;
        const ImageBytes first = CopyOf(read.bytes, 0);
        if (const std::string report = FormatCopyChecks(CheckCopies(first, read.bytes), "copy 0", false);
            !report.empty()) {
            run.console.Err(report + "Nothing written: the slots of the bank differ.\n");
            return kDifferent;
        }
        if (const auto blank = RefuseBlank(run, first, QStringLiteral("Bank %1 of the emulator").arg(read.bank)))
            return *blank;
        return WriteOutput(
            run, out, QByteArray(reinterpret_cast<const char*>(first.data()), static_cast<qsizetype>(first.size())),
            force);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeEmulatorDownloadCommand() { return std::make_unique<EmulatorDownload>(); }

}  // namespace tarvik::tables
