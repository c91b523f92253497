// SPDX-License-Identifier: GPL-3.0-or-later
// edit's arithmetic, run as the command in this process: every operation on
// a region in the middle of the map, at its corner, on one row, one column
// and one cell, and the cases that need a table of their own; the image it
// writes against values worked out here in floating point from the numbers
// as typed and the axes as the editor captions them.

#include <gtest/gtest.h>

#include <algorithm>
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
constexpr double kFullLoadRpm[17] = {6899, 4855, 3745, 3048, 2570, 2222, 1956, 1748, 1579,
                                     1324, 1140, 1001, 892,  732,  621,  539,  480};

[[nodiscard]] int MapCell(int row, int column) { return 16 * row + 15 - column; }

[[nodiscard]] const oracle::ByteTable& ByteTableOf(Family family) {
    return *std::find_if(oracle::kByteTables.begin(), oracle::kByteTables.end(),
                         [&](const oracle::ByteTable& t) { return t.family == family; });
}

// A table's values as the editor shows them, by the map's grid row and
// column, or by cell (column 0) in the other tables.
class Values {
public:
    Values(const ImageBytes& image, Family family) : image_(image), family_(family) {}
    double operator()(int row, int column) const {
        if (family_ == Family::Data) return oracle::FuelCell(image_, MapCell(row, column));
        return image_[ByteTableOf(family_).offset + static_cast<std::size_t>(row)] / ByteTableOf(family_).scale;
    }
    void Put(int row, int column, double value) {
        if (family_ == Family::Data)
            return oracle::PutFuelCell(image_, MapCell(row, column), static_cast<unsigned>(value));
        image_[ByteTableOf(family_).offset + static_cast<std::size_t>(row)] =
            static_cast<std::uint8_t>(value * ByteTableOf(family_).scale);
    }
    [[nodiscard]] const ImageBytes& Image() const { return image_; }

private:
    ImageBytes image_;
    Family family_;
};

enum class Op { Scale, Add, Set, Rows, Columns, Corners, Smooth, SmoothEdges, Copy };

struct Operation {
    const char* name;
    Op op;
    double num = 0;  // the number typed is num / den
    double den = 1;
};

struct EditCase {
    std::string name;
    Family family;
    QStringList region;
    int r0, r1, c0, c1;  // the cells it must select
    Operation operation;
    std::string says;  // part of standard output (status 0) or error
    int status = 0;
    bool clamp = false;
};

void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }

[[nodiscard]] EditCase Case(std::string name, Family family, QStringList region, int r0, int r1, int c0, int c1,
                            Operation operation, std::string says, int status = 0, bool clamp = false) {
    return {std::move(name), family, std::move(region), r0, r1, c0, c1, operation, std::move(says), status, clamp};
}

[[nodiscard]] double Line(double a, double b, double from, double to, double at) {
    return std::nearbyint((a * (to - at) + b * (at - from)) / (to - from));
}

// Where a row stands: the map's by engine speed, full load's by its
// captions' engine speeds, the temperature tables' by even steps.
[[nodiscard]] double RowAt(Family family, int row) {
    return family == Family::Data ? kRpmOfRow[row] : family == Family::FLE ? kFullLoadRpm[row] : row;
}

