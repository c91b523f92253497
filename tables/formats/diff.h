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

// The new value less the old, signed as a diff shows it: "+952", "-8".
[[nodiscard]] std::string DifferenceText(const CellChange& change);

}  // namespace tarvik::tables
