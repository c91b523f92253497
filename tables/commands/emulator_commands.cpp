// SPDX-License-Identifier: GPL-3.0-or-later
// emulator info | upload | verify | download | watch: live tuning through an
// Ostrich 2.0 EPROM emulator on a serial port. One unit per command; what
// they share (the port, the bank, reporting a lost emulator) comes first.

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>

#include "platform/image_file.h"
#include "platform/platform.h"
#include "tables/chips/chips.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/devices/ostrich.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] QCommandLineOption PortOption() {
    return {QStringLiteral("port"), QStringLiteral("The emulator's serial port, as /dev/ttyUSB0."),
            QStringLiteral("PATH")};
}
[[nodiscard]] QCommandLineOption BaudOption() {
    return {QStringLiteral("baud"), QStringLiteral("921600 (the default), or 115200 for older firmware."),
            QStringLiteral("N")};
}
[[nodiscard]] QCommandLineOption BankOption() {
    return {QStringLiteral("bank"), QStringLiteral("The emulator's bank, 0 to 7 (0 by default)."), QStringLiteral("N")};
}

// The emulator at --port, its link and the bank the command works on.
struct Emulator {
    QString port;
    int bank = 0;
    std::unique_ptr<SerialLink> link;
    std::unique_ptr<Ostrich> ostrich;
};

[[nodiscard]] int Lost(CommandRun& run, const QString& port, const QString& reason) {
    return Trouble(run.console, QStringLiteral("Cannot work with the emulator at \"%1\".\n%2").arg(port, reason));
}

// Opens --port and asks the emulator who it is; nothing, after saying why.
[[nodiscard]] std::optional<Emulator> Connect(CommandRun& run, bool takesBank) {
    Emulator emulator;
    if (!run.parser.isSet(QStringLiteral("port"))) {
        (void)UsageTrouble(run.console, QStringLiteral("Name the emulator's serial port: --port PATH."));
        return std::nullopt;
    }
    emulator.port = run.parser.value(QStringLiteral("port"));
    int baud = kOstrichBaud;
    if (run.parser.isSet(QStringLiteral("baud"))) {
        bool number = false;
        baud = run.parser.value(QStringLiteral("baud")).toInt(&number);
        if (!number || baud <= 0) {
            (void)UsageTrouble(run.console, QStringLiteral("--baud takes a speed such as 921600 or 115200."));
            return std::nullopt;
        }
    }
    if (takesBank && run.parser.isSet(QStringLiteral("bank"))) {
        bool number = false;
        emulator.bank = run.parser.value(QStringLiteral("bank")).toInt(&number);
        if (!number || emulator.bank < 0 || emulator.bank >= kOstrichBanks) {
            (void)UsageTrouble(run.console, QStringLiteral("--bank takes 0 to 7."));
            return std::nullopt;
        }
    }
    QString error;
    emulator.link = run.ports.Open(emulator.port, baud, error);
    if (!emulator.link) {
        (void)Lost(run, emulator.port, error);
        return std::nullopt;
    }
    emulator.ostrich = std::make_unique<Ostrich>(*emulator.link);
    int model = 0;
    int revision = 0;
    if (QString failed = emulator.ostrich->Version(model, revision); !failed.isEmpty()) {
        (void)Lost(run, emulator.port, failed);
        return std::nullopt;
    }
    return emulator;
}

// A progress line while blocks go over the wire; false once Ctrl+C came.
[[nodiscard]] TransferProgress ShowProgress(CommandRun& run, const QString& what) {
    return [&run, what](std::size_t done, std::size_t total) {
        run.console.Progress(Utf8(QStringLiteral("%1: %2 %").arg(what).arg(done * 100 / total)));
        return !run.console.Interrupted();
    };
}

// Reads the whole bank; nothing, after saying why.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> ReadWholeBank(CommandRun& run, Emulator& emulator) {
    std::vector<std::uint8_t> bank;
    QString failed = emulator.ostrich->SelectReadWriteBank(emulator.bank);
    if (failed.isEmpty()) failed = ReadBank(*emulator.ostrich, bank, ShowProgress(run, QStringLiteral("Reading")));
    run.console.Progress({});
    if (!failed.isEmpty()) {
        (void)Lost(run, emulator.port, failed);
        return std::nullopt;
    }
    return bank;
}