// What a selected cell must hold afterwards.
[[nodiscard]] double Expected(const EditCase& c, const Values& old, const Values& other, int r, int col) {
    const double steps = c.family == Family::CC ? 128 : 1;
    const bool wide = c.c1 > c.c0;
    const bool tall = c.r1 > c.r0;
    const Operation& o = c.operation;
    double value = old(r, col);
    switch (o.op) {
        case Op::Scale:
            value = std::nearbyint(value * steps * o.num / o.den) / steps;
            break;
        case Op::Add:
            value = std::nearbyint((value * o.den + o.num) * steps / o.den) / steps;
            break;
        case Op::Set:
            value = std::nearbyint(o.num * steps / o.den) / steps;
            break;
        case Op::Copy:
            return other(r, col);
        case Op::Rows:
        case Op::Columns:
        case Op::Corners: {
            // One cell wide: along the axis the region has.
            const Op along = !wide ? Op::Columns : !tall ? Op::Rows : o.op;
            const double x0 = kLoadOfColumn[c.c0], x1 = kLoadOfColumn[c.c1], x = kLoadOfColumn[col];
            const double y0 = RowAt(c.family, c.r0), y1 = RowAt(c.family, c.r1), y = RowAt(c.family, r);
            if (along == Op::Rows) return Line(old(r, c.c0), old(r, c.c1), x0, x1, x);
            if (along == Op::Columns) return Line(old(c.r0, col), old(c.r1, col), y0, y1, y);
            return std::nearbyint((old(c.r0, c.c0) * (x1 - x) * (y1 - y) + old(c.r0, c.c1) * (x - x0) * (y1 - y) +
                                   old(c.r1, c.c0) * (x1 - x) * (y - y0) + old(c.r1, c.c1) * (x - x0) * (y - y0)) /
                                  ((x1 - x0) * (y1 - y0)));
        }
        case Op::Smooth:
        case Op::SmoothEdges: {
            // (1 - S) x value + S x the mean of the cells beside it in the
            // table, along the axes the region extends along.
            const bool edge = (wide && (col == c.c0 || col == c.c1)) || (tall && (r == c.r0 || r == c.r1));
            if (edge && o.op == Op::Smooth) return value;
            const int rows = c.family == Family::Data ? 16 : FieldCount(c.family);
            const int columns = c.family == Family::Data ? 16 : 1;
            double sum = 0;
            int count = 0;
            for (const auto& [dr, dc] : {std::pair{0, -1}, {0, 1}, {-1, 0}, {1, 0}}) {
                if ((dr == 0 && !wide) || (dc == 0 && !tall)) continue;
                if (r + dr < 0 || r + dr >= rows || col + dc < 0 || col + dc >= columns) continue;
                sum += old(r + dr, col + dc);
                ++count;
            }
            return std::nearbyint(((o.den - o.num) * count * value + o.num * sum) / (o.den * count));
        }
    }
    return c.clamp ? std::clamp(value, 0.0, c.family == Family::Data ? 1023.0 : 255 / steps) : value;
}

// Random tables, fuel cells 150 to 800 so that results stay in range, and
// a few cells set for the cases that need them.
[[nodiscard]] ImageBytes Input(unsigned seed) {
    std::mt19937 rng(seed);
    ImageBytes image = oracle::RandomImage(rng);
    std::uniform_int_distribution<unsigned> cell(150, 800);
    for (int k = 0; k < 256; ++k) oracle::PutFuelCell(image, k, cell(rng));
    oracle::PutFuelCell(image, MapCell(7, 7), 55);
    for (int column = 13; column < 16; ++column) oracle::PutFuelCell(image, MapCell(0, column), 100u * (column - 6));
    image[3235] = 128;  // control constant 1.00
    return image;
}

class EditTest : public ToolFolderTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(EditTest, WritesTheRegionWorkedOutHereAndNothingElse) {
    const EditCase& c = GetParam();
    const ImageBytes input = Input(29);
    Write(u"in.bin"_s, Bytes(input));
    Write(u"other.bin"_s, Bytes(Input(30)));
    const Operation& o = c.operation;
    const QString number = QString::number(o.num / o.den);
    QStringList arguments =
        QStringList{u"edit"_s,          Path(u"in.bin"_s), u"-o"_s,
                    Path(u"out.bin"_s), u"--table"_s,      QString::fromUtf8(Layout(c.family).key)} +
        c.region;
    const QStringList operation[] = {{u"--scale="_s + number},
                                     {u"--add="_s + number},
                                     {u"--set="_s + number},
                                     {u"--interpolate=rows"_s},
                                     {u"--interpolate=columns"_s},
                                     {u"--interpolate=corners"_s},
                                     {u"--smooth="_s + number},
                                     {u"--smooth="_s + number, u"--smooth-edges"_s},
                                     {u"--copy-from"_s, Path(u"other.bin"_s)}};
    arguments << operation[static_cast<int>(o.op)];
    if (c.clamp) arguments << u"--clamp"_s;
    const Finished run = RunInProcess(arguments);

    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.says), std::string::npos) << run.out << run.err;
    if (c.status != 0) {
        EXPECT_TRUE(Read(u"out.bin"_s).isNull()) << "written";
        return;
    }
    const Values old(input, c.family);
    Values expected = old;
    for (int row = c.r0; row <= c.r1; ++row) {
        for (int column = c.c0; column <= c.c1; ++column)
            expected.Put(row, column, Expected(c, old, Values(Input(30), c.family), row, column));
    }
    EXPECT_EQ(Read(u"out.bin"_s), Bytes(expected.Image()));
}

