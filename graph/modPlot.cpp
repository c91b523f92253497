// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/modPlot.h"

#include "image/codec.h"

namespace tarvik {

namespace {
constexpr double kCursorLift = 10.0;
}

void PlotFuelMap(const FieldSource& fields, FuelGraph& graph) {
    FuelMatrix z{};
    for (int r = 0; r < 16; ++r) {
        for (int l = 0; l < 16; ++l) {
            z[l][r] = fields.FieldNumber(Family::Data, CellIndex(r, l));
        }
    }
    graph.ReplaceSurface(RpmBreakpoints(), LoadBreakpoints(), z);
}

void PlotCursor(int k, const FieldSource& fields, FuelGraph& graph) {
    const double height = fields.FieldNumber(Family::Data, k) + kCursorLift;
    graph.ReplaceCursor(RpmBreakpoints()[RpmIndex(k)], LoadBreakpoints()[LoadIndex(k)], height);
}

}  // namespace tarvik
