// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The seven tables of an image written out for people, for git and for
// programs: every value exactly as the editor shows it after Open.

#include <string>

#include "image/fields.h"
#include "image/image_bytes.h"
#include "tables/cells.h"

namespace tarvik::tables {

struct TableFormat;

// The 310 field texts the editor shows for the image.
[[nodiscard]] FieldTexts DecodeTables(const ImageBytes& image);

// All seven tables of the image, written in the format.
[[nodiscard]] std::string DumpTables(const ImageBytes& image, const TableFormat& format);

}  // namespace tarvik::tables
