// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every command of tarvik-tables, in the order --help lists them. A new
// command is a unit of its own in this folder and one line in
// command_list.cpp.

#include <QString>
#include <memory>
#include <vector>

#include "tables/commands/command.h"

namespace tarvik::tables {

[[nodiscard]] const std::vector<std::unique_ptr<const Command>>& Commands();

// The command of that name, or nullptr.
[[nodiscard]] const Command* FindCommand(const QString& name);

}  // namespace tarvik::tables
