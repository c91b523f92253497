// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The calibration's layout, defined once: where each of the seven tables
// lives in the 4096-byte image, how many cells it has, the order a save
// handles them in and the names its messages use, how its fields are scaled
// and what may be typed into them, the fuel map's grid and axes, and the
// captions a person reads beside each cell. The editor's window, its tab
// order, its fields, the plot, the codec, the table tool and the tests all
// read it from here.

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "image/image_bytes.h"

namespace tarvik {

// The seven tables. In the editor each is a family of edit fields of the
// same name: txtData, txtRL, txtWE, txtFLE, txtAE, txtIS, txtCC.
enum class Family {
    Data,  // the fuel map ("Kennfellt"), 16 x 16 cells of 10 bits
    RL,    // rev limit, one byte
    WE,    // warm-up enrichment, 17 bytes
    FLE,   // full load enrichment, 17 bytes
    AE,    // acceleration enrichment, 9 bytes
    IS,    // idle speed, 9 bytes
    CC,    // control constant, one byte holding the value x 128
};

inline constexpr int kFuelCells = 256;
inline constexpr int kFuelSide = 16;  // rows and columns of the fuel map
inline constexpr int kFieldCount = 310;
inline constexpr int kTableByteCount = 374;

// Fuel map: one low byte per cell, plus the two high bits of four cells
// packed into one byte (cell 4q in bits 7-6 of packed byte q, ...).
inline constexpr std::size_t kFuelLowOffset = 768;
inline constexpr std::size_t kFuelPackedOffset = 2304;
inline constexpr int kFuelPackedCount = 64;

// Captions beside the cells of the one-dimensional tables, cell 0 first
// (the top row on screen). Full load enrichment is captioned by engine
// speed, the others by temperature steps. Warm-up's last two rows are both
// "< -40".
inline constexpr std::array<std::string_view, 17> kFullLoadCaptions{"6899", "4855", "3745", "3048", "2570", "2222",
                                                                    "1956", "1748", "1579", "1324", "1140", "1001",
                                                                    "892",  "732",  "621",  "539",  "480"};
inline constexpr std::array<std::string_view, 17> kWarmupCaptions{
    "> 99", "99", "72", "56", "45", "36", "28", "21", "14", "8", "1", "-6", "-14", "-25", "-40", "< -40", "< -40"};
inline constexpr std::array<std::string_view, 9> kTemperatureCaptions{"> 99", "72",  "45",  "28",   "14",
                                                                      "1",    "-14", "-40", "< -40"};

// A table of the image, held by one family of fields.
struct TableLayout {
    Family family;
    int count;                                   // cells (fields) of the table
    std::size_t offset;                          // first image byte (for the fuel map: the low bytes)
    std::string_view name;                       // as "Illegal value in the <name> field(s)" names it
    std::string_view key;                        // stable identifier in files and scripts
    std::string_view title;                      // as the editor captions the table
    std::span<const std::string_view> captions;  // one per cell; empty: none
    int scale;                                   // stored number = shown value x scale
    bool decimalPoint;                           // whether typing "." into a field is let through
    int typingLimit;                             // characters a field takes from the keyboard; 0: no limit
};

// In store order: the order in which a save reads the tables. Every
// per-table loop that must agree with a save walks this list.
inline constexpr std::array<TableLayout, 7> kStoreOrder{{
    {Family::RL, 1, 1438, "rev limit", "rev_limit", "Rev limit", {}, 1, false, 0},
    {Family::WE, 17, 2050, "warmup enrichment", "warmup_enrichment", "Warmup enrichment", kWarmupCaptions, 1, false, 0},
    {Family::FLE, 17, 2086, "full load enrichment", "full_load_enrichment", "Full load enrichment", kFullLoadCaptions,
     1, false, 0},
    {Family::AE, 9, 2103, "acceleration enrichment", "acceleration_enrichment", "Acceleration enrichment",
     kTemperatureCaptions, 1, false, 0},
    {Family::IS, 9, 2178, "idle speed", "idle_speed", "Idle speed", kTemperatureCaptions, 1, false, 0},
    // The only table with a fraction: its byte holds the value x 128.
    {Family::CC, 1, 3235, "control constant", "control_constant", "Control constant", {}, 128, true, 4},
    {Family::Data, kFuelCells, kFuelLowOffset, "kennfelt", "fuel_map", "Kennfellt", {}, 1, false, 3},
}};

// The order in which the editor shows the tables and Tab walks them: the
// fuel map, then the other page column by column.
inline constexpr std::array<Family, 7> kShownOrder{Family::Data, Family::FLE, Family::WE, Family::AE,
                                                   Family::IS,   Family::RL,  Family::CC};

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

// The hand-counted totals, held to the tables listed: every field of every
// table, and every byte of the image the tables take up, the fuel map's
// packed high bits included and no byte counted twice.
static_assert([] {
    int fields = 0;
    for (const TableLayout& table : kStoreOrder) fields += table.count;
    return fields;
}() == kFieldCount);
static_assert([] {
    int bytes = 0;
    for (std::size_t offset = 0; offset < kImageSize; ++offset) bytes += IsTableByte(offset) ? 1 : 0;
    return bytes;
}() == kTableByteCount);

// The fuel map's axes, lowest breakpoint first: engine speed in rpm and load
// in the raw units of the graph's load axis. Not stored in the image.
using Breakpoints = std::array<int, kFuelSide>;
inline constexpr Breakpoints kRpmBreakpoints{502,  665,  936,  1214, 1425, 1649, 1833, 2064,
                                             2362, 2759, 3318, 3692, 4161, 4766, 5578, 6096};
inline constexpr Breakpoints kLoadBreakpoints{72,  104, 136, 168, 184, 200, 216, 232,
                                              248, 264, 296, 328, 360, 392, 520, 648};

// Fuel-map cell k (0..255, the image's order and the field's index) on its
// axes: RPM index r and load index l, 0 the lowest breakpoint of each.
[[nodiscard]] constexpr int RpmIndex(int k) { return 15 - k / 16; }
[[nodiscard]] constexpr int LoadIndex(int k) { return 15 - k % 16; }
[[nodiscard]] constexpr int CellIndex(int r, int l) { return 255 - 16 * r - l; }

// Fuel-map cell k on screen: grid row 0 at the top (the highest engine
// speed), grid column 0 at the left (the lowest load). Cell 0 is the top
// right corner, cell 15 the top left.
[[nodiscard]] constexpr int GridRow(int k) { return k / 16; }
[[nodiscard]] constexpr int GridColumn(int k) { return 15 - k % 16; }
[[nodiscard]] constexpr int CellAt(int row, int column) { return row * 16 + 15 - column; }
// The engine speed that captions a grid row.
[[nodiscard]] constexpr int RowRpm(int row) { return kRpmBreakpoints[static_cast<std::size_t>(15 - row)]; }

// One value per field of the seven tables: the field texts of a decoded
// image, the editor's edit fields, ...
template <typename T>
class PerFamily {
public:
    [[nodiscard]] T& At(Family family, int index) { return cells_.at(Position(family, index)); }
    [[nodiscard]] const T& At(Family family, int index) const { return cells_.at(Position(family, index)); }

