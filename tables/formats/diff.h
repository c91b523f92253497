// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What differs between two images: the table cells, as the editor shows
// them, and the bytes outside the tables, reported by offset only (the tool
// does not know what they mean).

#include <cstddef>
#include <string>
#include <vector>

#include "image/image_bytes.h"
#include "tables/cells.h"

namespace tarvik::tables {

struct CellChange {
    Family family = Family::Data;
    int index = 0;
    std::string before;  // the field texts
    std::string after;
};

// Offsets first..last, both included.
struct ByteRange {
    std::size_t first = 0;
    std::size_t last = 0;
};

struct ImageDiff {
    std::vector<CellChange> cells;  // in the order of a dump
    std::size_t outsideBytes = 0;   // differing bytes outside the tables
    std::vector<ByteRange> outsideRanges;

    [[nodiscard]] bool Same() const { return cells.empty() && outsideBytes == 0; }
};

// "0x0FFF"; "0x0010-0x0011" for a range: offsets as every message of the
// tool writes them.
[[nodiscard]] std::string OffsetText(std::size_t offset);
[[nodiscard]] std::string RangeText(const ByteRange& range);

[[nodiscard]] ImageDiff DiffImages(const ImageBytes& before, const ImageBytes& after);

// Text: per table its title and one line per changed cell, "old -> new
// (difference)", then one line for the bytes outside the tables; nothing
// when the images are the same. JSON: every table by its key with a list of
// changes, and "outside_tables". CSV: one line per changed cell, then one
// per range of differing bytes outside the tables.
[[nodiscard]] std::string FormatDiff(const ImageDiff& diff, Format format);

}  // namespace tarvik::tables
