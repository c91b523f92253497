// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The calibration image as the tests state it, apart from the code under
// test: where each table lies, how a fuel-map cell is split into a low byte
// and two packed high bits, the text each value is shown as, how a field's
// text is read and rounded, and the exact image a store must leave behind,
// failures included. Every fact is written out here with literal offsets;
// only the types (Family, the field containers, ImageBytes) come from the
// image library. The image and editor tests and the fuzz targets all check
// the codec against this one statement, so it needs nothing else, not even
// GoogleTest.

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "image/fields.h"
#include "image/image_bytes.h"

namespace tarvik::testing::oracle {

static_assert(std::tuple_size_v<ImageBytes> == 4096, "an image is the whole 4 KiB EPROM");

// The fuel map: 256 cells of 10 bits. Cell i keeps its low byte at 768 + i
// and its two high bits in the packed byte 2304 + i / 4: cell 4q in bits
// 7-6, cell 4q + 3 in bits 1-0.
inline constexpr int kMapCells = 256;
inline constexpr std::size_t kLowStart = 768;
inline constexpr std::size_t kPackedStart = 2304;
inline constexpr std::size_t kPackedCount = 64;
inline constexpr std::string_view kFuelName = "kennfelt";

// The six tables of one byte per cell, in the order a store handles them
// (the fuel map comes after them).
struct ByteTable {
    Family family;
    int count;
    std::size_t offset;
    double scale;  // the text's value times this is the stored byte
    std::string_view name;
};
inline constexpr std::array<ByteTable, 6> kByteTables{{
    {Family::RL, 1, 1438, 1.0, "rev limit"},
    {Family::WE, 17, 2050, 1.0, "warmup enrichment"},
    {Family::FLE, 17, 2086, 1.0, "full load enrichment"},
    {Family::AE, 9, 2103, 1.0, "acceleration enrichment"},
    {Family::IS, 9, 2178, 1.0, "idle speed"},
    {Family::CC, 1, 3235, 128.0, "control constant"},
}};

// One of the 374 bytes the tables occupy; every other byte of an image
// passes through the editor untouched.
[[nodiscard]] inline bool IsTableOffset(std::size_t offset) {
    if (offset >= kLowStart && offset < kLowStart + kMapCells) return true;
    if (offset >= kPackedStart && offset < kPackedStart + kPackedCount) return true;
    for (const ByteTable& t : kByteTables) {
        if (offset >= t.offset && offset < t.offset + static_cast<std::size_t>(t.count)) return true;
    }
    return false;
}

// The 374 table bytes, lowest offset first.
[[nodiscard]] inline std::vector<std::size_t> TableOffsets() {
    std::vector<std::size_t> offsets;
    for (std::size_t offset = 0; offset < std::tuple_size_v<ImageBytes>; ++offset) {
        if (IsTableOffset(offset)) offsets.push_back(offset);
    }
    return offsets;
}

struct FieldRef {
    Family family;
    int index;
};

// All 310 fields in the order a decoding fills them: the fuel map's cells
// 0..255, then the byte tables in store order.
[[nodiscard]] inline std::array<FieldRef, 310> AllFields() {
    std::array<FieldRef, 310> all{};
    std::size_t n = 0;
    for (int i = 0; i < kMapCells; ++i) all[n++] = {Family::Data, i};
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) all[n++] = {t.family, i};
    }
    return all;
}

// ---------------------------------------------------------------------------
// Fuel-map cells in an image

[[nodiscard]] inline unsigned PackedShift(int cell) { return 6 - 2 * static_cast<unsigned>(cell % 4); }

[[nodiscard]] inline unsigned FuelCell(const ImageBytes& image, int cell) {
    const auto i = static_cast<std::size_t>(cell);
    return 256 * ((image[kPackedStart + i / 4] >> PackedShift(cell)) & 3u) + image[kLowStart + i];
}

