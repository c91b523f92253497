#pragma once

// Helpers for the image codec tests. Everything here is written from the
// image layout directly, with literal offsets and masks, so that expected
// images never come from the codec under test.

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "image/fields.h"
#include "image/image_bytes.h"
#include "image/layout.h"

namespace tarvik::test {

struct ByteRange {
    std::size_t first;
    std::size_t count;
};

// The eight byte ranges of the seven tables.
inline constexpr std::array<ByteRange, 8> kTableRanges{{
    {768, 256},   // fuel map, low bytes
    {2304, 64},   // fuel map, packed high bits
    {1438, 1},    // rev limit
    {2050, 17},   // warm-up enrichment
    {2086, 17},   // full load enrichment
    {2103, 9},    // acceleration enrichment
    {2178, 9},    // idle speed
    {3235, 1},    // control constant
}};

[[nodiscard]] inline bool InTableRange(std::size_t offset) {
    for (const ByteRange& r : kTableRanges) {
        if (offset >= r.first && offset < r.first + r.count) return true;
    }
    return false;
}

[[nodiscard]] inline std::vector<std::size_t> TableOffsets() {
    std::vector<std::size_t> offsets;
    for (const ByteRange& r : kTableRanges) {
        for (std::size_t i = 0; i < r.count; ++i) offsets.push_back(r.first + i);
    }
    return offsets;
}

[[nodiscard]] inline ImageBytes RandomImage(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    ImageBytes image{};
    for (auto& b : image) b = static_cast<std::uint8_t>(byte(rng));
    return image;
}

// Fuel-map cell value straight from the layout: low byte at 768 + i, high
// part in bits 7-6 (cell 4q) .. 1-0 (cell 4q+3) of the byte at 2304 + q.
[[nodiscard]] inline unsigned FuelCell(const ImageBytes& image, int cell) {
    const auto i = static_cast<std::size_t>(cell);
    const unsigned packed = image[2304 + i / 4];
    const unsigned shift = 6 - 2 * static_cast<unsigned>(i % 4);
    return 256 * ((packed >> shift) & 3u) + image[768 + i];
}

inline void PutFuelLow(ImageBytes& image, int cell, unsigned value) {
    image[768 + static_cast<std::size_t>(cell)] = static_cast<std::uint8_t>(value & 0xFFu);
}

inline void PutFuelHigh(ImageBytes& image, int cell, unsigned value) {
    const auto i = static_cast<std::size_t>(cell);
    const unsigned shift = 6 - 2 * static_cast<unsigned>(i % 4);
    const unsigned high = (value >> 8) & 3u;
    auto& packed = image[2304 + i / 4];
    packed = static_cast<std::uint8_t>((packed & ~(3u << shift)) | (high << shift));
}

inline void PutFuelCell(ImageBytes& image, int cell, unsigned value) {
    PutFuelLow(image, cell, value);
    PutFuelHigh(image, cell, value);
}

// The exact text the control constant shows for a byte: byte / 128 in full.
// 1/128 = 0.0078125, so the fraction's digits are (byte mod 128) * 78125
// written with seven places and without trailing zeros.
[[nodiscard]] inline std::string ExactControlConstantText(unsigned byte) {
    const unsigned whole = byte / 128;
    const unsigned frac = (byte % 128) * 78125;
    if (frac == 0) return std::to_string(whole) + ".00";
    std::string digits = std::to_string(frac);
    digits.insert(0, 7 - digits.size(), '0');
    while (digits.back() == '0') digits.pop_back();
    return std::to_string(whole) + "." + digits;
}

// The values of all seven tables, as numbers.
struct Calibration {
    std::array<unsigned, 256> fuel{};  // 0..1023
    std::uint8_t rl = 0;
    std::array<std::uint8_t, 17> we{};
    std::array<std::uint8_t, 17> fle{};
    std::array<std::uint8_t, 9> ae{};
    std::array<std::uint8_t, 9> is{};
    std::uint8_t cc = 0;  // the stored byte, value x 128
};

[[nodiscard]] inline Calibration RandomCalibration(std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<unsigned> cell(0, 1023);
    auto b = [&] { return static_cast<std::uint8_t>(byte(rng)); };
    Calibration c;
    for (auto& v : c.fuel) v = cell(rng);
    c.rl = b();
    for (auto& v : c.we) v = b();
    for (auto& v : c.fle) v = b();
    for (auto& v : c.ae) v = b();
    for (auto& v : c.is) v = b();
    c.cc = b();
    return c;
}

// The texts a user would have in the fields for these values.
[[nodiscard]] inline FieldTexts TextsFor(const Calibration& c) {
    FieldTexts t;
    for (int i = 0; i < 256; ++i) t.At(Family::Data, i) = std::to_string(c.fuel[static_cast<std::size_t>(i)]);
    t.At(Family::RL, 0) = std::to_string(c.rl);
    for (int i = 0; i < 17; ++i) t.At(Family::WE, i) = std::to_string(c.we[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 17; ++i) t.At(Family::FLE, i) = std::to_string(c.fle[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 9; ++i) t.At(Family::AE, i) = std::to_string(c.ae[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 9; ++i) t.At(Family::IS, i) = std::to_string(c.is[static_cast<std::size_t>(i)]);
    t.At(Family::CC, 0) = ExactControlConstantText(c.cc);
    return t;
}

struct ByteWrite {
    std::size_t offset;
    std::uint8_t value;
};

// The single-byte writes of a store, in the order the store makes them:
// rev limit, warm-up 0..16, full load 0..16, acceleration 0..8, idle speed
// 0..8, control constant (54 in all).
[[nodiscard]] inline std::vector<ByteWrite> ByteTableWrites(const Calibration& c) {
    std::vector<ByteWrite> w;
    w.push_back({1438, c.rl});
    for (std::size_t i = 0; i < 17; ++i) w.push_back({2050 + i, c.we[i]});
    for (std::size_t i = 0; i < 17; ++i) w.push_back({2086 + i, c.fle[i]});
    for (std::size_t i = 0; i < 9; ++i) w.push_back({2103 + i, c.ae[i]});
    for (std::size_t i = 0; i < 9; ++i) w.push_back({2178 + i, c.is[i]});
    w.push_back({3235, c.cc});
    return w;
}

// Position of a byte field's write in ByteTableWrites.
[[nodiscard]] inline std::size_t WriteIndex(Family family, int index) {
    const auto i = static_cast<std::size_t>(index);
    switch (family) {
        case Family::RL: return 0;
        case Family::WE: return 1 + i;
        case Family::FLE: return 18 + i;
        case Family::AE: return 35 + i;
        case Family::IS: return 44 + i;
        case Family::CC: return 53;
        case Family::Data: break;
    }
    return 54;  // the fuel map comes after every byte write
}

// The image after the first `count` byte writes of a store.
[[nodiscard]] inline ImageBytes WithFirstWrites(ImageBytes image, const Calibration& c, std::size_t count) {
    const std::vector<ByteWrite> writes = ByteTableWrites(c);
    for (std::size_t n = 0; n < count && n < writes.size(); ++n) image[writes[n].offset] = writes[n].value;
    return image;
}

[[nodiscard]] inline ImageBytes WithAllByteTables(const ImageBytes& image, const Calibration& c) {
    return WithFirstWrites(image, c, 54);
}

[[nodiscard]] inline ImageBytes WithFuelLowBytes(ImageBytes image, const Calibration& c) {
    for (int i = 0; i < 256; ++i) PutFuelLow(image, i, c.fuel[static_cast<std::size_t>(i)]);
    return image;
}

// The image a successful store of `c` must leave.
[[nodiscard]] inline ImageBytes Encoded(const ImageBytes& image, const Calibration& c) {
    ImageBytes out = WithAllByteTables(image, c);
    for (int i = 0; i < 256; ++i) PutFuelCell(out, i, c.fuel[static_cast<std::size_t>(i)]);
    return out;
}

// Offsets where two images differ, for readable failure messages.
[[nodiscard]] inline std::vector<std::size_t> DifferingOffsets(const ImageBytes& a, const ImageBytes& b) {
    std::vector<std::size_t> diff;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) diff.push_back(i);
    }
    return diff;
}

}  // namespace tarvik::test
