// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/dump.h"

#include "image/codec.h"
#include "tables/formats/format.h"

namespace tarvik::tables {

FieldTexts DecodeTables(const ImageBytes& image) {
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    return texts;
}

std::string DumpTables(const ImageBytes& image, const TableFormat& format) { return format.dump(DecodeTables(image)); }

}  // namespace tarvik::tables