inline void PutFuelLow(ImageBytes& image, int cell, unsigned value) {
    image[kLowStart + static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(value & 0xFFu);
}

inline void PutFuelHigh(ImageBytes& image, int cell, unsigned value) {
    const unsigned shift = PackedShift(cell);
    auto& packed = image[kPackedStart + static_cast<std::size_t>(cell) / 4];
    packed = static_cast<std::uint8_t>((packed & ~(3u << shift)) | (((value >> 8) & 3u) << shift));
}

inline void PutFuelCell(ImageBytes& image, int cell, unsigned value) {
    PutFuelLow(image, cell, value);
    PutFuelHigh(image, cell, value);
}

// ---------------------------------------------------------------------------
// What a decoding shows

// The control constant's byte / 128 written out in full: 1/128 = 0.0078125,
// so the fraction's digits are (byte mod 128) x 78125 in seven places,
// trailing zeros dropped; a whole value gets ".00".
[[nodiscard]] inline std::string ControlConstantShown(unsigned byte) {
    const unsigned fraction = (byte % 128) * 78125;
    std::string text = std::to_string(byte / 128) + ".";
    if (fraction == 0) return text + "00";
    std::string digits = std::to_string(fraction);
    digits.insert(0, 7 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    return text + digits;
}

// The text a byte-table field shows for its stored byte.
[[nodiscard]] inline std::string ByteShown(Family family, unsigned byte) {
    return family == Family::CC ? ControlConstantShown(byte) : std::to_string(byte);
}

// The texts a decoding must show for an image.
[[nodiscard]] inline FieldTexts ShownTexts(const ImageBytes& image) {
    FieldTexts shown;
    for (int i = 0; i < kMapCells; ++i) shown.At(Family::Data, i) = std::to_string(FuelCell(image, i));
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) {
            shown.At(t.family, i) = ByteShown(t.family, image[t.offset + static_cast<std::size_t>(i)]);
        }
    }
    return shown;
}

// ---------------------------------------------------------------------------
// What a store makes of texts

