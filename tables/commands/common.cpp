// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/commands/common.h"

#include <QCoreApplication>
#include <algorithm>
#include <unistd.h>

#include "platform/file_names.h"
#include "platform/file_system.h"
#include "platform/image_file.h"
#include "tables/cells.h"
#include "tables/chips/chips.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {

std::unique_ptr<QCoreApplication> Command::MakeApplication(int& argc, char** argv) const {
    return std::make_unique<QCoreApplication>(argc, argv);
}

std::string Utf8(const QString& text) { return text.toStdString(); }

QString Shown(const QString& name) { return QString::fromStdString(ShownFileName(name)); }

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

QCommandLineOption AllowBlankOption() {
    return {QStringLiteral("allow-blank"), QStringLiteral("Take a read-back that holds only 0xFF or only 0x00 bytes.")};
}

QString FormatNames(const FormatSet& formats, const QString& last, const QString& before) {
    QString text;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (i > 0) text += i + 1 == formats.size() ? QLatin1Char(' ') + last + QLatin1Char(' ') : QStringLiteral(", ");
        text += before + QString::fromUtf8(formats[i]->name);
    }
    return text;
}

QString FormatChoices(const FormatSet& formats) {
    QStringList names;
    for (const TableFormat* format : formats) names << QString::fromUtf8(format->name);
    return names.join(QLatin1Char('|'));
}

QString WrittenFormatsHelp(const FormatSet& formats) {
    QString text = FormatNames(formats, QStringLiteral("or"));
    const qsizetype first = formats.front()->name.size();
    return text.insert(first, QStringLiteral(" (the default)")) + QLatin1Char('.');
}

const TableFormat* ChosenFormat(const CommandRun& run, const FormatSet& formats, const QString& taking) {
    const QString name = run.parser.value(QStringLiteral("format"));
    if (name.isEmpty()) return formats.front();
    const TableFormat* format = FindFormat(Utf8(name));
    if (std::find(formats.begin(), formats.end(), format) != formats.end()) return format;
    const QString shown = QString::fromStdString(Printable(Utf8(name)));
    const QString offered = FormatNames(formats, QStringLiteral("or"));
    (void)UsageTrouble(run.console,
                       format == nullptr
                           ? QStringLiteral("There is no format \"%1\"; %2 %3.").arg(shown, taking, offered)
                           : QStringLiteral("%1 %2, not %3.").arg(taking, offered, QString::fromUtf8(format->name)));
    return nullptr;
}

namespace {

const QString kNotRegular = QStringLiteral("It is not a regular file.");

// "Cannot open the file ..." with the reason; nothing.
std::nullopt_t CannotOpen(CommandRun& run, const QString& path, const QString& reason) {
    (void)Trouble(run.console, CannotMessage(QStringLiteral("open"), Shown(path), reason));
    return std::nullopt;
}

}  // namespace

std::optional<ImageBytes> ReadImage(CommandRun& run, const QString& path) {
    const ImageFileRead read = ReadImageFile(run.files, path);
    switch (read.fault) {
        case ImageFileFault::None:
            return read.image;
        case ImageFileFault::WrongLength:
            // A pipe's or a device's length is none of the file's.
            return CannotOpen(run, path, read.regular ? WrongLengthMessage() : kNotRegular);
        case ImageFileFault::Unreadable:
            return CannotOpen(run, path, read.reason);
    }
    return std::nullopt;
}

std::optional<QByteArray> ReadDump(CommandRun& run, const QString& path) {
    constexpr qint64 kLargest = 65536;
    const LengthResult length = run.files.FileLength(path);
    QString reason = length.error;
    ReadResult read;
    if (reason.isEmpty() && !length.regular) reason = kNotRegular;
    if (reason.isEmpty() && !IsDumpSize(static_cast<std::size_t>(length.length))) {
        reason = QStringLiteral("A read-back has to be %1 long (the size of a chip); it is %2.")
                     .arg(QString::fromStdString(DumpSizes()),
                          QString::fromStdString(Counted(static_cast<std::size_t>(length.length), "byte", "bytes")));
    }
    if (reason.isEmpty()) {
        read = run.files.ReadFile(path, kLargest + 1);
        reason = read.error;
        if (reason.isEmpty() && read.data.size() != length.length)
            reason = QStringLiteral("Its length changed while it was being read.");
    }
    if (reason.isEmpty()) return std::move(read.data);
    return CannotOpen(run, path, reason);
}

std::optional<int> RefuseBlank(CommandRun& run, std::span<const std::uint8_t> bytes, const QString& what) {
    const std::string blank = BlankText(bytes);
    if (blank.empty() || run.parser.isSet(QStringLiteral("allow-blank"))) return std::nullopt;
    run.console.Err(Utf8(what) + " holds " + blank + ": no image.\nNothing written; --allow-blank takes it anyway.\n");
    return kBlankReadBack;
}

bool IsStream(const QString& out) { return out == QLatin1String("-") || DescriptorNamed(out) >= 0; }

bool IsStandardOutput(const QString& out) { return out == QLatin1String("-") || DescriptorNamed(out) == STDOUT_FILENO; }

std::optional<int> RefuseTakenOutput(CommandRun& run, const QString& out, const QString& input, bool force) {
    if (force || IsStream(out) || !EntryExists(out)) return std::nullopt;
    return Trouble(
        run.console,
        CannotMessage(QStringLiteral("save"), Shown(out),
                      SameFile(out, input) ? QStringLiteral("It is the image itself; only --force writes over it.")
                                           : QStringLiteral("It exists already; only --force writes over it.")));
}

int WriteOutput(CommandRun& run, const QString& path, const QByteArray& data, bool force) {
    // A stream the program was handed is written as one: a link such as
    // /dev/stdout followed to a file and a new file renamed over it would
    // replace whatever the shell had opened there (a log appended to).
    if (IsStandardOutput(path)) return Emit(run.console, data.toStdString(), kSuccess);
    if (const int descriptor = DescriptorNamed(path); descriptor >= 0) {
        const QString failure = WriteToDescriptor(descriptor, data);
        if (failure.isEmpty()) return kSuccess;
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), Shown(path), failure));
    }
    if (force) {
        const QString failure = run.files.WriteFile(path, data);
        if (failure.isEmpty()) return kSuccess;
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), Shown(path), failure));
    }
    // The path may have been taken since the command looked: the file
    // takes the name only if it is still free.
    const NewFileResult written = run.files.WriteNewFile(path, data);
    if (written.existed) {
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), Shown(path),
                                                  QStringLiteral("It exists already; only --force writes over it.")));
    }
    if (!written.error.isEmpty())
        return Trouble(run.console, CannotMessage(QStringLiteral("save"), Shown(path), written.error));
    return kSuccess;
}

}  // namespace tarvik::tables
