// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Cells named by a table file, and storing them into an image exactly as
// the editor's Save As stores its fields.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"
#include "tables/cells.h"

namespace tarvik::tables {

// One cell a file names, and the text it puts into the cell's field.
struct CellEdit {
    Family family = Family::Data;
    int index = 0;
    std::string text;    // always a plain number
    std::string source;  // where the file names it: "line 7", "fuel_map.values[0][3]"
};

struct EditsResult {
    std::vector<CellEdit> edits;
    // Why the file cannot be used, beginning with the place in it; empty
    // when it can.
    std::string error;
};

struct TableFormat;

// A table file read by the reader of its format, what apply reads; a
// format without one is refused, and nothing is read as another format.
[[nodiscard]] EditsResult ReadEdits(const TableFormat& format, std::string_view content);

// For the readers of the formats: a file refused for the reason given,
// "1 row" and "15 rows", and text from a file in quotes as a message shows
// it, a long one cut short, as no cell or table is named by more than a few
// words.
[[nodiscard]] EditsResult Refused(std::string error);
[[nodiscard]] std::string Counted(std::size_t count, std::string_view noun);
[[nodiscard]] std::string Quoted(std::string_view text);

struct ApplyResult {
    ImageBytes image{};  // the stored image, when error is empty
    // When a value is illegal: the editor's message, then every illegal
    // cell in the order of the file, each with its text and where the file
    // names it.
    std::string error;
};

// The image's field texts with the edits put in, stored by the editor's
// rules into a copy of the image. Bytes outside the tables stay the image's.
[[nodiscard]] ApplyResult ApplyEdits(const ImageBytes& image, const std::vector<CellEdit>& edits);

}  // namespace tarvik::tables
