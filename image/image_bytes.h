#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvik {

// The whole EPROM, index == offset in the image file.
inline constexpr std::size_t kImageSize = 4096;
using ImageBytes = std::array<std::uint8_t, kImageSize>;

// The seven families of edit fields that hold the calibration tables.
enum class Family { Data, RL, WE, FLE, AE, IS, CC };

inline constexpr int kFuelCells = 256;
inline constexpr int kFieldCount = 310;
inline constexpr int kTableByteCount = 374;

// Fuel map: one low byte per cell, plus the two high bits of four cells
// packed into one byte.
inline constexpr std::size_t kFuelLowOffset = 768;
inline constexpr std::size_t kFuelPackedOffset = 2304;
inline constexpr int kFuelPackedCount = 64;

// A table of the image held by one field family.
struct TableLayout {
    Family family;
    int count;            // number of fields (cells) in the family
    std::size_t offset;   // first image byte (for the fuel map: the low bytes)
    std::string_view name;  // as the save-time error message names it
};

// In store order: the order in which a save reads the families, and the
// names that the "Illegal value in the ... field(s)" message uses.
inline constexpr std::array<TableLayout, 7> kStoreOrder{{
    {Family::RL, 1, 1438, "rev limit"},
    {Family::WE, 17, 2050, "warmup enrichment"},
    {Family::FLE, 17, 2086, "full load enrichment"},
    {Family::AE, 9, 2103, "acceleration enrichment"},
    {Family::IS, 9, 2178, "idle speed"},
    {Family::CC, 1, 3235, "control constant"},
    {Family::Data, kFuelCells, kFuelLowOffset, "kennfelt"},
}};

[[nodiscard]] constexpr const TableLayout& Layout(Family family) {
    for (const TableLayout& table : kStoreOrder) {
        if (table.family == family) return table;
    }
    return kStoreOrder.back();  // unreachable: every family is listed
}

[[nodiscard]] constexpr int FieldCount(Family family) { return Layout(family).count; }

// True for the 374 bytes that belong to a table; every other byte of an
// image must travel from the opened file to the saved one untouched.
[[nodiscard]] constexpr bool IsTableByte(std::size_t offset) {
    if (offset >= kFuelPackedOffset && offset < kFuelPackedOffset + kFuelPackedCount) return true;
    for (const TableLayout& table : kStoreOrder) {
        if (offset >= table.offset && offset < table.offset + static_cast<std::size_t>(table.count)) {
            return true;
        }
    }
    return false;
}

}  // namespace tarvik
