// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The table tool's view of the seven tables: where a cell stands in its
// files, the caption a person reads beside it, and how numbers are written
// and which texts count as numbers.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/layout.h"

namespace tarvik::tables {

// A cell as the tool's files name it, counted from 0. The fuel map by its
// grid: row 0 at the top (6096 rpm), column 0 at the left, as the editor
// shows it. The other tables by row, cell 0 at the top, and column 0.
struct CellPosition {
    int row = 0;
    int column = 0;
};

[[nodiscard]] CellPosition PositionOf(Family family, int index);

// The cell at a position, or nothing when the table has no such cell.
[[nodiscard]] std::optional<int> IndexAt(Family family, int row, int column);

// The caption the editor shows beside a cell: "6096 rpm" for a fuel-map row,
// "> 99" or "6899" in the other tables; empty for the rev limit and the
// control constant, which stand alone.
[[nodiscard]] std::string CaptionOf(Family family, int index);

// The table a file names by its key ("fuel_map", ...), or nullptr.
[[nodiscard]] const TableLayout* FindTable(std::string_view key);

// A table's cells in the order the editor shows them: the fuel map row by
// row from the top left, the others from the top.
[[nodiscard]] std::vector<int> ShownCells(Family family);

// How messages name a cell: "fuel_map row 0 (6096 rpm) column 3",
// "warmup_enrichment row 15 (< -40)", "rev_limit".
[[nodiscard]] std::string DescribeCell(Family family, int index);

// The shortest decimal text that reads back as exactly `value`, never with
// an exponent, which a field does not read: "1.9921875", "12", "-0.5".
[[nodiscard]] std::string NumberText(double value);

// Why a value from a file is not a plain number (optional sign, digits, at
// most one point; blanks around it are allowed), to follow the value in a
// message ("is empty", "has a decimal comma", "is not a plain number"), or
// empty when it is one. A plain number reads the same in a field and in the
// file, so a file stores what its reader sees; a field would read "1,5" or
// "1e3" as 1.
[[nodiscard]] std::string_view PlainNumberProblem(std::string_view text);
inline constexpr std::string_view kDecimalComma = "has a decimal comma";

// Text from a file as a message shows it: control characters (a line
// break, an escape, a NUL) written as "\x1b", so that a file cannot move the
// cursor, change colours or cut a message short on the terminal.
[[nodiscard]] std::string Printable(std::string_view text);

// "1 byte", "2 bytes": a count with its noun, singular for one.
[[nodiscard]] std::string Counted(std::size_t count, std::string_view one, std::string_view many);

// Text without the blanks around it.
[[nodiscard]] std::string_view Trimmed(std::string_view text);

}  // namespace tarvik::tables
