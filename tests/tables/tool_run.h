// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// tarvik-tables run in the test's own process, on the real file system: its
// exit status, standard output and standard error.

#include <string>
#include <string_view>

#include "platform/qt_file_system.h"
#include "tables/cli/tool.h"

namespace tarvik::tables {

struct Finished {
    int status = -1;  // -1: crashed or did not finish
    std::string out;
    std::string err;
};

// Standard output and error of a run in this process; output fails with a
// full disk's reason when asked to.
class CapturedConsole final : public Console {
public:
    explicit CapturedConsole(bool full = false) : full_(full) {}
    std::string out;
    std::string err;
    std::string Out(std::string_view text) override {
        if (full_) return "No space left on device";
        out += text;
        return {};
    }
    void Err(std::string_view text) override { err += text; }
    void Progress(std::string_view /*line*/) override {}
    [[nodiscard]] bool Interrupted() const override { return false; }

private:
    bool full_;
};

[[nodiscard]] inline Finished RunInProcess(const QStringList& arguments, bool fullDisk = false) {
    CapturedConsole console(fullDisk);
    QtFileSystem files;
    const int status = RunTablesTool(QStringList{QStringLiteral("tarvik-tables")} + arguments, console, files);
    return {status, console.out, console.err};
}

}  // namespace tarvik::tables
