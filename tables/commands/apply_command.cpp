// SPDX-License-Identifier: GPL-3.0-or-later
// apply IMAGE TABLES --output OUT: the cells a table file names, stored as
// the editor's Save As stores its fields.

#include <QFileInfo>
#include <algorithm>

#include "platform/file_system.h"
#include "platform/image_file.h"
#include "tables/commands/command_list.h"
#include "tables/commands/common.h"
#include "tables/formats/diff.h"
#include "tables/formats/edits.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {

namespace {

// A table file is a few kilobytes; anything near this is not one.
constexpr qint64 kTableFileLimit = 16 * 1024 * 1024;

class ApplyCommand final : public Command {
public:
    [[nodiscard]] QString Name() const override { return QStringLiteral("apply"); }
    [[nodiscard]] QString Synopsis() const override {
        return QStringLiteral("IMAGE TABLES --output OUT [--force] [--format %1] [--verbose]")
            .arg(FormatChoices(ReadableFormats()));
    }
    [[nodiscard]] QString Description() const override {
        return QStringLiteral(
                   "IMAGE with the cells TABLES names (a %1 file, as dump writes\n"
                   "it, with some or all of the cells), stored as the editor's Save As\n"
                   "stores them and written to OUT, which must not exist (no link either)\n"
                   "unless --force. Exit status 1: an illegal value, 2: trouble; nothing\n"
                   "is written then. 3: OUT written, the --verbose report cut short.")
            .arg(FormatNames(ReadableFormats(), QStringLiteral("or")));
    }
    [[nodiscard]] QList<QCommandLineOption> Options() const override {
        return {FormatOption(FormatNames(ReadableFormats(), QStringLiteral("or")) +
                             QStringLiteral(" (by default, by the file name's ending).")),
                OutputOption(QStringLiteral("The image to write; it must not exist, unless --force.")),
                ForceOption(QStringLiteral("Replace OUT, even when it is IMAGE itself.")),
                QCommandLineOption(QStringLiteral("verbose"),
                                   QStringLiteral("Show the cells changed and where they went."))};
    }

    [[nodiscard]] int Run(CommandRun& run) const override {
        if (run.arguments.size() != 2) {
            return UsageTrouble(run.console,
                                QStringLiteral("apply takes an image and a table file, and --output OUT."));
        }
        const QString& imagePath = run.arguments[0];
        const QString& tablesPath = run.arguments[1];
        if (!run.parser.isSet(QStringLiteral("output")))
            return UsageTrouble(run.console, QStringLiteral("apply needs --output OUT."));
        const QString outPath = run.parser.value(QStringLiteral("output"));
        const TableFormat* format = InputFormat(run, tablesPath);
        if (format == nullptr) return kTrouble;
        const bool verbose = run.parser.isSet(QStringLiteral("verbose"));
        if (verbose && IsStandardOutput(outPath)) {
            return UsageTrouble(
                run.console, QStringLiteral("--verbose reports on standard output, where OUT is written; give one."));
        }

        const bool force = run.parser.isSet(QStringLiteral("force"));
        // Any entry at OUT is there: a symbolic link, even one that leads
        // nowhere or to itself, is not written through without --force.
        if (const auto refused = RefuseTakenOutput(run, outPath, imagePath, force)) return *refused;

        const std::optional<ImageBytes> image = ReadImage(run, imagePath);
        if (!image) return kTrouble;
        const std::optional<QByteArray> tables = ReadTableFile(run, tablesPath);
        if (!tables) return kTrouble;
        const EditsResult edits =
            ReadEdits(*format, std::string_view(tables->constData(), static_cast<std::size_t>(tables->size())));
        if (!edits.error.empty()) {
            return Trouble(run.console, QStringLiteral("Cannot read the tables in \"%1\" as %2.\n%3")
                                            .arg(Shown(tablesPath), QString::fromUtf8(format->title),
                                                 QString::fromStdString(edits.error)));
        }
        const ApplyResult applied = ApplyEdits(*image, edits.edits);
        if (!applied.error.empty()) {
            run.console.Err(applied.error + '\n');
            return kIllegalValue;
        }

        // The report goes out before the image is written: when it cannot,
        // nothing is written, as the status says.
        if (verbose) {
            const std::string lost = run.console.Out(TextFormat().diff(DiffImages(*image, applied.image)));
            if (!lost.empty()) return Trouble(run.console, CannotWriteResults(lost));
        }
        const QByteArray data(reinterpret_cast<const char*>(applied.image.data()), static_cast<qsizetype>(kImageSize));
        if (const int written = WriteOutput(run, outPath, data, force); written != kSuccess) return written;

        if (verbose) {
            const std::string lost = run.console.Out(Utf8(QStringLiteral("Saved \"%1\".\n").arg(Shown(outPath))));
            if (!lost.empty()) {
                run.console.Err(Utf8(QStringLiteral("Saved \"%1\", but cannot write the results.\n%2")
                                         .arg(Shown(outPath), QString::fromStdString(lost))) +
                                '\n');
                return kWrittenReportLost;
            }
        }
        return kSuccess;
    }

private:
    // --format, or the file name's ending in any letter case.
    [[nodiscard]] static const TableFormat* InputFormat(CommandRun& run, const QString& path) {
        const FormatSet readable = ReadableFormats();
        if (!run.parser.value(QStringLiteral("format")).isEmpty())
            return ChosenFormat(run, readable, QStringLiteral("apply reads"));
        const TableFormat* format = FindFormat(Utf8(QFileInfo(path).suffix()));
        if (std::find(readable.begin(), readable.end(), format) != readable.end()) return format;
        (void)UsageTrouble(run.console, QStringLiteral("Cannot tell the format of \"%1\" by its name; give %2.")
                                            .arg(Shown(path), FormatNames(readable, QStringLiteral("or"),
                                                                          QStringLiteral("--format "))));
        return nullptr;
    }

    [[nodiscard]] static std::optional<QByteArray> ReadTableFile(CommandRun& run, const QString& path) {
        const LengthResult length = run.files.FileLength(path);
        if (!length.error.isEmpty()) {
            (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), Shown(path), length.error));
            return std::nullopt;
        }
        ReadResult read = run.files.ReadFile(path, kTableFileLimit + 1);
        if (!read.error.isEmpty()) {
            (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), Shown(path), read.error));
            return std::nullopt;
        }
        if (read.data.size() > kTableFileLimit) {
            (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), Shown(path),
                                                     QStringLiteral("It is far too large for a table file.")));
            return std::nullopt;
        }
        return std::move(read.data);
    }
};

}  // namespace

std::unique_ptr<const Command> MakeApplyCommand() { return std::make_unique<ApplyCommand>(); }

}  // namespace tarvik::tables
