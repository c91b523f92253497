// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// tarvik-tables run in the test's own process, on the real file system: its
// exit status, standard output and standard error.

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/qt_file_system.h"
#include "tables/cli/tool.h"
#include "tables/devices/qt_serial_ports.h"

namespace tarvik::tables {

struct Finished {
    int status = -1;  // -1: crashed or did not finish
    std::string out;
    std::string err;
};

// Standard output and error of a run in this process, readable while it
// runs on another thread; output fails with a full disk's reason when asked
// to, and `interrupt` stands for Ctrl+C.
class CapturedConsole final : public Console {
public:
    explicit CapturedConsole(bool full = false) : full_(full) {}
    std::string out;
    std::string err;
    std::atomic<bool> interrupt{false};
    std::string Out(std::string_view text) override {
        if (full_) return "No space left on device";
        const std::lock_guard lock(mutex_);
        out += text;
        return {};
    }
    void Err(std::string_view text) override {
        const std::lock_guard lock(mutex_);
        err += text;
    }
    void Progress(std::string_view /*line*/) override {}
    [[nodiscard]] bool Interrupted() const override { return interrupt; }
    [[nodiscard]] std::string OutSoFar() const {
        const std::lock_guard lock(mutex_);
        return out;
    }

private:
    bool full_;
    mutable std::mutex mutex_;
};

[[nodiscard]] inline int RunInProcess(const QStringList& arguments, CapturedConsole& console) {
    QtFileSystem files;
    QtSerialPorts ports;
    return RunTablesTool(QStringList{QStringLiteral("tarvik-tables")} + arguments, console, files, ports);
}

[[nodiscard]] inline Finished RunInProcess(const QStringList& arguments, bool fullDisk = false) {
    CapturedConsole console(fullDisk);
    QtFileSystem files;
    QtSerialPorts ports;
    const int status = RunTablesTool(QStringList{QStringLiteral("tarvik-tables")} + arguments, console, files, ports);
    return {status, console.out, console.err};
}

}  // namespace tarvik::tables
