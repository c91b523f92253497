// SPDX-License-Identifier: GPL-3.0-or-later
// tarvik-tables: the calibration tables of LH 2.2 EPROM images on the
// command line, for scripts, spreadsheets and git.

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#include "devices/qt_serial_ports.h"
#include "generated/version.h"
#include "platform/file_names.h"
#include "platform/qt_file_system.h"
#include "tables/cells.h"
#include "tables/cli/tool.h"

namespace {

std::atomic<bool> interrupted{false};

extern "C" void OnInterrupt(int /*signal*/) { interrupted = true; }

class StandardStreams final : public tarvik::tables::Console {
public:
    StandardStreams() : terminal_(::isatty(STDERR_FILENO) == 1) {}

    std::string Out(std::string_view text) override {
        if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) return {};
        const int reason = errno;
        return reason != 0 ? std::strerror(reason) : "The output was cut short.";
    }
    void Err(std::string_view text) override {
        Progress({});
        // Messages quote file names and file contents: no byte of them may
        // reach the terminal as a control character. Line breaks are the
        // messages' own.
        std::string shown;
        std::size_t from = 0;
        while (from <= text.size()) {
            std::size_t end = text.find('\n', from);
            if (end == std::string_view::npos) end = text.size();
            shown += tarvik::tables::Printable(text.substr(from, end - from));
            if (end < text.size()) shown += '\n';
            from = end + 1;
        }
        Write(shown);
    }
    void Progress(std::string_view line) override {
        if (!terminal_ || (line.empty() && !progressShown_)) return;
        // Back to the line's start, the new text, the rest of the old cleared.
        Write("\r" + tarvik::tables::Printable(line) + "\x1b[K");
        progressShown_ = !line.empty();
    }
    [[nodiscard]] bool Interrupted() const override { return interrupted; }

private:
    static void Write(const std::string& text) {
        (void)std::fwrite(text.data(), 1, text.size(), stderr);
        (void)std::fflush(stderr);
    }

    bool terminal_;
    bool progressShown_ = false;
};

// The command line as given: a file name in any bytes is that name (Qt's
// own arguments() would turn bytes that are not UTF-8 into U+FFFD).
[[nodiscard]] QStringList Arguments(int argc, char* argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << tarvik::FileNameFromBytes(argv[i]);
    return arguments;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The command decides what kind of application runs it: a Qt Core one,
    // needing no display, unless it draws.
    const tarvik::tables::Command* command = tarvik::tables::CommandOf(Arguments(argc, argv));
    const std::unique_ptr<QCoreApplication> app =
        command != nullptr ? command->MakeApplication(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvik-tables"));
    QCoreApplication::setApplicationVersion(QString::fromStdString(tarvik::ProgramVersionNumber()));

    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that goes away (tarvik-tables ... | head -1) is a failed
    // write, said and ended with status 2, never a death by signal.
    std::signal(SIGPIPE, SIG_IGN);

    StandardStreams console;
    tarvik::QtFileSystem files;
    tarvik::devices::QtSerialPorts ports;
    // Read again: a drawing command's application takes its own options
    // out of argv.
    return tarvik::tables::RunTablesTool(Arguments(argc, argv), console, files, ports);
}
