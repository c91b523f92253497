// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Cells named by a table file (JSON as dump writes it, or CSV), and storing
// them into an image exactly as the editor's Save As stores its fields.

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

// JSON: an object with any of the tables by their keys, each as dump writes
// it. A null keeps the image's value; "captions" is not read; an optional
// "format_version" must be the one written by dump.
// A key named twice in one object is refused; values are taken as the file
// writes them and must be plain numbers, as in CSV.
[[nodiscard]] EditsResult ReadJsonEdits(std::string_view content);

// CSV: the header "table,row,column,caption,value", then one line per
// cell; "caption" is not read. Blank lines are skipped; a cell named twice
// is refused.
[[nodiscard]] EditsResult ReadCsvEdits(std::string_view content);

// A table file in either format: what apply reads.
[[nodiscard]] EditsResult ReadEdits(Format format, std::string_view content);

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
