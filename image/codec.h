// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "image/fields.h"
#include "image/image_bytes.h"

namespace tarvik {

// Binary digits of `value`, most significant first, no leading zeros;
// 0 gives "0".
[[nodiscard]] std::string ByteToBits(unsigned value);

// The number a field's text stands for. Spaces, tabs and line feeds are
// removed first; then an optional sign, digits and at most one "." are read
// and reading stops at the first other character. Exponents ("1e3" reads 1)
// and radix prefixes ("0x10" reads 0) are not read. Empty or non-numeric
// text gives 0. A number too large for a double gives +/-infinity, never
// undefined behaviour.
[[nodiscard]] double ParseLeadingNumber(std::string_view text);
// The same reading of a UTF-16 text, as the editor's fields hold theirs: a
// character outside ASCII ends the number, as its UTF-8 bytes would.
[[nodiscard]] double ParseLeadingNumber(std::u16string_view text);

// Round half to even; nothing when the rounded value is outside 0..255 or
// the value is not finite.
[[nodiscard]] std::optional<std::uint8_t> ConvertToByte(double value);

// The control constant's text for its stored byte: byte / 128 in its
// shortest exact decimal form, "0.00" and "1.00" for 0 and 128.
[[nodiscard]] std::string ControlConstantText(std::uint8_t byte);

// Fills all 310 fields from the image: the fuel map first (cells 0..255),
// then rev limit, warm-up, full load, acceleration, idle speed and the
// control constant last. Never writes to the image.
void LoadFieldsFromImage(const ImageBytes& image, FieldSink& fields);

struct StoreResult {
    bool ok = true;
    // When !ok: the first table holding an illegal value.
    const TableLayout* failedTable = nullptr;
    // When !ok: the field of that table whose value stopped the store.
    int failedIndex = -1;
};

// "Illegal value in the rev limit field(s)": what a store stopped by an
// illegal value says, naming the table by its name (TableLayout::name).
[[nodiscard]] std::string IllegalValueMessage(std::string_view tableName);

// Reads every field in store order and writes its bytes into the image as
// it goes. Stops at the first illegal value, leaving the bytes written so
// far in place. Touches no byte outside the 374 table bytes.
[[nodiscard]] StoreResult StoreFieldsToImage(const FieldSource& fields, ImageBytes& image);

}  // namespace tarvik
