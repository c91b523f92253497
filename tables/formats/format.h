// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One format of the tool's files as a unit: its name, the tables and a
// diff written in it, and, when a file in it can be read back, the cells
// such a file names. Each format is a file of its own in this folder
// (<name>_format.cpp); the commands and their help texts take the formats
// from the list (format_list.h).

#include <string>
#include <string_view>

#include "image/fields.h"
#include "tables/formats/diff.h"
#include "tables/formats/edits.h"

namespace tarvik::tables {

struct TableFormat {
    // As --format takes it and a table file's name ends with: "json".
    std::string_view name;
    // As a message names it: "JSON".
    std::string_view title;
    // All seven tables: the 310 field texts the editor shows for an image.
    std::string (*dump)(const FieldTexts& texts);
    // What differs between two images.
    std::string (*diff)(const ImageDiff& diff);
    // The cells a file in this format names; nullptr for a format that is
    // written for people and never read back.
    EditsResult (*readEdits)(std::string_view content);
};

}  // namespace tarvik::tables
