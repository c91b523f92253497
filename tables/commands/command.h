// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One command of tarvik-tables as a unit: its name, synopsis, options and
// what it needs of Qt, and the run itself. The command line, --help and
// the dispatch all come from the list of commands (command_list.h).

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <string_view>

class QCoreApplication;

namespace tarvik {
class FileSystem;
}

namespace tarvik::devices {
class SerialPorts;
}

namespace tarvik::tables {

// Exit statuses, as diff(1) has them: diff ends with kDifferent when the
// images differ, apply with kIllegalValue when a value is illegal, a
// command that takes an image from a read-back with kBlankReadBack when the
// read-back holds nothing. kTrouble always means that
// nothing was written; kWrittenReportLost that apply wrote its image but
// could not say so on standard output.
inline constexpr int kSuccess = 0;
inline constexpr int kDifferent = 1;
inline constexpr int kIllegalValue = 1;
inline constexpr int kBlankReadBack = 1;
inline constexpr int kTrouble = 2;
inline constexpr int kWrittenReportLost = 3;
// The user stopped the command (Ctrl+C, or SIGTERM) before it was done; what
// it leaves behind is said. 128 + SIGINT, as a shell reports such an end.
inline constexpr int kStopped = 130;

// Where a command's words go, as it runs.
class Console {
public:
    virtual ~Console() = default;
    // Standard output, written through at once: results, or the bytes of a
    // file written to "-o -". The system's reason when it could not be (a
    // full disk, a closed pipe), empty when written.
    [[nodiscard]] virtual std::string Out(std::string_view text) = 0;
    // Standard error.
    virtual void Err(std::string_view text) = 0;
    // A line that shows how far a long command has come, redrawn in place;
    // drawn only on a terminal. Empty: the line goes.
    virtual void Progress(std::string_view line) = 0;
    // Whether the user asked the command to stop (Ctrl+C): a long command
    // polls it and ends cleanly.
    [[nodiscard]] virtual bool Interrupted() const = 0;
};

// What a command is given to run with.
struct CommandRun {
    const QCommandLineParser& parser;  // processed with the command's options
    QStringList arguments;             // its positional arguments
    Console& console;
    FileSystem& files;
    devices::SerialPorts& ports;
};

class Command {
public:
    virtual ~Command() = default;
    // One word, or two for a family of commands ("emulator upload").
    [[nodiscard]] virtual QString Name() const = 0;
    // The arguments after the name: "IMAGE [--format text|json|csv]".
    [[nodiscard]] virtual QString Synopsis() const = 0;
    // A few lines for --help, each under 76 characters.
    [[nodiscard]] virtual QString Description() const = 0;
    [[nodiscard]] virtual QList<QCommandLineOption> Options() const = 0;
    // The application object the command runs in, made before anything else
    // of Qt: a Qt Core one, without any display or platform plugin, unless
    // the command draws.
    [[nodiscard]] virtual std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) const;
    // The exit status.
    [[nodiscard]] virtual int Run(CommandRun& run) const = 0;
};

}  // namespace tarvik::tables
