// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seven tables of an image written out for people, for git and for
// programs: every value exactly as the editor shows it after Open.

#include <string>

#include "image/fields.h"
#include "image/image_bytes.h"
#include "tables/cells.h"

namespace tarvik::tables {

// The version of the JSON written by dump and diff and read by apply.
inline constexpr int kJsonFormatVersion = 1;

// The 310 field texts the editor shows for the image.
[[nodiscard]] FieldTexts DecodeTables(const ImageBytes& image);

// All seven tables. Text: the fuel map one row a line, then the other
// tables one cell a line, then the rev limit and the control constant;
// fixed widths, so that a changed cell changes one line. JSON: one object
// keyed by the tables' stable names. CSV: "table,row,column,caption,value"
// and one line per cell, in the order of the text.
[[nodiscard]] std::string DumpTables(const ImageBytes& image, Format format);

// The header line of a CSV dump, without its line end.
inline constexpr std::string_view kCsvHeader = "table,row,column,caption,value";

}  // namespace tarvik::tables