// The image in every slot of the bank, and read back unless told not to:
// kSuccess, kDifferent after the report, or kTrouble after saying why.
[[nodiscard]] int Upload(CommandRun& run, Emulator& emulator, const ImageBytes& image, bool verify) {
    QString failed = emulator.ostrich->SelectReadWriteBank(emulator.bank);
    if (failed.isEmpty()) failed = WriteImage(*emulator.ostrich, image, ShowProgress(run, QStringLiteral("Writing")));
    run.console.Progress({});
    if (!failed.isEmpty()) return Lost(run, emulator.port, failed);
    if (!verify) return kSuccess;
    const std::optional<std::vector<std::uint8_t>> bank = ReadWholeBank(run, emulator);
    if (!bank) return kTrouble;
    const std::string report = FormatCopyChecks(CheckCopies(image, *bank), "the image");
    return report.empty() ? kSuccess : Emit(run.console, report, kDifferent);
}

[[nodiscard]] std::span<const std::uint8_t> Span(const std::vector<std::uint8_t>& bytes) { return bytes; }

class EmulatorInfo final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator info"); }
    [[nodiscard]] QString Synopsis() const override { return QStringLiteral("--port PATH [--baud N]"); }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral("The emulator's model, firmware revision and serial number.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override { return {PortOption(), BaudOption()}; }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (!run.arguments.isEmpty()) return UsageTrouble(run.console, QStringLiteral("emulator info takes no files."));
        std::optional<Emulator> emulator = Connect(run, false);
        if (!emulator) return kTrouble;
        int model = 0;
        int revision = 0;
        QString serial;
        QString failed = emulator->ostrich->Version(model, revision);
        if (failed.isEmpty()) failed = emulator->ostrich->SerialNumber(serial);
        if (!failed.isEmpty()) return Lost(run, emulator->port, failed);
        const QString name = model == 20   ? QStringLiteral("Ostrich 2.0")
                             : model == 10 ? QStringLiteral("Ostrich 1")
                                           : QStringLiteral("Ostrich (model %1)").arg(model);
        return Emit(
            run.console,
            Utf8(QStringLiteral("%1, firmware revision %2, serial number %3\n").arg(name).arg(revision).arg(serial)),
            kSuccess);
    }
};

class EmulatorUpload final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator upload"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --port PATH [--bank N] [--no-verify] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "IMAGE into every 4 KB slot of bank N, read back and compared (as\n"
            "verify reports), then bank N emulated. Exit status 1: the read-back\n"
            "differs, and the bank is not emulated.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {PortOption(), BankOption(), BaudOption(),
                QCommandLineOption(QStringLiteral("no-verify"), QStringLiteral("Do not read the image back."))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1)
            return UsageTrouble(run.console, QStringLiteral("emulator upload takes an image."));
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        std::optional<Emulator> emulator = Connect(run, true);
        if (!emulator) return kTrouble;
        const int uploaded = Upload(run, *emulator, *image, !run.parser.isSet(QStringLiteral("no-verify")));
        if (uploaded != kSuccess) {
            if (uploaded == kDifferent)
                run.console.Err(Utf8(QStringLiteral("Bank %1 is not emulated.\n").arg(emulator->bank)));
            return uploaded;
        }
        if (QString failed = emulator->ostrich->SelectEmulatedBank(emulator->bank); !failed.isEmpty())
            return Lost(run, emulator->port, failed);
        return Emit(run.console,
                    Utf8(QStringLiteral("\"%1\" is in bank %2 of the emulator at \"%3\", emulated.\n")
                             .arg(run.arguments[0])
                             .arg(emulator->bank)
                             .arg(emulator->port)),
                    kSuccess);
    }
};

class EmulatorVerify final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator verify"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --port PATH [--bank N] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Reads bank N back and compares each 4 KB slot with IMAGE, as verify\n"
            "does. Reading disturbs a running engine.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {PortOption(), BankOption(), BaudOption()};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1)
            return UsageTrouble(run.console, QStringLiteral("emulator verify takes an image."));
        const std::optional<ImageBytes> image = ReadImage(run, run.arguments[0]);
        if (!image) return kTrouble;
        std::optional<Emulator> emulator = Connect(run, true);
        if (!emulator) return kTrouble;
        const std::optional<std::vector<std::uint8_t>> bank = ReadWholeBank(run, *emulator);
        if (!bank) return kTrouble;
        const std::string report = FormatCopyChecks(CheckCopies(*image, Span(*bank)), "the image");
        if (!report.empty()) return Emit(run.console, report, kDifferent);
        return Emit(run.console,
                    Utf8(QStringLiteral("Bank %1 of the emulator holds \"%2\" in all 16 slots.\n")
                             .arg(emulator->bank)
                             .arg(run.arguments[0])),
                    kSuccess);
    }
};