// Every operation on every shape of region of the map, then the cases of
// their own.
[[nodiscard]] std::vector<EditCase> Cases() {
    // Bounds between breakpoints take the rows and columns inside them.
    const EditCase regions[] = {
        Case("Middle", Family::Data, {u"--rpm=2000:4000"_s, u"--load=190:400"_s}, 4, 8, 5, 13, {},
             "Selected fuel_map rows 4 to 8 (3692 to 2064 rpm), columns 5 to 13 (load 200 to 392): 45 cells.\n"),
        Case("Corner", Family::Data, {u"--rows=13:15"_s, u"--columns=12:15"_s}, 13, 15, 12, 15, {},
             "rows 13 to 15 (936 to 502 rpm), columns 12 to 15 (load 360 to 648)"),
        Case("Row", Family::Data, {u"--rpm=1833"_s}, 9, 9, 0, 15, {},
             "row 9 (1833 rpm), columns 0 to 15 (load 72 to 648): 16 cells"),
        Case("Column", Family::Data, {u"--columns=4"_s}, 0, 15, 4, 4, {},
             "rows 0 to 15 (6096 to 502 rpm), column 4 (load 184)"),
        Case("Cell", Family::Data, {u"--rows=7"_s, u"--columns=7"_s}, 7, 7, 7, 7, {}, ": 1 cell.\n"),
    };
    const Operation operations[] = {{"Scale", Op::Scale, 125, 100},
                                    {"Add", Op::Add, -75, 10},  // every result an exact half
                                    {"Set", Op::Set, 700},
                                    {"InterpolateRows", Op::Rows},
                                    {"InterpolateColumns", Op::Columns},
                                    {"InterpolateCorners", Op::Corners},
                                    {"Smooth", Op::Smooth, 5, 10},
                                    {"SmoothEdges", Op::SmoothEdges, 25, 100},
                                    {"Copy", Op::Copy}};
    std::vector<EditCase> cases;
    for (const EditCase& r : regions) {
        for (const Operation& o : operations) {
            EditCase c = r;
            c.name = o.name + r.name;
            c.operation = o;
            if (r.r0 == r.r1 && r.c0 == r.c1 && o.op != Op::Scale && o.op != Op::Add && o.op != Op::Set &&
                o.op != Op::Copy) {
                c.status = 2;
                c.says = "A single cell cannot be";
            }
            cases.push_back(c);
        }
    }
    cases.insert(cases.end(),
                 {
                     // 55 x 1.1 is 60.5 as the tuner reckons, rounded to 60; in binary
                     // floating point it is 60.50000000000001, which would round to 61.
                     Case("ScaleToAnExactHalf", Family::Data, {u"--rows=7"_s, u"--columns=7"_s}, 7, 7, 7, 7,
                          {"", Op::Scale, 11, 10}, "row 7 (2362 rpm) column 7: 55 -> 60 (+5)"),
                     Case("OutOfRangeRefused", Family::Data, {u"--rows=0"_s, u"--columns=13:15"_s}, 0, 0, 13, 15,
                          {"", Op::Add, 300},
                          "Illegal value in the kennfelt field(s)\n"
                          "fuel_map row 0 (6096 rpm) column 14: 800 -> 1100, above 1023\n"
                          "fuel_map row 0 (6096 rpm) column 15: 900 -> 1200, above 1023\nNothing written",
                          1),
                     Case("OutOfRangeClamped", Family::Data, {u"--rows=0"_s, u"--columns=13:15"_s}, 0, 0, 13, 15,
                          {"", Op::Add, 300},
                          "Clamped to the range 0 to 1023:\n"
                          "  fuel_map row 0 (6096 rpm) column 14: 800 -> 1100, above 1023\n"
                          "  fuel_map row 0 (6096 rpm) column 15: 900 -> 1200, above 1023\n",
                          0, true),
                     Case("ClampedAtZero", Family::WE, {}, 0, 16, 0, 0, {"", Op::Add, -300},
                          "Clamped to the range 0 to 255:\n", 0, true),
                     // In steps of 1/128: 1.01 is 129.28 steps.
                     Case("ControlConstant", Family::CC, {}, 0, 0, 0, 0, {"", Op::Add, 1, 100},
                          "Control constant\n  1.00 -> 1.0078125 (+0.0078125)\n"),
                     Case("FullLoadByItsEngineSpeeds", Family::FLE, {u"--cells=2:13"_s}, 2, 13, 0, 0, {"", Op::Rows},
                          "Selected full_load_enrichment rows 2 to 13 (3745 to 732): 12 cells.\n"),
                     Case("TemperatureTableByEvenSteps", Family::IS, {}, 0, 8, 0, 0, {"", Op::Corners}, "Idle speed\n"),
                     Case("SmoothAOneDimensionalTable", Family::FLE, {u"--cells=2:9"_s}, 2, 9, 0, 0,
                          {"", Op::Smooth, 1}, "Full load enrichment\n"),
                 });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, EditTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarvik::tables
