// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/commands/common.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "platform/image_file.h"
#include "platform/platform.h"
#include "tables/chips/chips.h"

namespace tarvik::tables {

std::unique_ptr<QCoreApplication> Command::MakeApplication(int& argc, char** argv) const {
    return std::make_unique<QCoreApplication>(argc, argv);
}

std::string Utf8(const QString& text) { return text.toStdString(); }

int Trouble(Console& console, const QString& message) {
    console.Err(Utf8(message) + '\n');
    return kTrouble;
}

int UsageTrouble(Console& console, const QString& message) {
    return Trouble(console, message + QStringLiteral("\nTry \"tarvik-tables --help\"."));
}

QString CannotWriteResults(const std::string& reason) {
    return QStringLiteral("Cannot write the results.\n%1").arg(QString::fromStdString(reason));
}

int Emit(Console& console, const std::string& text, int status) {
    if (text.empty()) return status;
    const std::string lost = console.Out(text);
    return lost.empty() ? status : Trouble(console, CannotWriteResults(lost));
}

QCommandLineOption FormatOption(const QString& description) {
    return {QStringList{QStringLiteral("f"), QStringLiteral("format")}, description, QStringLiteral("format")};
}

QCommandLineOption OutputOption(const QString& description) {
    return {QStringList{QStringLiteral("o"), QStringLiteral("output")}, description, QStringLiteral("OUT")};
}

QCommandLineOption ForceOption(const QString& description) { return {QStringLiteral("force"), description}; }

std::optional<Format> OutputFormat(const CommandRun& run) {
    const QString name = run.parser.value(QStringLiteral("format"));
    if (name.isEmpty() || name == QLatin1String("text")) return Format::Text;
    if (name == QLatin1String("json")) return Format::Json;
    if (name == QLatin1String("csv")) return Format::Csv;
    (void)UsageTrouble(run.console,
                       QStringLiteral("There is no format \"%1\"; the formats are text, json and csv.").arg(name));
    return std::nullopt;
}

std::optional<ImageBytes> ReadImage(CommandRun& run, const QString& path) {
    const ImageFileRead read = ReadImageFile(run.files, path);
    switch (read.fault) {
        case ImageFileFault::None:
            return read.image;
        case ImageFileFault::WrongLength:
            (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), path, WrongLengthMessage()));
            break;
        case ImageFileFault::Unreadable:
            (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), path, read.reason));
            break;
    }
    return std::nullopt;
}

std::optional<QByteArray> ReadDump(CommandRun& run, const QString& path) {
    constexpr qint64 kLargest = 65536;
    const LengthResult length = run.files.FileLength(path);
    QString reason = length.error;
    ReadResult read;
    if (reason.isEmpty() && !IsDumpSize(static_cast<std::size_t>(length.length))) {
        reason = QStringLiteral("A read-back has to be %1 long (the size of a chip); it is %2 bytes.")
                     .arg(QString::fromStdString(DumpSizes()))
                     .arg(length.length);
    }
    if (reason.isEmpty()) {
        read = run.files.ReadFile(path, kLargest + 1);
        reason = read.error;
        if (reason.isEmpty() && read.data.size() != length.length)
            reason = QStringLiteral("Its length changed while it was being read.");
    }
    if (reason.isEmpty()) return std::move(read.data);
    (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), path, reason));
    return std::nullopt;
}

std::optional<int> RefuseTakenOutput(CommandRun& run, const QString& out, const QString& input, bool force) {
    const QFileInfo info(out);
    if (force || !(info.exists() || info.isSymLink())) return std::nullopt;
    const bool itself = info.canonicalFilePath() == QFileInfo(input).canonicalFilePath();
    return Trouble(run.console,
                   CannotMessage(QStringLiteral("save"), out,
                                 itself ? QStringLiteral("It is the image itself; only --force writes over it.")
                                        : QStringLiteral("It exists already; only --force writes over it.")));
}

int WriteOutput(CommandRun& run, const QString& path, const QByteArray& data, bool force) {
    if (force) {
        const QString failure = run.files.WriteFile(path, data);
        if (failure.isEmpty()) return kSuccess;
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), path, failure));
    }
    // The path may have been taken since the command looked: the file
    // takes the name only if it is still free.
    const NewFileResult written = run.files.WriteNewFile(path, data);
    if (written.existed) {
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), path,
                                                  QStringLiteral("It exists already; only --force writes over it.")));
    }
    if (!written.error.isEmpty())
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), path, written.error));
    return kSuccess;
}

}  // namespace tarvik::tables
