// SPDX-License-Identifier: GPL-3.0-or-later
// tarvik-tables: the calibration tables of LH 2.2 EPROM images on the
// command line, for scripts, spreadsheets and git.

#include <QCoreApplication>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tables/tool.h"

namespace {

// False when the stream refused the text (a full disk, a closed pipe).
[[nodiscard]] bool WriteAll(std::FILE* stream, const std::string& text) {
    if (text.empty()) return true;
    return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    const tarvik::tables::ToolRun run = tarvik::tables::RunTablesTool(QCoreApplication::arguments());
    if (!WriteAll(stdout, run.out)) {
        const int reason = errno;
        std::fprintf(stderr, "Cannot write the results.\n%s\n", std::strerror(reason));
        return tarvik::tables::kTrouble;
    }
    (void)WriteAll(stderr, run.err);
    return run.status;
}
