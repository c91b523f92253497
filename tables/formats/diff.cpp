// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/diff.h"

#include <cstdio>

#include "image/codec.h"
#include "tables/formats/dump.h"

namespace tarvik::tables {

std::string DifferenceText(const CellChange& change) {
    const double difference = ParseLeadingNumber(change.after) - ParseLeadingNumber(change.before);
    return (difference > 0 ? "+" : "") + NumberText(difference);
}

std::string OffsetText(std::size_t offset) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04zX", offset);
    return buffer;
}

std::string RangeText(const ByteRange& range) {
    if (range.first == range.last) return OffsetText(range.first);
    return OffsetText(range.first) + '-' + OffsetText(range.last);
}

ImageDiff DiffImages(const ImageBytes& before, const ImageBytes& after) {
    ImageDiff diff;
    const FieldTexts old = DecodeTables(before);
    const FieldTexts now = DecodeTables(after);
    for (const Family family : kShownOrder) {
        for (const int index : ShownCells(family)) {
            const std::string& a = old.At(family, index);
            const std::string& b = now.At(family, index);
            if (a != b) diff.cells.push_back({family, index, a, b});
        }
    }
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        if (IsTableByte(offset) || before[offset] == after[offset]) continue;
        ++diff.outsideBytes;
        if (!diff.outsideRanges.empty() && diff.outsideRanges.back().last + 1 == offset) {
            diff.outsideRanges.back().last = offset;
        } else {
            diff.outsideRanges.push_back({offset, offset});
        }
    }
    return diff;
}

}  // namespace tarvik::tables
