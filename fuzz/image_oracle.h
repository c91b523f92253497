#pragma once

// What a store and a decoding must leave, worked out from the image layout
// with literal offsets, apart from the codec it is used to check (by the
// fuzz targets and by the editor's long session test). Only
// ParseLeadingNumber is shared: it is the one reading of a field's text; the
// rounding here is std::nearbyint of the whole value.

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "image/codec.h"
#include "image/fields.h"

namespace tarvik::oracle {

struct ByteTable {
    Family family;
    int count;
    std::size_t offset;
    double scale;  // text value x scale is the stored byte
    std::string_view name;
};

// The six one-byte-per-cell tables, in the order a store handles them.
inline constexpr std::array<ByteTable, 6> kByteTables{{
    {Family::RL, 1, 1438, 1.0, "rev limit"},
    {Family::WE, 17, 2050, 1.0, "warmup enrichment"},
    {Family::FLE, 17, 2086, 1.0, "full load enrichment"},
    {Family::AE, 9, 2103, 1.0, "acceleration enrichment"},
    {Family::IS, 9, 2178, 1.0, "idle speed"},
    {Family::CC, 1, 3235, 128.0, "control constant"},
}};
inline constexpr std::string_view kFuelName = "kennfelt";
inline constexpr std::size_t kLowBytes = 768;     // one per fuel-map cell
inline constexpr std::size_t kPackedBytes = 2304;  // 64, four cells' high bits each

[[nodiscard]] inline bool IsTableOffset(std::size_t offset) {
    if (offset >= kLowBytes && offset < kLowBytes + 256) return true;
    if (offset >= kPackedBytes && offset < kPackedBytes + 64) return true;
    for (const ByteTable& t : kByteTables) {
        if (offset >= t.offset && offset < t.offset + static_cast<std::size_t>(t.count)) return true;
    }
    return false;
}

struct FieldRef {
    Family family;
    int index;
};

// All 310 fields: the fuel map's 256 cells, then the byte tables.
[[nodiscard]] inline std::array<FieldRef, 310> AllFields() {
    std::array<FieldRef, 310> all{};
    std::size_t n = 0;
    for (int i = 0; i < 256; ++i) all[n++] = {Family::Data, i};
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) all[n++] = {t.family, i};
    }
    return all;
}

// byte / 128 written out in full: 1/128 = 0.0078125, so the fraction's
// digits are (byte mod 128) x 78125 in seven places, trailing zeros dropped;
// a whole value gets ".00".
[[nodiscard]] inline std::string ControlConstantShown(unsigned byte) {
    const unsigned fraction = (byte % 128) * 78125;
    std::string text = std::to_string(byte / 128) + ".";
    if (fraction == 0) return text + "00";
    std::string digits = std::to_string(fraction);
    digits.insert(0, 7 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    return text + digits;
}

// Fuel-map cell straight from the layout: low byte at 768 + i, high bits in
// bits 7-6 (cell 4q) down to 1-0 (cell 4q+3) of the byte at 2304 + q.
[[nodiscard]] inline unsigned FuelCell(const ImageBytes& image, int cell) {
    const auto i = static_cast<std::size_t>(cell);
    const unsigned shift = 6 - 2 * static_cast<unsigned>(i % 4);
    return 256 * ((image[kPackedBytes + i / 4] >> shift) & 3u) + image[kLowBytes + i];
}

// The texts a decoding must show for an image.
[[nodiscard]] inline FieldTexts ShownTexts(const ImageBytes& image) {
    FieldTexts shown;
    for (int i = 0; i < 256; ++i) shown.At(Family::Data, i) = std::to_string(FuelCell(image, i));
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) {
            const unsigned byte = image[t.offset + static_cast<std::size_t>(i)];
            shown.At(t.family, i) = t.family == Family::CC ? ControlConstantShown(byte) : std::to_string(byte);
        }
    }
    return shown;
}

// Whether a store accepts this text in a field of this family.
[[nodiscard]] inline bool IsLegal(Family family, std::string_view text) {
    const double x = ParseLeadingNumber(text);
    if (family == Family::Data) {
        if (!(x >= 0.0 && x < 1024.0)) return false;
        return std::nearbyint(x) < 256.0 * (std::floor(x / 256.0) + 1.0) && std::nearbyint(x) <= 1023.0;
    }
    const double rounded = std::nearbyint(x * (family == Family::CC ? 128.0 : 1.0));
    return rounded >= 0.0 && rounded <= 255.0;
}

struct StoreExpectation {
    bool ok = true;
    std::string_view failedTable;  // when !ok
    ImageBytes image{};            // the whole image after the store
};

// The image a store of `texts` into `before` must leave: each byte-table
// field written as soon as it is read; the fuel map converted whole first
// (an illegal cell leaves all of it alone), then its low bytes written, then
// its packed bytes only if every cell is below 1024.
[[nodiscard]] inline StoreExpectation ExpectStore(const FieldSource& texts, const ImageBytes& before) {
    StoreExpectation e;
    e.image = before;
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) {
            const double rounded = std::nearbyint(ParseLeadingNumber(texts.FieldText(t.family, i)) * t.scale);
            if (!(rounded >= 0.0 && rounded <= 255.0)) return {false, t.name, e.image};
            e.image[t.offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(rounded);
        }
    }

    std::array<unsigned, 256> value{};
    std::array<unsigned, 256> high{};
    for (int i = 255; i >= 0; --i) {
        const double x = ParseLeadingNumber(texts.FieldText(Family::Data, i));
        if (!(x >= 0.0 && x < 32768.0)) return {false, kFuelName, e.image};
        const auto h = static_cast<unsigned>(std::floor(x / 256.0));
        const auto rounded = static_cast<unsigned>(std::nearbyint(x));
        // The low byte is the part above 256 x h; rounding it up to 256 is
        // illegal, not a carry into the high part.
        if (rounded - 256 * h > 255) return {false, kFuelName, e.image};
        value[static_cast<std::size_t>(i)] = rounded;
        high[static_cast<std::size_t>(i)] = h;
    }
    for (std::size_t i = 0; i < 256; ++i) e.image[kLowBytes + i] = static_cast<std::uint8_t>(value[i] - 256 * high[i]);
    for (unsigned h : high) {
        if (h > 3) return {false, kFuelName, e.image};
    }
    for (std::size_t q = 0; q < 64; ++q) {
        e.image[kPackedBytes + q] =
            static_cast<std::uint8_t>(high[4 * q] << 6 | high[4 * q + 1] << 4 | high[4 * q + 2] << 2 | high[4 * q + 3]);
    }
    return e;
}

}  // namespace tarvik::oracle
