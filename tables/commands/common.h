// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What several commands share: their options, their messages, reading
// images and writing the file a command makes.

#include <QByteArray>
#include <QCommandLineOption>
#include <QString>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/image_bytes.h"
#include "tables/commands/command.h"
#include "tables/formats/format.h"

namespace tarvik::tables {

[[nodiscard]] std::string Utf8(const QString& text);

// A file name as every message and result shows it: control characters
// and bytes that are not UTF-8 written as "\x1b" (platform/file_names.h).
[[nodiscard]] QString Shown(const QString& name);

// Writes the message and a line end to standard error; returns kTrouble.
[[nodiscard]] int Trouble(Console& console, const QString& message);
// The same, with a pointer to --help: the command line itself is wrong.
[[nodiscard]] int UsageTrouble(Console& console, const QString& message);

// Writes a command's results to standard output; `status` when written,
// kTrouble with the reason when not.
[[nodiscard]] int Emit(Console& console, const std::string& text, int status);
// "Cannot write the results.\n<reason>"
[[nodiscard]] QString CannotWriteResults(const std::string& reason);

// The options of more than one command.
[[nodiscard]] QCommandLineOption FormatOption(const QString& description);
[[nodiscard]] QCommandLineOption OutputOption(const QString& description);
[[nodiscard]] QCommandLineOption ForceOption(const QString& description);
// --allow-blank, for a command that takes an image from a read-back.
[[nodiscard]] QCommandLineOption AllowBlankOption();

// The formats a command takes with --format, in the order of the list of
// formats (tables/formats/format_list.h); the first is the one it writes
// unless told otherwise.
using FormatSet = std::vector<const TableFormat*>;

// "text, json or csv", each name after `before`: "--format json or
// --format csv".
[[nodiscard]] QString FormatNames(const FormatSet& formats, const QString& last, const QString& before = {});
// "text|json|csv", as a synopsis offers them.
[[nodiscard]] QString FormatChoices(const FormatSet& formats);
// --format's help for a command that writes the formats: "text (the
// default), json or csv."
[[nodiscard]] QString WrittenFormatsHelp(const FormatSet& formats);

// The format --format names, in any letter case, among those the command
// takes ("info writes" them); the first when it names none. Nothing, after
// saying why, when the name is no format or not one the command takes.
[[nodiscard]] const TableFormat* ChosenFormat(const CommandRun& run, const FormatSet& formats, const QString& taking);

// An image as the editor's Open reads it; nothing, after saying why.
[[nodiscard]] std::optional<ImageBytes> ReadImage(CommandRun& run, const QString& path);

// A programmer's read-back of any chip's size (4 to 64 KB); nothing, after
// saying why.
[[nodiscard]] std::optional<QByteArray> ReadDump(CommandRun& run, const QString& path);

// A read-back that holds only 0xFF bytes (an erased chip, an empty socket)
// or only 0x00 bytes is no image: kBlankReadBack after saying what it
// holds, unless --allow-blank (which the command must offer); nothing when
// it holds anything else. `what` names it: "\"dump.bin\"", "Bank 2 of
// the emulator".
[[nodiscard]] std::optional<int> RefuseBlank(CommandRun& run, std::span<const std::uint8_t> bytes, const QString& what);

// OUT "-", or a name that leads to one of the program's descriptors
// (/dev/stdout, /dev/fd/3): written as a stream, never replaced, so never
// refused for being there.
[[nodiscard]] bool IsStream(const QString& out);
// The stream is standard output, where results go too.
[[nodiscard]] bool IsStandardOutput(const QString& out);

// Without --force, anything at OUT (a file, a folder, a symbolic link even
// when it leads nowhere) ends the command before any work: kTrouble, after
// saying why; nothing when OUT is free or --force is given.
[[nodiscard]] std::optional<int> RefuseTakenOutput(CommandRun& run, const QString& out, const QString& input,
                                                   bool force);

// Writes a file a command made, whole or not at all: never over anything
// that stands at path, unless force. A stream (IsStream) is written as one.
// kSuccess, or kTrouble after saying why.
[[nodiscard]] int WriteOutput(CommandRun& run, const QString& path, const QByteArray& data, bool force);

}  // namespace tarvik::tables
