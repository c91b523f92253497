// SPDX-License-Identifier: GPL-3.0-or-later
// edit's arithmetic, run as the command in this process: the image it
// writes against values worked out here in floating point from the map's
// axes as the editor captions them, and the cells it must select.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "tests/support/image_oracle.h"
#include "tests/tables/tool_run.h"

namespace tarvik::tables {
namespace {

namespace oracle = tarvik::testing::oracle;
using namespace Qt::Literals::StringLiterals;

// Grid row 0 is the top row, 6096 rpm; column 0 the left one, load 72.
constexpr double kRpmOfRow[16] = {6096, 5578, 4766, 4161, 3692, 3318, 2759, 2362,
                                  2064, 1833, 1649, 1425, 1214, 936,  665,  502};
constexpr double kLoadOfColumn[16] = {72, 104, 136, 168, 184, 200, 216, 232, 248, 264, 296, 328, 360, 392, 520, 648};

[[nodiscard]] int MapCell(int row, int column) { return 16 * row + 15 - column; }

[[nodiscard]] const oracle::ByteTable& ByteTableOf(Family family) {
    for (const auto& t : oracle::kByteTables) {
        if (t.family == family) return t;
    }
    return oracle::kByteTables.front();
}

// A table's value as the editor shows it: row and column of the map's
// grid, or the cell of another table (column 0).
class Values {
public:
    Values(const ImageBytes& image, Family family) : image_(image), family_(family) {}
    double operator()(int row, int column) const {
        if (family_ == Family::Data) return oracle::FuelCell(image_, MapCell(row, column));
        const auto& t = ByteTableOf(family_);
        return image_[t.offset + static_cast<std::size_t>(row)] / t.scale;
    }
    void Put(int row, int column, double value) {
        if (family_ == Family::Data) {
            oracle::PutFuelCell(image_, MapCell(row, column), static_cast<unsigned>(value));
        } else {
            const auto& t = ByteTableOf(family_);
            image_[t.offset + static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(value * t.scale);
        }
    }
    [[nodiscard]] const ImageBytes& Image() const { return image_; }

private:
    ImageBytes image_;
    Family family_;
};

[[nodiscard]] double Line(double a, double b, double from, double to, double at) {
    return std::nearbyint((a * (to - at) + b * (at - from)) / (to - from));
}

// (1 - share) x value + share x the mean of the cells beside it in the
// table, along the rows and/or the columns.
[[nodiscard]] double Smooth(const Values& v, int row, int column, double share, bool across, bool along, int rows,
                            int columns) {
    double sum = 0;
    int count = 0;
    for (const auto& [dr, dc] : {std::pair{0, -1}, {0, 1}, {-1, 0}, {1, 0}}) {
        if ((dr == 0 && !across) || (dc == 0 && !along)) continue;
        const int r = row + dr;
        const int c = column + dc;
        if (r < 0 || r >= rows || c < 0 || c >= columns) continue;
        sum += v(r, c);
        ++count;
    }
    return std::nearbyint(((1 - share) * count * v(row, column) + share * sum) / count);
}

struct EditCase {
    const char* name;
    Family family;
    QStringList arguments;  // the table, the region, the operation
    int status;
    int firstRow, lastRow, firstColumn, lastColumn;  // the cells it must select
    double (*expect)(const Values& old, int row, int column);
    std::string says;  // part of standard output (status 0) or error
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

class EditTest : public ToolFolderTest, public ::testing::WithParamInterface<EditCase> {};

// Random tables, fuel cells 150 to 800 so that most results stay in range,
// and a few cells set for the cases that need them.
[[nodiscard]] ImageBytes Input(unsigned seed) {
    std::mt19937 rng(seed);
    ImageBytes image = oracle::RandomImage(rng);
    std::uniform_int_distribution<unsigned> cell(150, 800);
    for (int k = 0; k < 256; ++k) oracle::PutFuelCell(image, k, cell(rng));
    oracle::PutFuelCell(image, MapCell(7, 7), 55);
    for (int column = 13; column < 16; ++column)
        oracle::PutFuelCell(image, MapCell(0, column), static_cast<unsigned>(100 * (column - 6)));
    image[3235] = 128;  // control constant 1.00
    return image;
}

TEST_P(EditTest, WritesTheRegionWorkedOutHereAndNothingElse) {
    const EditCase& c = GetParam();
    const ImageBytes input = Input(29);
    Write(u"in.bin"_s, Bytes(input));
    Write(u"other.bin"_s, Bytes(Input(30)));
    QStringList arguments{u"edit"_s, Path(u"in.bin"_s), u"-o"_s, Path(u"out.bin"_s)};
    for (const QString& a : c.arguments) arguments << (a.endsWith(u".bin"_s) ? Path(a) : a);
    const Finished run = RunInProcess(arguments);

    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.says), std::string::npos) << run.out << run.err;
    if (c.status != 0) {
        EXPECT_TRUE(Read(u"out.bin"_s).isNull()) << "written";
        return;
    }
    const Values old(input, c.family);
    Values expected = old;
    for (int row = c.firstRow; row <= c.lastRow; ++row) {
        for (int column = c.firstColumn; column <= c.lastColumn; ++column)
            expected.Put(row, column, c.expect(old, row, column));
    }
    EXPECT_EQ(Read(u"out.bin"_s), Bytes(expected.Image()));
}

const QString kMap = u"--table=fuel_map"_s;

INSTANTIATE_TEST_SUITE_P(
    Cases, EditTest,
    ::testing::Values(
        // Bounds between breakpoints take the rows and columns inside them.
        EditCase{"ScaleMiddleByBreakpoints",
                 Family::Data,
                 {kMap, u"--rpm=2000:4000"_s, u"--load=190:400"_s, u"--scale=1.25"_s},
                 0,
                 4,
                 8,
                 5,
                 13,
                 [](const Values& v, int r, int c) { return std::nearbyint(v(r, c) * 1.25); },
                 "Selected fuel_map rows 4 to 8 (3692 to 2064 rpm), columns 5 to 13 (load 200 to 392): 45 cells.\n"},
        // Every result an exact half: half to even.
        EditCase{"AddAtTheMapsCorner",
                 Family::Data,
                 {kMap, u"--rows=0:2"_s, u"--columns=12:15"_s, u"--add=-7.5"_s},
                 0,
                 0,
                 2,
                 12,
                 15,
                 [](const Values& v, int r, int c) { return std::nearbyint(v(r, c) - 7.5); },
                 "row 0 (6096 rpm) column 13: 700 -> 692 (-8)\n  row 0 (6096 rpm) column 14: 800 -> 792 (-8)\n"},
        EditCase{"SetOneColumn",
                 Family::Data,
                 {kMap, u"--columns=15"_s, u"--set=700"_s},
                 0,
                 0,
                 15,
                 15,
                 15,
                 [](const Values&, int, int) { return 700.0; },
                 "column 15 (load 648): 16 cells.\n"},
        EditCase{"SetTheBottomRowByItsBreakpoint",
                 Family::Data,
                 {kMap, u"--rpm=502"_s, u"--set=0"_s},
                 0,
                 15,
                 15,
                 0,
                 15,
                 [](const Values&, int, int) { return 0.0; },
                 "row 15 (502 rpm)"},
        // 55 x 1.1 is 60.5 as the tuner reckons: 60. In binary floating
        // point it is 60.50000000000001, which would round to 61.
        EditCase{"ScaleOneCellToAnExactHalf",
                 Family::Data,
                 {kMap, u"--rows=7"_s, u"--columns=7"_s, u"--scale=1.1"_s},
                 0,
                 7,
                 7,
                 7,
                 7,
                 [](const Values&, int, int) { return 60.0; },
                 "row 7 (2362 rpm) column 7: 55 -> 60 (+5)"},
        EditCase{"InterpolateRowsByLoad",
                 Family::Data,
                 {kMap, u"--rows=4:8"_s, u"--columns=5:13"_s, u"--interpolate=rows"_s},
                 0,
                 4,
                 8,
                 5,
                 13,
                 [](const Values& v, int r, int c) {
                     return Line(v(r, 5), v(r, 13), kLoadOfColumn[5], kLoadOfColumn[13], kLoadOfColumn[c]);
                 },
                 "Kennfellt\n"},
        EditCase{"InterpolateColumnsByRpmAtTheLeftEdge",
                 Family::Data,
                 {kMap, u"--columns=0:2"_s, u"--interpolate=columns"_s},
                 0,
                 0,
                 15,
                 0,
                 2,
                 [](const Values& v, int r, int c) {
                     return Line(v(0, c), v(15, c), kRpmOfRow[0], kRpmOfRow[15], kRpmOfRow[r]);
                 },
                 "Kennfellt\n"},
        EditCase{"InterpolateCornersBilinear",
                 Family::Data,
                 {kMap, u"--rows=2:12"_s, u"--columns=3:14"_s, u"--interpolate=corners"_s},
                 0,
                 2,
                 12,
                 3,
                 14,
                 [](const Values& v, int r, int c) {
                     const double x0 = kLoadOfColumn[3], x1 = kLoadOfColumn[14], x = kLoadOfColumn[c];
                     const double y0 = kRpmOfRow[2], y1 = kRpmOfRow[12], y = kRpmOfRow[r];
                     return std::nearbyint((v(2, 3) * (x1 - x) * (y1 - y) + v(2, 14) * (x - x0) * (y1 - y) +
                                            v(12, 3) * (x1 - x) * (y - y0) + v(12, 14) * (x - x0) * (y - y0)) /
                                           ((x1 - x0) * (y1 - y0)));
                 },
                 "Kennfellt\n"},
        // One cell wide: along the axis the region has, whatever was asked.
        EditCase{"InterpolateColumnsOfOneRow",
                 Family::Data,
                 {kMap, u"--rows=9"_s, u"--columns=2:12"_s, u"--interpolate=columns"_s},
                 0,
                 9,
                 9,
                 2,
                 12,
                 [](const Values& v, int r, int c) {
                     return Line(v(r, 2), v(r, 12), kLoadOfColumn[2], kLoadOfColumn[12], kLoadOfColumn[c]);
                 },
                 "row 9 (1833 rpm)"},
        EditCase{"InterpolateCornersOfOneColumn",
                 Family::Data,
                 {kMap, u"--rows=1:14"_s, u"--columns=4"_s, u"--interpolate=corners"_s},
                 0,
                 1,
                 14,
                 4,
                 4,
                 [](const Values& v, int r, int c) {
                     return Line(v(1, c), v(14, c), kRpmOfRow[1], kRpmOfRow[14], kRpmOfRow[r]);
                 },
                 "column 4 (load 184)"},
        EditCase{"InterpolateOneCell",
                 Family::Data,
                 {kMap, u"--rows=3"_s, u"--columns=3"_s, u"--interpolate=rows"_s},
                 2,
                 0,
                 0,
                 0,
                 0,
                 nullptr,
                 "A single cell cannot be interpolated"},
        EditCase{"SmoothHoldsTheEdges",
                 Family::Data,
                 {kMap, u"--rows=5:10"_s, u"--columns=5:10"_s, u"--smooth=0.5"_s},
                 0,
                 5,
                 10,
                 5,
                 10,
                 [](const Values& v, int r, int c) {
                     if (r == 5 || r == 10 || c == 5 || c == 10) return v(r, c);
                     return Smooth(v, r, c, 0.5, true, true, 16, 16);
                 },
                 "Kennfellt\n"},
        EditCase{"SmoothEdgesAtTheMapsCorner",
                 Family::Data,
                 {kMap, u"--rows=0:3"_s, u"--columns=0:3"_s, u"--smooth=0.25"_s, u"--smooth-edges"_s},
                 0,
                 0,
                 3,
                 0,
                 3,
                 [](const Values& v, int r, int c) { return Smooth(v, r, c, 0.25, true, true, 16, 16); },
                 "Kennfellt\n"},
        EditCase{"SmoothAOneDimensionalTable",
                 Family::FLE,
                 {u"--table=full_load_enrichment"_s, u"--cells=2:9"_s, u"--smooth=1"_s},
                 0,
                 2,
                 9,
                 0,
                 0,
                 [](const Values& v, int r, int c) {
                     return r == 2 || r == 9 ? v(r, c) : Smooth(v, r, c, 1, false, true, 17, 1);
                 },
                 "Selected full_load_enrichment rows 2 to 9 (3745 to 1324): 8 cells.\n"},
        // Full load by its engine speeds; the temperature tables, whose
        // captions end open, by even steps.
        EditCase{"InterpolateFullLoadByRpm",
                 Family::FLE,
                 {u"--table=full_load_enrichment"_s, u"--cells=2:13"_s, u"--interpolate=rows"_s},
                 0,
                 2,
                 13,
                 0,
                 0,
                 [](const Values& v, int r, int) {
                     constexpr double kRpm[] = {6899, 4855, 3745, 3048, 2570, 2222, 1956, 1748, 1579,
                                                1324, 1140, 1001, 892,  732,  621,  539,  480};
                     return Line(v(2, 0), v(13, 0), kRpm[2], kRpm[13], kRpm[r]);
                 },
                 "Full load enrichment\n"},
        EditCase{"InterpolateATemperatureTable",
                 Family::IS,
                 {u"--table=idle_speed"_s, u"--interpolate=corners"_s},
                 0,
                 0,
                 8,
                 0,
                 0,
                 [](const Values& v, int r, int) { return Line(v(0, 0), v(8, 0), 0, 8, r); },
                 "Idle speed\n"},
        EditCase{"OutOfRangeRefused",
                 Family::Data,
                 {kMap, u"--rows=0"_s, u"--columns=13:15"_s, u"--add=300"_s},
                 1,
                 0,
                 0,
                 0,
                 0,
                 nullptr,
                 "Illegal value in the kennfelt field(s)\n"
                 "fuel_map row 0 (6096 rpm) column 14: 800 -> 1100, above 1023\n"
                 "fuel_map row 0 (6096 rpm) column 15: 900 -> 1200, above 1023\n"
                 "Nothing written"},
        EditCase{"OutOfRangeClamped",
                 Family::Data,
                 {kMap, u"--rows=0"_s, u"--columns=13:15"_s, u"--add=300"_s, u"--clamp"_s},
                 0,
                 0,
                 0,
                 13,
                 15,
                 [](const Values& v, int r, int c) { return std::min(1023.0, v(r, c) + 300); },
                 "Clamped to the range 0 to 1023:\n"
                 "  fuel_map row 0 (6096 rpm) column 14: 800 -> 1100, above 1023\n"
                 "  fuel_map row 0 (6096 rpm) column 15: 900 -> 1200, above 1023\n"},
        EditCase{"ClampedAtZero",
                 Family::WE,
                 {u"--table=warmup_enrichment"_s, u"--add=-300"_s, u"--clamp"_s},
                 0,
                 0,
                 16,
                 0,
                 0,
                 [](const Values&, int, int) { return 0.0; },
                 "Clamped to the range 0 to 255:\n"},
        // In steps of 1/128: 1.01 is 129.28 steps.
        EditCase{"ControlConstant",
                 Family::CC,
                 {u"--table=control_constant"_s, u"--add=0.01"_s},
                 0,
                 0,
                 0,
                 0,
                 0,
                 [](const Values& v, int r, int c) { return std::nearbyint((v(r, c) + 0.01) * 128) / 128; },
                 "Control constant\n  1.00 -> 1.0078125 (+0.0078125)\n"},
        // The other image differs in every table: only the region comes.
        EditCase{"CopyFromAnotherImage",
                 Family::Data,
                 {kMap, u"--rows=2:5"_s, u"--columns=6:9"_s, u"--copy-from"_s, u"other.bin"_s},
                 0,
                 2,
                 5,
                 6,
                 9,
                 [](const Values&, int r, int c) { return Values(Input(30), Family::Data)(r, c); },
                 "16 cells"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvik::tables