class EmulatorDownload final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator download"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("--port PATH --output OUT [--bank N] [--force] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "The image in bank N, as extract takes it from a read-back: when all\n"
            "16 slots agree; otherwise exit status 1, what differs, nothing written.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {PortOption(), BankOption(), BaudOption(),
                OutputOption(QStringLiteral("The image to write; it must not exist, unless --force.")),
                ForceOption(QStringLiteral("Replace OUT."))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (!run.arguments.isEmpty() || !run.parser.isSet(QStringLiteral("output")))
            return UsageTrouble(run.console, QStringLiteral("emulator download takes --output OUT and no files."));
        const QString out = run.parser.value(QStringLiteral("output"));
        const bool force = run.parser.isSet(QStringLiteral("force"));
        if (const auto refused = RefuseTakenOutput(run, out, {}, force)) return *refused;
        std::optional<Emulator> emulator = Connect(run, true);
        if (!emulator) return kTrouble;
        const std::optional<std::vector<std::uint8_t>> bank = ReadWholeBank(run, *emulator);
        if (!bank) return kTrouble;
        const ImageBytes first = CopyOf(Span(*bank), 0);
        if (const std::string report = FormatCopyChecks(CheckCopies(first, Span(*bank)), "copy 0"); !report.empty()) {
            run.console.Err(report + "Nothing written: the slots of the bank differ.\n");
            return kDifferent;
        }
        return WriteOutput(
            run, out, QByteArray(reinterpret_cast<const char*>(first.data()), static_cast<qsizetype>(first.size())),
            force);
    }
};

class EmulatorWatch final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("emulator watch"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE --port PATH [--bank N] [--verify] [--baud N]");
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
            "Uploads IMAGE, then each time it changes (a Save As over it) writes\n"
            "only the 256-byte blocks that changed, a line per update. Survives\n"
            "the emulator going away and coming back. Ctrl+C ends it.");
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {PortOption(), BankOption(), BaudOption(),
                QCommandLineOption(QStringLiteral("verify"),
                                   QStringLiteral("Read back the blocks written (disturbs the running engine)."))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 1)
            return UsageTrouble(run.console, QStringLiteral("emulator watch takes an image."));
        const QString path = run.arguments[0];
        std::optional<ImageBytes> image = ReadImage(run, path);
        if (!image) return kTrouble;
        std::optional<Emulator> emulator = Connect(run, true);
        if (!emulator) return kTrouble;
        if (const int first = Start(run, *emulator, *image); first != kSuccess) return first;
        const bool verify = run.parser.isSet(QStringLiteral("verify"));
        ImageBytes uploaded = *image;
        while (!run.console.Interrupted()) {
            QThread::msleep(kPollMilliseconds);
            // A file being saved may be read half-way or not at all for a
            // moment: such a read is passed over until the file is whole.
            const ImageFileRead now = ReadImageFile(run.files, path);
            if (now.fault != ImageFileFault::None || now.image == uploaded) continue;
            QElapsedTimer clock;
            clock.start();
            const std::vector<std::size_t> blocks = ChangedBlocks(uploaded, now.image);
            QString failed = WriteBlocks(*emulator->ostrich, now.image, blocks, {});
            std::string checked;
            if (failed.isEmpty() && verify) {
                std::vector<std::uint8_t> bank(kBankBytes);
                failed = ReadBlocks(*emulator->ostrich, blocks, bank, {});
                checked = ReadBackText(now.image, bank, blocks);
            }
            if (!failed.isEmpty()) {
                if (!Reconnect(run, *emulator, now.image, failed)) break;
            } else {
                const std::string line = Stamp() + ChangeText(uploaded, now.image) + "  (" +
                                         std::to_string(blocks.size()) +
                                         (blocks.size() == 1 ? " block, " : " blocks, ") +
                                         std::to_string(clock.elapsed()) + " ms" + checked + ")\n";
                if (run.console.Out(line).size() > 0) return kTrouble;
            }
            uploaded = now.image;
        }
        return Emit(run.console, Stamp() + "Stopped.\n", kSuccess);
    }

