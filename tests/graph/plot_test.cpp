// SPDX-License-Identifier: GPL-3.0-or-later
// modPlot against a recording graph: which field ends up where on the
// surface and under the marker, and what number a field's text becomes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph/modPlot.h"
#include "image/fields.h"
#include "tests/support/recording_graph.h"

namespace tarvik::testing {
namespace {

constexpr double kBackground = 999.0;

// Every fuel-map field reads 999 except field k, which holds `text`.
FieldTexts FieldsWithOneCell(int k, const std::string& text) {
    FieldTexts fields;
    for (int i = 0; i < kFuelCells; ++i) fields.SetFieldText(Family::Data, i, "999");
    fields.SetFieldText(Family::Data, k, text);
    return fields;
}

struct CellCase {
    const char* name;
    int k;             // field index
    std::string text;  // the field's text
    int rpm;           // where the cell must stand
    int load;
    double plotted;  // its height on the surface
    double marker;   // the marker's height above it
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

class PlotCellTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(PlotCellTest, SurfaceHoldsTheCellAtItsBreakpointsAndTheMarkerStandsTenAbove) {
    const CellCase& c = GetParam();
    const FieldTexts fields = FieldsWithOneCell(c.k, c.text);
    RecordingGraph graph;
    PlotFuelMap(fields, graph);
    ASSERT_EQ(graph.surfaces.size(), 1u);
    EXPECT_TRUE(graph.cursors.empty()) << "drawing the surface must not move the marker";
    const RecordedSurface& s = graph.surfaces.front();
    // Exactly one point differs from the background, and it is the cell's.
    int found = 0;
    for (int l = 0; l < 16; ++l) {
        for (int r = 0; r < 16; ++r) {
            if (s.z[l][r] == kBackground) continue;
            ++found;
            EXPECT_EQ(s.x[r], c.rpm) << "l=" << l << " r=" << r;
            EXPECT_EQ(s.y[l], c.load) << "l=" << l << " r=" << r;
            EXPECT_DOUBLE_EQ(s.z[l][r], c.plotted);
        }
    }
    EXPECT_EQ(found, 1) << "the cell's value must appear at one point only";

    PlotCursor(c.k, fields, graph);
    ASSERT_EQ(graph.cursors.size(), 1u);
    EXPECT_EQ(graph.surfaces.size(), 1u) << "marking a cell must not redraw the surface";
    EXPECT_EQ(graph.cursors.front().x, c.rpm);
    EXPECT_EQ(graph.cursors.front().y, c.load);
    EXPECT_DOUBLE_EQ(graph.cursors.front().z, c.marker);
}

INSTANTIATE_TEST_SUITE_P(
    Cells, PlotCellTest,
    ::testing::Values(
        // The four corners of the field grid.
        CellCase{"BottomLeft", 255, "300", 502, 72, 300, 310}, CellCase{"BottomRight", 240, "400", 502, 648, 400, 410},
        CellCase{"TopLeft", 15, "500", 6096, 72, 500, 510}, CellCase{"TopRight", 0, "600", 6096, 648, 600, 610},
        // Field texts as the user or the decoder may leave them.
        CellCase{"LeadingZero", 100, "051", 2759, 328, 51, 61}, CellCase{"Empty", 17, "", 5578, 520, 0, 10},
        CellCase{"NotANumber", 200, "abc", 1214, 232, 0, 10},
        CellCase{"LargestDecoded", 128, "1023", 2064, 648, 1023, 1033}, CellCase{"Zero", 37, "0", 4766, 296, 0, 10}),
    [](const ::testing::TestParamInfo<CellCase>& info) { return std::string(info.param.name); });

// The marker of every cell must stand directly above that cell's point of
// the surface; a swapped index in either operation shows up here.
TEST(PlotMapping, EveryMarkerStandsAboveItsOwnSurfacePoint) {
    FieldTexts fields;
    for (int k = 0; k < kFuelCells; ++k) fields.SetFieldText(Family::Data, k, std::to_string(k + 1));
    RecordingGraph graph;
    PlotFuelMap(fields, graph);
    ASSERT_EQ(graph.surfaces.size(), 1u);
    const RecordedSurface& s = graph.surfaces.front();

    for (int k = 0; k < kFuelCells; ++k) {
        PlotCursor(k, fields, graph);
        ASSERT_EQ(graph.cursors.size(), static_cast<std::size_t>(k + 1));
        const RecordedCursor& m = graph.cursors.back();
        int found = 0;
        for (int l = 0; l < 16; ++l) {
            for (int r = 0; r < 16; ++r) {
                if (s.z[l][r] != k + 1) continue;
                ++found;
                EXPECT_EQ(m.x, s.x[r]) << "field " << k;
                EXPECT_EQ(m.y, s.y[l]) << "field " << k;
                EXPECT_DOUBLE_EQ(m.z, s.z[l][r] + 10) << "field " << k;
            }
        }
        EXPECT_EQ(found, 1) << "field " << k << " must be drawn exactly once";
    }
}

// The graph draws a grid surface; its breakpoints must rise strictly along
// each axis or the surface folds over itself.
TEST(PlotMapping, BreakpointsRiseStrictly) {
    const struct {
        const char* name;
        Breakpoints points;
        int first;
        int last;
    } axes[] = {{"RPM", RpmBreakpoints(), 502, 6096}, {"load", LoadBreakpoints(), 72, 648}};
    for (const auto& axis : axes) {
        EXPECT_EQ(axis.points.front(), axis.first) << axis.name;
        EXPECT_EQ(axis.points.back(), axis.last) << axis.name;
        for (std::size_t i = 1; i < axis.points.size(); ++i) {
            EXPECT_LT(axis.points[i - 1], axis.points[i]) << axis.name << " at " << i;
        }
    }
}

}  // namespace
}  // namespace tarvik::testing