// The number a field's text stands for. Blanks (space, tab, line feed) do
// not count wherever they stand; then come an optional sign and digits with
// at most one point, up to the first other character. Without a digit the
// text reads 0. A number too large for a double reads as infinite, so that
// it is refused; a fraction too small for one reads 0.
[[nodiscard]] inline double ReadNumber(std::string_view text) {
    std::string kept;
    for (const char c : text) {
        if (c != ' ' && c != '\t' && c != '\n') kept += c;
    }
    std::size_t end = 0;
    const bool negative = !kept.empty() && kept[0] == '-';
    if (!kept.empty() && (kept[0] == '-' || kept[0] == '+')) end = 1;
    const std::size_t start = end;
    bool point = false;
    bool digit = false;
    for (; end < kept.size(); ++end) {
        if (kept[end] >= '0' && kept[end] <= '9') {
            digit = true;
        } else if (kept[end] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digit) return 0.0;
    const std::string_view number(kept.data() + start, end - start);
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        const bool wholePart = number.substr(0, number.find('.')).find_first_not_of('0') != std::string_view::npos;
        value = wholePart ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

struct StoreExpectation {
    bool ok = true;
    std::string_view failedTable;  // when !ok
    ImageBytes image{};            // the whole image after the store
};

// The image a store of `texts` into `before` must leave: each byte-table
// field written as soon as it is read, in store order; the fuel map read
// from its last cell down and converted whole first (an illegal cell leaves
// all of it alone), then its low bytes written, then its packed bytes only
// if every cell is below 1024.
[[nodiscard]] inline StoreExpectation ExpectStore(const FieldSource& texts, const ImageBytes& before) {
    StoreExpectation e;
    e.image = before;
    auto refuse = [&e](std::string_view table) {
        e.ok = false;
        e.failedTable = table;
        return e;
    };
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) {
            const double rounded = std::nearbyint(ReadNumber(texts.FieldText(t.family, i)) * t.scale);
            if (!(rounded >= 0.0 && rounded <= 255.0)) return refuse(t.name);
            e.image[t.offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(rounded);
        }
    }

    std::array<unsigned, kMapCells> value{};
    bool aboveLargest = false;
    for (int i = kMapCells - 1; i >= 0; --i) {
        const double x = ReadNumber(texts.FieldText(Family::Data, i));
        if (!(x >= 0.0 && x < 32768.0)) return refuse(kFuelName);
        const auto high = static_cast<unsigned>(std::floor(x / 256.0));
        const auto rounded = static_cast<unsigned>(std::nearbyint(x));
        // The part above 256 x high rounding up to 256 is illegal, not a
        // carry into the high bits.
        if (rounded - 256 * high > 255) return refuse(kFuelName);
        value[static_cast<std::size_t>(i)] = rounded;
        aboveLargest = aboveLargest || high > 3;
    }
    for (int i = 0; i < kMapCells; ++i) PutFuelLow(e.image, i, value[static_cast<std::size_t>(i)]);
    if (aboveLargest) return refuse(kFuelName);
    for (int i = 0; i < kMapCells; ++i) PutFuelHigh(e.image, i, value[static_cast<std::size_t>(i)]);
    return e;
}

// Whether a store accepts this text in a field of this family.
[[nodiscard]] inline bool IsLegal(Family family, std::string_view text) {
    FieldTexts alone;  // every other field empty, which reads 0
    alone.At(family, 0) = text;
    return ExpectStore(alone, ImageBytes{}).ok;
}

// ---------------------------------------------------------------------------
// Calibrations as numbers, and the images they make

[[nodiscard]] inline ImageBytes RandomImage(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    ImageBytes image{};
    for (auto& b : image) b = static_cast<std::uint8_t>(byte(rng));
    return image;
}

// Position of a byte-table field among the byte tables' 54 cells in store
// order, which is also the order of a store's byte writes; the fuel map's
// cells come after all of them.
[[nodiscard]] inline std::size_t WriteIndex(Family family, int index) {
    std::size_t before = 0;
    for (const ByteTable& t : kByteTables) {
        if (t.family == family) return before + static_cast<std::size_t>(index);
        before += static_cast<std::size_t>(t.count);
    }
    return before;
}

// The values of all seven tables, as numbers.
struct Calibration {
    std::array<unsigned, kMapCells> fuel{};  // 0..1023
    std::array<std::uint8_t, 54> bytes{};    // the byte tables' stored bytes, in store order

    // The stored byte of a byte-table field (the control constant's: value x 128).
    [[nodiscard]] std::uint8_t& Byte(Family family, int index) { return bytes.at(WriteIndex(family, index)); }
    [[nodiscard]] std::uint8_t Byte(Family family, int index) const { return bytes.at(WriteIndex(family, index)); }
};

[[nodiscard]] inline Calibration RandomCalibration(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<unsigned> cell(0, 1023);
    Calibration c;
    for (auto& v : c.fuel) v = cell(rng);
    for (auto& v : c.bytes) v = static_cast<std::uint8_t>(byte(rng));
    return c;
}

// The texts a user would have in the fields for these values.
[[nodiscard]] inline FieldTexts TextsFor(const Calibration& c) {
    FieldTexts texts;
    for (int i = 0; i < kMapCells; ++i) {
        texts.At(Family::Data, i) = std::to_string(c.fuel[static_cast<std::size_t>(i)]);
    }
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count; ++i) texts.At(t.family, i) = ByteShown(t.family, c.Byte(t.family, i));
    }
    return texts;
}

// The image after the first `count` byte writes of a store.
[[nodiscard]] inline ImageBytes WithFirstWrites(ImageBytes image, const Calibration& c, std::size_t count) {
    std::size_t n = 0;
    for (const ByteTable& t : kByteTables) {
        for (int i = 0; i < t.count && n < count; ++i, ++n) image[t.offset + static_cast<std::size_t>(i)] = c.bytes[n];
    }
    return image;
}

[[nodiscard]] inline ImageBytes WithAllByteTables(const ImageBytes& image, const Calibration& c) {
    return WithFirstWrites(image, c, WriteIndex(Family::Data, 0));
}

[[nodiscard]] inline ImageBytes WithFuelLowBytes(ImageBytes image, const Calibration& c) {
    for (int i = 0; i < kMapCells; ++i) PutFuelLow(image, i, c.fuel[static_cast<std::size_t>(i)]);
    return image;
}

// The image a successful store of `c` must leave.
[[nodiscard]] inline ImageBytes Encoded(const ImageBytes& image, const Calibration& c) {
    ImageBytes out = WithAllByteTables(image, c);
    for (int i = 0; i < kMapCells; ++i) PutFuelCell(out, i, c.fuel[static_cast<std::size_t>(i)]);
    return out;
}

}  // namespace tarvik::testing::oracle
