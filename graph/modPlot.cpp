#include "modPlot.h"

#include "codec.h"

namespace tarvik {

namespace {
constexpr double kCursorLift = 10.0;
}

Breakpoints RpmBreakpoints() {
    return {502, 665, 936, 1214, 1425, 1649, 1833, 2064, 2362, 2759, 3318, 3692, 4161, 4766, 5578, 6096};
}

Breakpoints LoadBreakpoints() {
    return {72, 104, 136, 168, 184, 200, 216, 232, 248, 264, 296, 328, 360, 392, 520, 648};
}

void PlotFuelMap(const FieldSource& fields, FuelGraph& graph) {
    FuelMatrix z{};
    for (int r = 0; r < 16; ++r) {
        for (int l = 0; l < 16; ++l) {
            z[l][r] = ParseLeadingNumber(fields.FieldText(Family::Data, CellIndex(r, l)));
        }
    }
    graph.ReplaceSurface(RpmBreakpoints(), LoadBreakpoints(), z);
}

void PlotCursor(int k, const FieldSource& fields, FuelGraph& graph) {
    const double height = ParseLeadingNumber(fields.FieldText(Family::Data, k)) + kCursorLift;
    graph.ReplaceCursor(RpmBreakpoints()[RpmIndex(k)], LoadBreakpoints()[LoadIndex(k)], height);
}

}  // namespace tarvik
