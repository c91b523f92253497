// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The command line of tarvik-tables: which command runs, its options taken
// or refused by the parser, --help and --version; all from the list of
// commands.

#include <QStringList>

#include "tables/commands/command.h"

namespace tarvik::tables {

// The command a command line names (arguments[0] is the program), or
// nullptr; to be asked before any application object is made.
[[nodiscard]] const Command* CommandOf(const QStringList& arguments);

// Runs one command line; arguments[0] is the program. Returns the exit
// status.
[[nodiscard]] int RunTablesTool(const QStringList& arguments, Console& console, FileSystem& files,
                                devices::SerialPorts& ports);

}  // namespace tarvik::tables
