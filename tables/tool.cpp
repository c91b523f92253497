// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/tool.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "generated/version.h"
#include "image/image_bytes.h"
#include "platform/qt_file_system.h"
#include "tables/diff.h"
#include "tables/dump.h"
#include "tables/edits.h"

namespace tarvik::tables {

namespace {

// A table file is a few kilobytes; anything near this is not one.
constexpr qint64 kTableFileLimit = 16 * 1024 * 1024;

[[nodiscard]] std::string Utf8(const QString& text) { return text.toStdString(); }

// What a command ends with: its status, and its last words for standard
// output (written before the status is final) and for standard error.
struct ToolRun {
    int status = kSuccess;
    std::string out;
    std::string err;
};

[[nodiscard]] ToolRun Trouble(const QString& message) { return {kTrouble, {}, Utf8(message) + '\n'}; }

[[nodiscard]] ToolRun UsageTrouble(const QString& message) {
    return Trouble(message + QStringLiteral("\nTry \"tarvik-tables --help\"."));
}

[[nodiscard]] QString CannotWriteResults(const std::string& reason) {
    return QStringLiteral("Cannot write the results.\n%1").arg(QString::fromStdString(reason));
}

// The same words as the editor's Open and Save As messages.
[[nodiscard]] QString CannotMessage(const QString& action, const QString& path, const QString& reason) {
    return QStringLiteral("Cannot %1 the file \"%2\".\n%3").arg(action, path, reason);
}

// "Version 1.0.0": the About window's rule, over the one version number.
[[nodiscard]] QString VersionText() {
    return QStringLiteral("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

struct ImageRead {
    ImageBytes image{};
    QString error;  // the whole message; empty when read
};

// As the editor's Open: the length first, then exactly 4096 bytes.
[[nodiscard]] ImageRead ReadImage(FileSystem& files, const QString& path) {
    ImageRead read;
    const LengthResult length = files.FileLength(path);
    if (!length.error.isEmpty()) {
        read.error = CannotMessage(QStringLiteral("open"), path, length.error);
        return read;
    }
    if (length.length != static_cast<qint64>(kImageSize)) {
        read.error = CannotMessage(QStringLiteral("open"), path,
                                   QStringLiteral("The LH 2.2-binary has to be %1 bytes long").arg(kImageSize));
        return read;
    }
    // One byte more than needed: a file that grew since is refused too.
    const ReadResult data = files.ReadFile(path, static_cast<qint64>(kImageSize) + 1);
    if (!data.error.isEmpty()) {
        read.error = CannotMessage(QStringLiteral("open"), path, data.error);
    } else if (data.data.size() != static_cast<qsizetype>(kImageSize)) {
        read.error =
            CannotMessage(QStringLiteral("open"), path, QStringLiteral("Its length changed while it was being read."));
    } else {
        std::copy(data.data.cbegin(), data.data.cend(), read.image.begin());
    }
    return read;
}

struct TextRead {
    QByteArray data;
    QString error;
};

[[nodiscard]] TextRead ReadTableFile(FileSystem& files, const QString& path) {
    const LengthResult length = files.FileLength(path);
    if (!length.error.isEmpty()) return {{}, CannotMessage(QStringLiteral("open"), path, length.error)};
    ReadResult read = files.ReadFile(path, kTableFileLimit + 1);
    if (!read.error.isEmpty()) return {{}, CannotMessage(QStringLiteral("open"), path, read.error)};
    if (read.data.size() > kTableFileLimit) {
        return {{},
                CannotMessage(QStringLiteral("open"), path, QStringLiteral("It is far too large for a table file."))};
    }
    return {std::move(read.data), {}};
}

[[nodiscard]] std::optional<Format> FormatNamed(const QString& name) {
    if (name == QLatin1String("text")) return Format::Text;
    if (name == QLatin1String("json")) return Format::Json;
    if (name == QLatin1String("csv")) return Format::Csv;
    return std::nullopt;
}

[[nodiscard]] const QString& Description() {
    static const QString text = QStringLiteral(
        "Reads, compares and writes the seven calibration tables of 4096-byte LH 2.2\n"
        "EPROM images, with the values and rules of the editor.\n"
        "\n"
        "Commands:\n"
        "  dump IMAGE [--format text|json|csv]\n"
        "      The tables of IMAGE, as the editor shows them after Open.\n"
        "  diff OLD NEW [--format text|json|csv]\n"
        "      Each cell that differs, and the bytes outside the tables that differ.\n"
        "      Exit status 0: the same, 1: different, 2: trouble.\n"
        "  apply IMAGE TABLES --output OUT [--force] [--format json|csv] [--verbose]\n"
        "      IMAGE with the cells TABLES names (a json or csv file, as dump writes\n"
        "      it, with some or all of the cells), stored as the editor's Save As\n"
        "      stores them and written to OUT, which must not exist (no link either)\n"
        "      unless --force. Exit status 1: an illegal value, 2: trouble; nothing\n"
        "      is written then. 3: OUT written, the --verbose report cut short.");
    return text;
}

class Tool {
public:
    explicit Tool(Console& console)
        : console_(console),
          help_(QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
          version_(QStringList{QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Show the version.")),
          format_(QStringList{QStringLiteral("f"), QStringLiteral("format")},
                  QStringLiteral("text, json or csv (dump, diff: text; apply: by the file name's ending)."),
                  QStringLiteral("format")),
          output_(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                  QStringLiteral("apply: the image to write; it must not exist, unless --force."),
                  QStringLiteral("OUT")),
          force_(QStringLiteral("force"), QStringLiteral("apply: replace OUT, even when it is IMAGE itself.")),
          verbose_(QStringLiteral("verbose"), QStringLiteral("apply: show the cells changed and where they went.")) {
        parser_.setApplicationDescription(Description());
        parser_.addOptions({help_, version_, format_, output_, force_, verbose_});
        parser_.addPositionalArgument(QStringLiteral("command"), QStringLiteral("dump, diff or apply"));
        parser_.addPositionalArgument(QStringLiteral("files"), QStringLiteral("the command's files"),
                                      QStringLiteral("files..."));
    }

    [[nodiscard]] ToolRun Run(const QStringList& arguments) {
        if (!parser_.parse(arguments)) return UsageTrouble(parser_.errorText());
        if (auto refused = RefuseRepeatedOptions()) return *refused;
        if (parser_.isSet(help_)) return {kSuccess, Utf8(parser_.helpText()), {}};
        if (parser_.isSet(version_)) return {kSuccess, Utf8(VersionText()) + '\n', {}};

        QStringList files = parser_.positionalArguments();
        if (files.isEmpty()) return UsageTrouble(QStringLiteral("Name a command: dump, diff or apply."));
        const QString command = files.takeFirst();
        if (command == QLatin1String("dump")) return Dump(files);
        if (command == QLatin1String("diff")) return Diff(files);
        if (command == QLatin1String("apply")) return Apply(files);
        return UsageTrouble(
            QStringLiteral("There is no command \"%1\"; the commands are dump, diff and apply.").arg(command));
    }

private:
    // "-o a.bin -o b.bin" would write only one of them: an option is given
    // once or not at all.
    [[nodiscard]] std::optional<ToolRun> RefuseRepeatedOptions() const {
        const QStringList given = parser_.optionNames();
        for (const QCommandLineOption* option : {&help_, &version_, &format_, &output_, &force_, &verbose_}) {
            const auto times = std::count_if(given.begin(), given.end(),
                                             [&](const QString& name) { return option->names().contains(name); });
            if (times > 1) {
                return UsageTrouble(QStringLiteral("--%1 is given %2 times; give it once.")
                                        .arg(option->names().constLast())
                                        .arg(times));
            }
        }
        return std::nullopt;
    }

    // Options that only apply takes.
    [[nodiscard]] std::optional<ToolRun> RefuseApplyOptions(const QString& command) const {
        for (const QCommandLineOption* option : {&output_, &force_, &verbose_}) {
            if (parser_.isSet(*option)) {
                return UsageTrouble(
                    QStringLiteral("--%1 is an option of apply, not of %2.").arg(option->names().constLast(), command));
            }
        }
        return std::nullopt;
    }

    // The --format of dump and diff; text when not given.
    [[nodiscard]] std::optional<Format> OutputFormat(ToolRun& trouble) const {
        if (!parser_.isSet(format_)) return Format::Text;
        const QString name = parser_.value(format_);
        if (const std::optional<Format> format = FormatNamed(name)) return format;
        trouble =
            UsageTrouble(QStringLiteral("There is no format \"%1\"; the formats are text, json and csv.").arg(name));
        return std::nullopt;
    }

    [[nodiscard]] ToolRun Dump(const QStringList& files) {
        if (files.size() != 1) return UsageTrouble(QStringLiteral("dump takes one image."));
        if (auto refused = RefuseApplyOptions(QStringLiteral("dump"))) return *refused;
        ToolRun trouble;
        const std::optional<Format> format = OutputFormat(trouble);
        if (!format) return trouble;
        const ImageRead read = ReadImage(files_, files[0]);
        if (!read.error.isEmpty()) return Trouble(read.error);
        return {kSuccess, DumpTables(read.image, *format), {}};
    }

    [[nodiscard]] ToolRun Diff(const QStringList& files) {
        if (files.size() != 2)
            return UsageTrouble(QStringLiteral("diff takes two images: the old one and the new one."));
        if (auto refused = RefuseApplyOptions(QStringLiteral("diff"))) return *refused;
        ToolRun trouble;
        const std::optional<Format> format = OutputFormat(trouble);
        if (!format) return trouble;
        const ImageRead before = ReadImage(files_, files[0]);
        if (!before.error.isEmpty()) return Trouble(before.error);
        const ImageRead after = ReadImage(files_, files[1]);
        if (!after.error.isEmpty()) return Trouble(after.error);
        const ImageDiff diff = DiffImages(before.image, after.image);
        return {diff.Same() ? kSuccess : kDifferent, FormatDiff(diff, *format), {}};
    }

    // --format, or the file name's ending.
    [[nodiscard]] std::optional<Format> InputFormat(const QString& path, ToolRun& trouble) const {
        QString name = parser_.value(format_);
        if (!parser_.isSet(format_)) {
            name = QFileInfo(path).suffix().toLower();
            if (name != QLatin1String("json") && name != QLatin1String("csv")) {
                trouble = UsageTrouble(
                    QStringLiteral("Cannot tell the format of \"%1\" by its name; give --format json or --format csv.")
                        .arg(path));
                return std::nullopt;
            }
        }
        const std::optional<Format> format = FormatNamed(name);
        if (!format || *format == Format::Text) {
            trouble = UsageTrouble(QStringLiteral("apply reads json or csv, not \"%1\".").arg(name));
            return std::nullopt;
        }
        return format;
    }

    [[nodiscard]] ToolRun Apply(const QStringList& files) {
        if (files.size() != 2) {
            return UsageTrouble(QStringLiteral("apply takes an image and a table file, and --output OUT."));
        }
        const QString& imagePath = files[0];
        const QString& tablesPath = files[1];
        if (!parser_.isSet(output_)) return UsageTrouble(QStringLiteral("apply needs --output OUT."));
        const QString outPath = parser_.value(output_);
        ToolRun trouble;
        const std::optional<Format> format = InputFormat(tablesPath, trouble);
        if (!format) return trouble;

        const QFileInfo out(outPath);
        const bool force = parser_.isSet(force_);
        // Any entry at OUT is there: a symbolic link, even one that leads
        // nowhere or to itself, is not written through without --force.
        if ((out.exists() || out.isSymLink()) && !force) {
            const bool itself = out.canonicalFilePath() == QFileInfo(imagePath).canonicalFilePath();
            return Trouble(CannotMessage(QStringLiteral("save"), outPath,
                                         itself ? QStringLiteral("It is the image itself; only --force writes over it.")
                                                : QStringLiteral("It exists already; only --force writes over it.")));
        }

        const ImageRead read = ReadImage(files_, imagePath);
        if (!read.error.isEmpty()) return Trouble(read.error);
        const TextRead tables = ReadTableFile(files_, tablesPath);
        if (!tables.error.isEmpty()) return Trouble(tables.error);

        const EditsResult edits =
            ReadEdits(*format, std::string_view(tables.data.constData(), static_cast<std::size_t>(tables.data.size())));
        if (!edits.error.empty()) {
            return Trouble(QStringLiteral("Cannot read the tables in \"%1\".\n%2")
                               .arg(tablesPath, QString::fromStdString(edits.error)));
        }

        const ApplyResult applied = ApplyEdits(read.image, edits.edits);
        if (!applied.error.empty()) return {kIllegalValue, {}, applied.error + '\n'};

        // The report goes out before the image is written: when it cannot,
        // nothing is written, as the status says.
        const bool verbose = parser_.isSet(verbose_);
        if (verbose) {
            const std::string lost = console_.Out(FormatDiff(DiffImages(read.image, applied.image), Format::Text));
            if (!lost.empty()) return Trouble(CannotWriteResults(lost));
        }

        const QByteArray data(reinterpret_cast<const char*>(applied.image.data()), static_cast<qsizetype>(kImageSize));
        if (force) {
            const QString failure = files_.WriteFile(outPath, data);
            if (!failure.isEmpty()) return Trouble(CannotMessage(QStringLiteral("save"), outPath, failure));
        } else {
            // OUT may have appeared while the tables were read: the image
            // takes the name only if it is still free.
            const NewFileResult written = files_.WriteNewFile(outPath, data);
            if (written.existed) {
                return Trouble(CannotMessage(QStringLiteral("save"), outPath,
                                             QStringLiteral("It exists already; only --force writes over it.")));
            }
            if (!written.error.isEmpty()) return Trouble(CannotMessage(QStringLiteral("save"), outPath, written.error));
        }

        if (verbose) {
            const std::string lost = console_.Out(Utf8(QStringLiteral("Saved \"%1\".\n").arg(outPath)));
            if (!lost.empty()) {
                return {kWrittenReportLost,
                        {},
                        Utf8(QStringLiteral("Saved \"%1\", but cannot write the results.\n%2")
                                 .arg(outPath, QString::fromStdString(lost))) +
                            '\n'};
            }
        }
        return {};
    }

    Console& console_;
    QCommandLineParser parser_;
    const QCommandLineOption help_;
    const QCommandLineOption version_;
    const QCommandLineOption format_;
    const QCommandLineOption output_;
    const QCommandLineOption force_;
    const QCommandLineOption verbose_;
    QtFileSystem files_;
};

}  // namespace

int RunTablesTool(const QStringList& arguments, Console& console) {
    const ToolRun run = Tool(console).Run(arguments);
    if (!run.out.empty()) {
        if (const std::string lost = console.Out(run.out); !lost.empty()) {
            console.Err(Utf8(CannotWriteResults(lost)) + '\n');
            return kTrouble;
        }
    }
    if (!run.err.empty()) console.Err(run.err);
    return run.status;
}

}  // namespace tarvik::tables
