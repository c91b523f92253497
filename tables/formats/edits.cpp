// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/edits.h"

#include <algorithm>

#include "image/codec.h"
#include "tables/formats/dump.h"
#include "tables/formats/format.h"

namespace tarvik::tables {

EditsResult Refused(std::string error) { return {{}, std::move(error)}; }

std::string Counted(std::size_t count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 200;
    if (text.size() <= kShown) return "\"" + Printable(text) + "\"";
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    return "\"" + Printable(text.substr(0, cut)) + "...\"";
}

EditsResult ReadEdits(const TableFormat& format, std::string_view content) {
    if (format.readEdits == nullptr) {
        return Refused("a " + std::string(format.title) + " file is written for people and cannot be read back");
    }
    return format.readEdits(content);
}

ApplyResult ApplyEdits(const ImageBytes& image, const std::vector<CellEdit>& edits) {
    const FieldTexts own = DecodeTables(image);
    FieldTexts texts = own;
    for (const CellEdit& edit : edits) texts.At(edit.family, edit.index) = edit.text;

    ApplyResult result{image, {}};
    StoreResult stored = StoreFieldsToImage(texts, result.image);
    if (stored.ok) return result;
    // The editor's message names the first table in store order.
    result.error = IllegalValueMessage(stored.failedTable->name);

    // Every illegal cell of the file: a cell is judged on its own value, so
    // each one found is put back to the image's own (always legal) value and
    // the store run again until it goes through.
    struct Illegal {
        std::size_t edit;  // its place in the file
        Family family;
        int index;
    };
    std::vector<Illegal> illegal;
    while (!stored.ok && stored.failedIndex >= 0) {
        const Family family = stored.failedTable->family;
        const int index = stored.failedIndex;
        const auto edit = std::find_if(edits.begin(), edits.end(),
                                       [&](const CellEdit& e) { return e.family == family && e.index == index; });
        if (edit == edits.end() || texts.At(family, index) == own.At(family, index)) break;
        illegal.push_back({static_cast<std::size_t>(edit - edits.begin()), family, index});
        texts.At(family, index) = own.At(family, index);
        ImageBytes scratch = image;
        stored = StoreFieldsToImage(texts, scratch);
    }
    std::sort(illegal.begin(), illegal.end(), [](const Illegal& a, const Illegal& b) { return a.edit < b.edit; });
    for (const Illegal& cell : illegal) {
        const CellEdit& edit = edits[cell.edit];
        result.error +=
            "\n" + DescribeCell(cell.family, cell.index) + ": " + Quoted(edit.text) + " (" + edit.source + ")";
    }
    return result;
}

}  // namespace tarvik::tables
