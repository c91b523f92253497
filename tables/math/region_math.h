// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Arithmetic on a region of one table: scale, add, set, interpolate,
// smooth, copy. Exact: every value is held in whole steps of its table (1
// for most, 1/128 for the control constant) and every number the user gives
// as the decimal typed, so a result falls on a half step exactly when the
// tuner's own sum does, and is then rounded half to even as a save rounds.
// Integers throughout: no result can be NaN or infinite, whatever the
// region's shape.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"
#include "image/layout.h"

namespace tarvik::tables {

// A plain number as typed, held exactly: units / 10^places.
struct Decimal {
    std::int64_t units = 0;
    int places = 0;
};

// The most digits after the point, and the bound of the whole part: no
// table holds more than 1023, and both keep every product in 64 bits.
inline constexpr int kMostPlaces = 9;
inline constexpr std::int64_t kWholeLimit = 1'000'000;

struct DecimalRead {
    std::optional<Decimal> value;
    std::string problem;  // why not, to follow the text in a message
};

[[nodiscard]] DecimalRead ReadDecimal(std::string_view text);

// -1, 0 or 1 as the decimal is below, at or above the whole number.
[[nodiscard]] int Compare(const Decimal& decimal, std::int64_t whole);

// A table as the editor lays it out: the fuel map 16 x 16, grid row 0 at
// the top, each row at its engine speed and each column at its load; the
// other tables one column, cell 0 at the top, each cell at its caption's
// number (full load's engine speed) or, where the captions are no numbers
// throughout, at its index. Values in whole steps.
struct Grid {
    int rows = 0;
    int columns = 0;
    std::vector<std::int64_t> steps;     // row by row
    std::vector<std::int64_t> rowAt;     // where each row stands on its axis
    std::vector<std::int64_t> columnAt;  // where each column does

    [[nodiscard]] std::int64_t At(int row, int column) const {
        return steps[static_cast<std::size_t>(row * columns + column)];
    }
    [[nodiscard]] std::int64_t& At(int row, int column) {
        return steps[static_cast<std::size_t>(row * columns + column)];
    }
};

// Rows and columns of a grid, both ends included.
struct Region {
    int firstRow = 0;
    int lastRow = 0;
    int firstColumn = 0;
    int lastColumn = 0;

    [[nodiscard]] bool Contains(int row, int column) const {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
    [[nodiscard]] int Cells() const { return (lastRow - firstRow + 1) * (lastColumn - firstColumn + 1); }
};

[[nodiscard]] Region WholeGrid(const Grid& grid);

// First and last index whose position lies from a to b (either order),
// positions running one way; nothing when none does.
struct IndexSpan {
    int first = 0;
    int last = 0;
};
[[nodiscard]] std::optional<IndexSpan> IndicesWithin(const std::vector<std::int64_t>& positions, const Decimal& a,
                                                     const Decimal& b);

enum class Operation { Scale, Add, Set, Interpolate, Smooth, Copy };
enum class Along { Rows, Columns, Corners };

struct Edit {
    Operation operation = Operation::Set;
    Decimal number;              // the factor, the amount, the value, the smoothing share (0 to 1)
    Along along = Along::Rows;   // interpolation
    bool smoothEdges = false;    // smoothing: the region's edge cells too
    const Grid* from = nullptr;  // copying: the same table of the other image
};

// The grid with the region's cells edited and every other cell as it was;
// each result rounded half to even to whole steps and not yet held to the
// table's range. `stepsPerUnit` turns the numbers of Add and Set into steps.
// Interpolation and smoothing go along the axes the region extends along:
// a region one cell wide works along the other axis; a single cell is
// left as it is (the caller refuses it).
[[nodiscard]] Grid EditRegion(const Grid& grid, const Region& region, const Edit& edit, int stepsPerUnit);

// The table's cells of an image as a grid, values as the editor shows them.
[[nodiscard]] Grid TableGrid(const ImageBytes& image, Family family);
// The field index of a grid cell.
[[nodiscard]] int GridCell(Family family, int row, int column);
// The largest value a cell holds, in steps: ten bits for the fuel map, a
// byte for the others.
[[nodiscard]] std::int64_t LargestSteps(Family family);
// A value in steps as the editor shows it: "784", "1.0078125", "1.00".
[[nodiscard]] std::string StepsText(Family family, std::int64_t steps);

// The image with the grid's values stored into the table's cells by the
// editor's rules, every other byte as it was; nothing when a value lies
// outside 0..LargestSteps.
[[nodiscard]] std::optional<ImageBytes> StoreGrid(const ImageBytes& image, Family family, const Grid& grid);

}  // namespace tarvik::tables
