// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/cells.h"

#include <array>
#include <charconv>

#include "image/cell_names.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

CellPosition PositionOf(Family family, int index) {
    if (family == Family::Data) return {GridRow(index), GridColumn(index)};
    return {index, 0};
}

std::optional<int> IndexAt(Family family, int row, int column) {
    if (family == Family::Data) {
        if (row < 0 || row >= kFuelSide || column < 0 || column >= kFuelSide) return std::nullopt;
        return CellAt(row, column);
    }
    if (row < 0 || row >= FieldCount(family) || column != 0) return std::nullopt;
    return row;
}

std::string CaptionOf(Family family, int index) { return CellCaption(family, index); }

const TableLayout* FindTable(std::string_view key) {
    for (const TableLayout& table : kStoreOrder) {
        if (table.key == key) return &table;
    }
    return nullptr;
}

std::vector<int> ShownCells(Family family) {
    std::vector<int> cells;
    if (family == Family::Data) {
        for (int row = 0; row < kFuelSide; ++row) {
            for (int column = 0; column < kFuelSide; ++column) cells.push_back(CellAt(row, column));
        }
    } else {
        for (int i = 0; i < FieldCount(family); ++i) cells.push_back(i);
    }
    return cells;
}

std::string DescribeCell(Family family, int index) { return CellName(family, index); }

std::string NumberText(double value) {
    // Room for any double written out: the longest, the smallest subnormal,
    // takes 326 characters with its sign.
    std::array<char, 400> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    return std::string(buffer.data(), result.ptr);
}

std::string Printable(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        constexpr std::string_view kHex = "0123456789abcdef";
        shown += "\\x";
        shown += kHex[byte >> 4];
        shown += kHex[byte & 0xF];
    }
    return shown;
}

std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view PlainNumberProblem(std::string_view text) {
    text = Trimmed(text);
    if (text.empty()) return "is empty";
    std::size_t pos = 0;
    if (text[pos] == '+' || text[pos] == '-') ++pos;
    int digits = 0;
    int points = 0;
    int commas = 0;
    bool other = false;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (IsDigit(c)) {
            ++digits;
        } else if (c == '.') {
            ++points;
        } else if (c == ',') {
            ++commas;
        } else {
            other = true;
        }
    }
    if (!other && digits > 0 && points == 0 && commas == 1) {
        return kDecimalComma;
    }
    if (other || commas > 0 || points > 1 || digits == 0) return "is not a plain number";
    return {};
}

}  // namespace tarvik::tables
