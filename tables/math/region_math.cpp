// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/math/region_math.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "image/codec.h"
#include "tables/cells.h"

namespace tarvik::tables {

namespace {

constexpr std::array<std::int64_t, kMostPlaces + 1> kPowersOfTen = [] {
    std::array<std::int64_t, kMostPlaces + 1> powers{};
    std::int64_t power = 1;
    for (auto& p : powers) {
        p = power;
        power *= 10;
    }
    return powers;
}();

[[nodiscard]] std::int64_t TenTo(int places) { return kPowersOfTen[static_cast<std::size_t>(places)]; }

// numerator / denominator to the nearest whole number, an exact half to the
// even one, as a save rounds a field's value.
[[nodiscard]] std::int64_t RoundHalfEven(std::int64_t numerator, std::int64_t denominator) {
    if (denominator < 0) {
        numerator = -numerator;
        denominator = -denominator;
    }
    std::int64_t whole = numerator / denominator;
    std::int64_t rest = numerator % denominator;
    if (rest < 0) {  // towards minus infinity, so that the rest is 0..denominator-1
        --whole;
        rest += denominator;
    }
    if (2 * rest > denominator || (2 * rest == denominator && whole % 2 != 0)) ++whole;
    return whole;
}

// The straight line through (from, a) and (to, b), at `at`.
[[nodiscard]] std::int64_t OnLine(std::int64_t a, std::int64_t b, std::int64_t from, std::int64_t to, std::int64_t at) {
    return RoundHalfEven(a * (to - at) + b * (at - from), to - from);
}

[[nodiscard]] std::int64_t Interpolated(const Grid& grid, const Region& region, Along along, int row, int column) {
    const bool wide = region.lastColumn > region.firstColumn;
    const bool tall = region.lastRow > region.firstRow;
    if (!wide && !tall) return grid.At(row, column);
    if (!wide) along = Along::Columns;
    if (!tall) along = Along::Rows;
    const int r0 = region.firstRow;
    const int r1 = region.lastRow;
    const int c0 = region.firstColumn;
    const int c1 = region.lastColumn;
    const auto x = [&](int c) { return grid.columnAt[static_cast<std::size_t>(c)]; };
    const auto y = [&](int r) { return grid.rowAt[static_cast<std::size_t>(r)]; };
    switch (along) {
        case Along::Rows:
            return OnLine(grid.At(row, c0), grid.At(row, c1), x(c0), x(c1), x(column));
        case Along::Columns:
            return OnLine(grid.At(r0, column), grid.At(r1, column), y(r0), y(r1), y(row));
        case Along::Corners:
            break;
    }
    // Bilinear: each corner weighed by the area of the opposite corner's
    // rectangle, all over the whole region's.
    const std::int64_t left = x(column) - x(c0);
    const std::int64_t right = x(c1) - x(column);
    const std::int64_t top = y(row) - y(r0);
    const std::int64_t bottom = y(r1) - y(row);
    return RoundHalfEven(grid.At(r0, c0) * right * bottom + grid.At(r0, c1) * left * bottom +
                             grid.At(r1, c0) * right * top + grid.At(r1, c1) * left * top,
                         (x(c1) - x(c0)) * (y(r1) - y(r0)));
}

[[nodiscard]] std::int64_t Smoothed(const Grid& grid, const Region& region, const Edit& edit, int row, int column) {
    const bool wide = region.lastColumn > region.firstColumn;
    const bool tall = region.lastRow > region.firstRow;
    const bool edge = (wide && (column == region.firstColumn || column == region.lastColumn)) ||
                      (tall && (row == region.firstRow || row == region.lastRow));
    if ((!wide && !tall) || (edge && !edit.smoothEdges)) return grid.At(row, column);

    // The neighbours along the axes the region extends along, inside the
    // table: an edge cell is smoothed against the cells beside the region.
    std::int64_t sum = 0;
    std::int64_t count = 0;
    const auto add = [&](int r, int c) {
        if (r < 0 || r >= grid.rows || c < 0 || c >= grid.columns) return;
        sum += grid.At(r, c);
        ++count;
    };
    if (wide) {
        add(row, column - 1);
        add(row, column + 1);
    }
    if (tall) {
        add(row - 1, column);
        add(row + 1, column);
    }
    // (1 - S) x value + S x the neighbours' mean, S = units / 10^places.
    const std::int64_t whole = TenTo(edit.number.places);
    return RoundHalfEven((whole - edit.number.units) * grid.At(row, column) * count + edit.number.units * sum,
                         whole * count);
}

}  // namespace

DecimalRead ReadDecimal(std::string_view text) {
    text = Trimmed(text);
    if (const std::string_view problem = PlainNumberProblem(text); !problem.empty()) {
        std::string why(problem);
        if (problem == kDecimalComma) {
            std::string withPoint(text);
            std::replace(withPoint.begin(), withPoint.end(), ',', '.');
            why += "; write it with a point: " + withPoint;
        }
        return {std::nullopt, why};
    }
    const bool negative = text.front() == '-';
    if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
    const std::size_t point = text.find('.');
    std::string_view whole = text.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    while (!whole.empty() && whole.front() == '0') whole.remove_prefix(1);
    if (fraction.size() > static_cast<std::size_t>(kMostPlaces)) {
        return {std::nullopt, "has more than " + std::to_string(kMostPlaces) + " digits after the point"};
    }
    Decimal decimal{0, static_cast<int>(fraction.size())};
    for (const char c : whole) {
        decimal.units = decimal.units * 10 + (c - '0');
        if (decimal.units >= kWholeLimit) return {std::nullopt, "is far too large"};
    }
    for (const char c : fraction) decimal.units = decimal.units * 10 + (c - '0');
    if (negative) decimal.units = -decimal.units;
    return {decimal, {}};
}

int Compare(const Decimal& decimal, std::int64_t whole) {
    const std::int64_t scaled = whole * TenTo(decimal.places);
    return decimal.units < scaled ? -1 : decimal.units > scaled ? 1 : 0;
}

Region WholeGrid(const Grid& grid) { return {0, grid.rows - 1, 0, grid.columns - 1}; }

std::optional<IndexSpan> IndicesWithin(const std::vector<std::int64_t>& positions, const Decimal& a, const Decimal& b) {
    // Both at the finer of their two steps: below 10^15 either way.
    const int places = std::max(a.places, b.places);
    const bool ascending = a.units * TenTo(places - a.places) <= b.units * TenTo(places - b.places);
    const Decimal& low = ascending ? a : b;
    const Decimal& high = ascending ? b : a;
    std::optional<IndexSpan> span;
    for (int i = 0; i < static_cast<int>(positions.size()); ++i) {
        const std::int64_t at = positions[static_cast<std::size_t>(i)];
        if (Compare(low, at) > 0 || Compare(high, at) < 0) continue;
        if (!span) span = IndexSpan{i, i};
        span->last = i;
    }
    return span;
}

Grid EditRegion(const Grid& grid, const Region& region, const Edit& edit, int stepsPerUnit) {
    Grid edited = grid;
    const std::int64_t units = edit.number.units;
    const std::int64_t whole = TenTo(edit.number.places);
    for (int row = region.firstRow; row <= region.lastRow; ++row) {
        for (int column = region.firstColumn; column <= region.lastColumn; ++column) {
            const std::int64_t value = grid.At(row, column);
            std::int64_t& result = edited.At(row, column);
            switch (edit.operation) {
                case Operation::Scale:
                    result = RoundHalfEven(value * units, whole);
                    break;
                case Operation::Add:
                    result = RoundHalfEven(value * whole + units * stepsPerUnit, whole);
                    break;
                case Operation::Set:
                    result = RoundHalfEven(units * stepsPerUnit, whole);
                    break;
                case Operation::Interpolate:
                    result = Interpolated(grid, region, edit.along, row, column);
                    break;
                case Operation::Smooth:
                    result = Smoothed(grid, region, edit, row, column);
                    break;
                case Operation::Copy:
                    result = edit.from->At(row, column);
                    break;
            }
        }
    }
    return edited;
}

int GridCell(Family family, int row, int column) { return IndexAt(family, row, column).value_or(0); }

Grid TableGrid(const ImageBytes& image, Family family) {
    FieldTexts shown;
    LoadFieldsFromImage(image, shown);
    Grid grid;
    const int scale = Layout(family).scale;
    if (family == Family::Data) {
        grid.rows = kFuelSide;
        grid.columns = kFuelSide;
        for (int row = 0; row < kFuelSide; ++row) grid.rowAt.push_back(RowRpm(row));
        for (const int load : kLoadBreakpoints) grid.columnAt.push_back(load);
    } else {
        // Spaced by their captions where every one is a number, as full
        // load's engine speeds are; the temperature steps end open ("> 99",
        // "< -40" twice) and give no spacing, so their cells count as even
        // steps apart.
        grid.rows = FieldCount(family);
        grid.columns = 1;
        for (const std::string_view caption : Layout(family).captions) {
            int number = 0;
            const auto read = std::from_chars(caption.data(), caption.data() + caption.size(), number);
            if (read.ec != std::errc{} || read.ptr != caption.data() + caption.size()) break;
            grid.rowAt.push_back(number);
        }
        if (grid.rowAt.size() != static_cast<std::size_t>(grid.rows)) {
            grid.rowAt.clear();
            for (int row = 0; row < grid.rows; ++row) grid.rowAt.push_back(row);
        }
        grid.columnAt.push_back(0);
    }
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            const double value = shown.FieldNumber(family, GridCell(family, row, column));
            grid.steps.push_back(std::llround(value * scale));
        }
    }
    return grid;
}

std::int64_t LargestSteps(Family family) { return family == Family::Data ? 1023 : 255; }

std::string StepsText(Family family, std::int64_t steps) {
    if (family == Family::CC) return ControlConstantText(static_cast<std::uint8_t>(steps));
    return std::to_string(steps);
}

std::optional<ImageBytes> StoreGrid(const ImageBytes& image, Family family, const Grid& grid) {
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    for (int row = 0; row < grid.rows; ++row) {
        for (int column = 0; column < grid.columns; ++column) {
            texts.At(family, GridCell(family, row, column)) = StepsText(family, grid.At(row, column));
        }
    }
    ImageBytes stored = image;
    if (!StoreFieldsToImage(texts, stored).ok) return std::nullopt;
    return stored;
}

}  // namespace tarvik::tables
