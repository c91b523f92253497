// SPDX-License-Identifier: GPL-3.0-or-later
// tarvik-tables: the calibration tables of LH 2.2 EPROM images on the
// command line, for scripts, spreadsheets and git.

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tables/cells.h"
#include "tables/tool.h"

namespace {

class StandardStreams final : public tarvik::tables::Console {
public:
    std::string Out(std::string_view text) override {
        if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) return {};
        const int reason = errno;
        return reason != 0 ? std::strerror(reason) : "The output was cut short.";
    }
    void Err(std::string_view text) override {
        // Messages quote file names and file contents: no byte of them may
        // reach the terminal as a control character. Line breaks are the
        // messages' own.
        std::string shown;
        std::size_t from = 0;
        for (std::size_t end = text.find('\n'); from <= text.size(); end = text.find('\n', from)) {
            if (end == std::string_view::npos) end = text.size();
            shown += tarvik::tables::Printable(text.substr(from, end - from));
            if (end < text.size()) shown += '\n';
            from = end + 1;
        }
        (void)std::fwrite(shown.data(), 1, shown.size(), stderr);
        (void)std::fflush(stderr);
    }
};

}  // namespace

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    StandardStreams console;
    return tarvik::tables::RunTablesTool(QCoreApplication::arguments(), console);
}
