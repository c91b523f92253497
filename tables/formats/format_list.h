// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every format of the tool's files, in the order help texts name them. A
// new format is a unit of its own in this folder (<name>_format.cpp) and
// one line in format_list.cpp: --format, its checks, the formats apply
// reads and every help text come from this list.

#include <string_view>
#include <vector>

#include "tables/formats/format.h"

namespace tarvik::tables {

[[nodiscard]] const std::vector<const TableFormat*>& Formats();

// Those whose files are read back, as apply reads them.
[[nodiscard]] std::vector<const TableFormat*> ReadableFormats();

// The format of that name in any letter case, as --format or a table
// file's name ending gives it ("JSON" is json); nullptr when there is none.
[[nodiscard]] const TableFormat* FindFormat(std::string_view name);

// The format for people, first in the list: what a command writes unless
// told otherwise, and how a report shows a diff.
[[nodiscard]] const TableFormat& TextFormat();

// The format for programs, which info writes too.
[[nodiscard]] const TableFormat& JsonFormat();

}  // namespace tarvik::tables