    // Every value, in the order the editor shows the tables.
    [[nodiscard]] std::array<T, kFieldCount>& All() { return cells_; }
    [[nodiscard]] const std::array<T, kFieldCount>& All() const { return cells_; }

private:
    // Where each family's cells begin among all 310, by the family's value;
    // worked out once, since every read of a field during a save or a plot
    // goes through it.
    static constexpr std::array<std::size_t, 7> kFirst = [] {
        std::array<std::size_t, 7> first{};
        std::size_t next = 0;
        for (const Family f : kShownOrder) {
            first[static_cast<std::size_t>(f)] = next;
            next += static_cast<std::size_t>(FieldCount(f));
        }
        return first;
    }();
    static constexpr std::array<int, 7> kCount = [] {
        std::array<int, 7> count{};
        for (const Family f : kShownOrder) count[static_cast<std::size_t>(f)] = FieldCount(f);
        return count;
    }();

    [[nodiscard]] static std::size_t Position(Family family, int index) {
        // An index outside the family lands outside the array or in another
        // family; .at() catches the first, this the second.
        const auto f = static_cast<std::size_t>(family);
        if (index < 0 || index >= kCount[f]) return kFieldCount;
        return kFirst[f] + static_cast<std::size_t>(index);
    }

    std::array<T, kFieldCount> cells_{};
};

}  // namespace tarvik
