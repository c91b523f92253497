// SPDX-License-Identifier: GPL-3.0-or-later
// emulator watch IMAGE: the image uploaded, then every save over it written
// into the bank the engine runs, block by changed block.

#include <QElapsedTimer>
#include <QThread>
#include <QTime>
#include <utility>

#include "platform/image_file.h"
#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/commands/emulator_session.h"

namespace tarvik::tables {

namespace {

using devices::Fault;
using devices::UploadOutcome;

constexpr int kPollMilliseconds = 100;
constexpr int kReconnectMilliseconds = 500;
// A file being saved may be missing or half-written for a moment: it is
// said to be unusable only when it stays so for this many looks.
constexpr int kBadLooks = 3;
// A change of more cells than this is summed up after the first few.
constexpr std::size_t kCellsNamed = 6;

[[nodiscard]] std::string Stamp() { return QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")).toStdString(); }

// "fuel_map row 0 (6096 rpm) column 3: 405 -> 520, rev_limit: 195 -> 200"
[[nodiscard]] std::string ChangeText(const ImageBytes& before, const ImageBytes& after) {
    const ImageDiff diff = DiffImages(before, after);
    std::string text;
    for (std::size_t i = 0; i < diff.cells.size() && i < kCellsNamed; ++i) {
        const CellChange& change = diff.cells[i];
        if (!text.empty()) text += ", ";
        text += DescribeCell(change.family, change.index) + ": " + change.before + " -> " + change.after;
    }
    if (diff.cells.size() > kCellsNamed) {
        const std::size_t more = diff.cells.size() - kCellsNamed;
        text += ", and " + std::to_string(more) + (more == 1 ? " more cell" : " more cells");
    }
    if (diff.outsideBytes > 0) {
        if (!text.empty()) text += ", ";
        text += std::to_string(diff.outsideBytes) +
                (diff.outsideBytes == 1 ? " byte outside the tables" : " bytes outside the tables");
    }
    return text;
}

class Watcher {
public:
    Watcher(CommandRun& run, EmulatorSession& session, bool verify)
        : run_(run), session_(session), path_(run.arguments[0]), verify_(verify) {}

    [[nodiscard]] int Run(const ImageBytes& image) {
        const UploadOutcome first = Upload(image);
        if (first.end != UploadOutcome::End::Emulated) {
            if (first.fault.stopped()) return Ended({});
            return first.end == UploadOutcome::End::Differs && !first.fault.failed() ? kDifferent : kTrouble;
        }
        if (!Say(Utf8(QStringLiteral("Uploaded, verified and emulated in bank %1; watching %2. Ctrl+C ends.")
                          .arg(bank_)
                          .arg(Quoted(path_)))))
            return kTrouble;
        inEmulator_ = image;
        QElapsedTimer unheard;
        unheard.start();
        while (Wait(kPollMilliseconds)) {
            const std::optional<ImageBytes> now = Look();
            if (now && *now != inEmulator_) {
                if (!Write(*now)) return kTrouble;
            } else if (unheard.elapsed() >= devices::kListenWhenIdle.count()) {
                const Fault failed = devices::Listen(session_.device());
                if (failed.failed() && !failed.stopped() && !Gone(failed)) return kTrouble;
            } else {
                continue;
            }
            unheard.restart();
        }
        return Ended(
            QStringLiteral("The engine runs bank %1, holding %2 as last written.").arg(bank_).arg(Quoted(path_)));
    }

private:
    // Sleeps, looking at the stop; false once the user asked to stop.
    [[nodiscard]] bool Wait(int milliseconds) const {
        QElapsedTimer clock;
        clock.start();
        while (!session_.StopAsked()) {
            if (clock.elapsed() >= milliseconds) return true;
            QThread::msleep(20);
        }
        return false;
    }

    // A line on standard output; false when it cannot be written.
    [[nodiscard]] bool Say(const std::string& text) {
        if (const std::string lost = run_.console.Out(Stamp() + text + '\n'); !lost.empty()) {
            (void)Trouble(run_.console, CannotWriteResults(lost));
            return false;
        }
        return true;
    }

    [[nodiscard]] int Ended(const QString& state) {
        run_.console.Progress({});
        return Say("Stopped." + (state.isEmpty() ? std::string() : ' ' + Utf8(state))) ? kSuccess : kTrouble;
    }

    [[nodiscard]] UploadOutcome Upload(const ImageBytes& image) {
        UploadOutcome outcome = devices::Upload(session_.device(), session_.kind(), image, {session_.bank(), true},
                                                session_.ShowProgress(QStringLiteral("Writing")),
                                                session_.ShowProgress(QStringLiteral("Reading back")));
        const QString state = devices::BankState(session_.kind(), outcome);
        if (outcome.end == UploadOutcome::End::Emulated) {
            bank_ = outcome.bank;
        } else if (outcome.fault.stopped()) {
            (void)Say(Utf8(state));
        } else if (outcome.end == UploadOutcome::End::Differs && !outcome.fault.failed()) {
            (void)Say(FormatCopyChecks(CheckCopies(image, outcome.bytes), "the image", false) + Utf8(state));
        } else {
            (void)session_.Fail(outcome.fault, state);
        }
        return outcome;
    }

    // The file's image when it can be used; says once when it cannot, and
    // once when it can again.
    [[nodiscard]] std::optional<ImageBytes> Look() {
        const ImageFileRead read = ReadImageFile(run_.files, path_);
        if (read.fault != ImageFileFault::None) {
            if (++badLooks_ == kBadLooks) {
                const QString reason =
                    read.fault == ImageFileFault::WrongLength ? WrongLengthMessage() + QLatin1Char('.') : read.reason;
                (void)Say(Utf8(QStringLiteral("%1 cannot be used: %2 The emulator keeps what it holds.")
                                   .arg(Quoted(path_), reason)));
            }
            return std::nullopt;
        }
        if (badLooks_ >= kBadLooks) (void)Say(Utf8(QStringLiteral("%1 can be used again.").arg(Quoted(path_))));
        badLooks_ = 0;
        return read.image;
    }

    // The blocks that changed into the bank the engine runs, and a line;
    // false only when the line cannot be written.
    [[nodiscard]] bool Write(const ImageBytes& now) {
        QElapsedTimer clock;
        clock.start();
        const std::vector<devices::ByteRange> blocks = devices::ChangedBlocks(session_.kind(), inEmulator_, now);
        const devices::Transferred written =
            devices::WriteRanges(session_.device(), session_.kind(), bank_, now, blocks, {});
        Fault failed = written.fault;
        std::string checked;
        if (!failed.failed() && verify_) {
            std::vector<std::uint8_t> bytes;
            failed = devices::ReadRanges(session_.device(), session_.kind(), bank_, blocks, bytes, {}).fault;
            if (!failed.failed()) checked = ReadBackText(now, bytes, blocks);
        }
        if (failed.stopped()) {
            if (written.done < written.total) {
                return Say(Utf8(QStringLiteral("Stopped while writing: bank %1 holds %2 of the %3 blocks of the last "
                                               "change, and the engine runs it.")
                                    .arg(bank_)
                                    .arg(written.done)
                                    .arg(written.total)));
            }
            return true;
        }
        if (failed.kind == Fault::Kind::Refused) {
            // One refusal is not a lost emulator: the same blocks go again
            // at the next look.
            if (!refusedSaid_) (void)Say(Utf8(Sentence(failed.reason) + QStringLiteral(" Writing again.")));
            refusedSaid_ = true;
            return true;
        }
        refusedSaid_ = false;
        if (failed.failed()) return Gone(failed);
        const std::string line = ChangeText(inEmulator_, now) + "  (" + std::to_string(blocks.size()) +
                                 (blocks.size() == 1 ? " block, " : " blocks, ") + std::to_string(clock.elapsed()) +
                                 " ms" + checked + ")";
        if (!Say(line)) return false;
        // A read-back that differs leaves the blocks to be written again.
        if (checked.find("WRONG") == std::string::npos) inEmulator_ = now;
        return true;
    }

    [[nodiscard]] std::string ReadBackText(const ImageBytes& image, const std::vector<std::uint8_t>& bank,
                                           const std::vector<devices::ByteRange>& blocks) const {
        std::size_t wrong = 0;
        for (std::size_t slot = 0; slot < session_.kind().Slots(); ++slot) {
            for (const devices::ByteRange& block : blocks) {
                for (std::size_t i = block.first; i < block.first + block.count; ++i)
                    wrong += bank[slot * kImageSize + i] != image[i] ? 1 : 0;
            }
        }
        return wrong == 0 ? ", read back the same"
                          : ", READ BACK WRONG in " + std::to_string(wrong) + (wrong == 1 ? " byte" : " bytes") +
                                ": writing again";
    }

    // The emulator went away: said, waited for, and when it answers again
    // the whole image uploaded, with a line for what changed meanwhile.
    [[nodiscard]] bool Gone(const Fault& fault) {
        if (!Say(Utf8(QStringLiteral("The emulator at %1 is gone (%2); waiting for it. It held %3 in bank %4.")
                          .arg(Quoted(session_.port()), fault.reason, Quoted(path_))
                          .arg(bank_))))
            return false;
        session_.Disconnect();
        while (Wait(kReconnectMilliseconds)) {
            if (!session_.TryConnect()) continue;
            if (!Say("The emulator is back.")) return false;
            const ImageBytes now = Look().value_or(inEmulator_);
            const UploadOutcome outcome = Upload(now);
            if (outcome.fault.stopped()) return true;
            if (outcome.end != UploadOutcome::End::Emulated) {
                session_.Disconnect();
                continue;
            }
            if (!Say("Uploaded, verified and emulated in bank " + std::to_string(bank_) + '.')) return false;
            const bool changed = now != inEmulator_;
            const ImageBytes before = std::exchange(inEmulator_, now);
            return !changed || Say(ChangeText(before, now) + "  (changed meanwhile, with the whole image)");
        }
        return true;
    }

    CommandRun& run_;
    EmulatorSession& session_;
    QString path_;
    bool verify_;
    int bank_ = 0;             // the bank the engine runs, and the one written
    ImageBytes inEmulator_{};  // what that bank holds
    int badLooks_ = 0;
    bool refusedSaid_ = false;
};

class EmulatorWatch final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator watch"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --port PATH [--device NAME] [--bank N] [--verify] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Uploads IMAGE as upload does, then each time it changes (a Save As\n"
            "over it) writes only the blocks that changed into the bank the engine\n"
            "runs, a line per update. Says when the file cannot be used and when\n"
            "the emulator goes and comes back. Ctrl+C ends it (exit status 0).");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return EmulatorOptions(true) << QCommandLineOption(
                   QStringLiteral("verify"),
                   QStringLiteral("Read back the blocks written (disturbs the running engine)."));
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1)
            return UsageTrouble(run.console, QStringLiteral("emulator watch takes an image."));
        EmulatorSession session(run);
        if (const auto refused = session.Prepare({devices::Need::WriteWhileRunning}, true)) return *refused;
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        if (const int connected = session.Connect(devices::NothingWritten()); connected != kSuccess)
            return connected == kStopped ? kSuccess : connected;
        Watcher watcher(run, session, run.parser.isSet(QStringLiteral("verify")));
        return watcher.Run(*image);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeEmulatorWatchCommand() { return std::make_unique<EmulatorWatch>(); }

}  // namespace tarvik::tables
