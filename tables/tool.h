// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of tarvik-tables: dump, diff and apply, their options,
// messages and exit statuses.

#include <QStringList>
#include <string>
#include <string_view>

namespace tarvik::tables {

// Exit statuses, as diff(1) has them: diff ends with kDifferent when the
// images differ, apply when a value is illegal. kTrouble always means that
// nothing was written; kWrittenReportLost that apply wrote its image but
// could not say so on standard output.
inline constexpr int kSuccess = 0;
inline constexpr int kDifferent = 1;
inline constexpr int kIllegalValue = 1;
inline constexpr int kTrouble = 2;
inline constexpr int kWrittenReportLost = 3;

// Where a command's words go, as it runs.
class Console {
public:
    virtual ~Console() = default;
    // Standard output, written through at once; the system's reason when it
    // could not be (a full disk, a closed pipe), empty when written.
    [[nodiscard]] virtual std::string Out(std::string_view text) = 0;
    // Standard error.
    virtual void Err(std::string_view text) = 0;
};

// Runs one command line; arguments[0] is the program. Returns the exit
// status.
[[nodiscard]] int RunTablesTool(const QStringList& arguments, Console& console);

}  // namespace tarvik::tables