private:
    static constexpr unsigned long kPollMilliseconds = 100;

    [[nodiscard]] static std::string Stamp() {
        return QTime::currentTime().toString(QStringLiteral("HH:mm:ss  ")).toStdString();
    }

    [[nodiscard]] static int Start(CommandRun& run, Emulator& emulator, const ImageBytes& image) {
        const int uploaded = Upload(run, emulator, image, true);
        if (uploaded != kSuccess) return uploaded;
        if (QString failed = emulator.ostrich->SelectEmulatedBank(emulator.bank); !failed.isEmpty())
            return Lost(run, emulator.port, failed);
        return Emit(run.console,
                    Stamp() + Utf8(QStringLiteral("Uploaded, verified and emulated in bank %1; watching \"%2\". "
                                                  "Ctrl+C ends.\n")
                                       .arg(emulator.bank)
                                       .arg(run.arguments[0])),
                    kSuccess);
    }

    // "fuel_map row 0 (6096 rpm) column 3: 405 -> 520, rev_limit: 195 -> 200"
    [[nodiscard]] static std::string ChangeText(const ImageBytes& before, const ImageBytes& after) {
        const ImageDiff diff = DiffImages(before, after);
        std::string text;
        for (const CellChange& change : diff.cells) {
            if (!text.empty()) text += ", ";
            text += DescribeCell(change.family, change.index) + ": " + change.before + " -> " + change.after;
        }
        if (diff.outsideBytes > 0) {
            if (!text.empty()) text += ", ";
            text += std::to_string(diff.outsideBytes) + " bytes outside the tables";
        }
        return text;
    }

    [[nodiscard]] static std::string ReadBackText(const ImageBytes& image, const std::vector<std::uint8_t>& bank,
                                                  const std::vector<std::size_t>& blocks) {
        std::size_t wrong = 0;
        for (std::size_t slot = 0; slot < kBankBytes / kImageSize; ++slot) {
            for (const std::size_t block : blocks) {
                for (std::size_t i = block * kBlockBytes; i < (block + 1) * kBlockBytes; ++i)
                    wrong += bank[slot * kImageSize + i] != image[i] ? 1 : 0;
            }
        }
        return wrong == 0 ? ", read back the same" : ", READ BACK WRONG in " + std::to_string(wrong) + " bytes";
    }

    // The emulator went away: say so, wait for it, and when it is back
    // upload and verify the whole image. False when Ctrl+C came first.
    [[nodiscard]] static bool Reconnect(CommandRun& run, Emulator& emulator, const ImageBytes& image,
                                        const QString& reason) {
        (void)run.console.Out(
            Stamp() +
            Utf8(QStringLiteral("The emulator at \"%1\" is gone (%2); waiting for it.\n").arg(emulator.port, reason)));
        emulator.ostrich.reset();
        emulator.link.reset();
        while (!run.console.Interrupted()) {
            QThread::msleep(kReconnectMilliseconds);
            QString error;
            emulator.link = run.ports.Open(emulator.port, baudOf(run), error);
            if (!emulator.link) continue;
            emulator.ostrich = std::make_unique<Ostrich>(*emulator.link);
            int model = 0;
            int revision = 0;
            if (!emulator.ostrich->Version(model, revision).isEmpty()) continue;
            (void)run.console.Out(Stamp() + "The emulator is back.\n");
            if (Start(run, emulator, image) == kSuccess) return true;
        }
        return false;
    }

    [[nodiscard]] static int baudOf(const CommandRun& run) {
        return run.parser.isSet(QStringLiteral("baud")) ? run.parser.value(QStringLiteral("baud")).toInt()
                                                        : kOstrichBaud;
    }

    static constexpr unsigned long kReconnectMilliseconds = 500;
};

}  // namespace

std::unique_ptr<const Command> MakeEmulatorInfoCommand() { return std::make_unique<EmulatorInfo>(); }
std::unique_ptr<const Command> MakeEmulatorUploadCommand() { return std::make_unique<EmulatorUpload>(); }
std::unique_ptr<const Command> MakeEmulatorVerifyCommand() { return std::make_unique<EmulatorVerify>(); }
std::unique_ptr<const Command> MakeEmulatorDownloadCommand() { return std::make_unique<EmulatorDownload>(); }
std::unique_ptr<const Command> MakeEmulatorWatchCommand() { return std::make_unique<EmulatorWatch>(); }

}  // namespace tarvik::tables
