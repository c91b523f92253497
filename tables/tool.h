// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of tarvik-tables: dump, diff and apply, their options,
// messages and exit statuses. Results and messages are gathered here and
// written by main, so that nothing reaches the terminal half-way.

#include <QStringList>
#include <string>

namespace tarvik::tables {

// Exit statuses, as diff(1) has them: diff ends with kDifferent when the
// images differ, apply when a value is illegal.
inline constexpr int kSuccess = 0;
inline constexpr int kDifferent = 1;
inline constexpr int kIllegalValue = 1;
inline constexpr int kTrouble = 2;

struct ToolRun {
    int status = kSuccess;
    std::string out;  // for standard output
    std::string err;  // for standard error
};

// Runs one command line; arguments[0] is the program.
[[nodiscard]] ToolRun RunTablesTool(const QStringList& arguments);

}  // namespace tarvik::tables
