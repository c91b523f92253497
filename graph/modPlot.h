#pragma once

#include "fields.h"
#include "fuel_graph.h"

namespace tarvik {

// Engine speed (rpm) and load breakpoints of the fuel map, lowest first.
[[nodiscard]] Breakpoints RpmBreakpoints();
[[nodiscard]] Breakpoints LoadBreakpoints();

// Fuel-map cell addressing: field index k <-> (RPM index r, load index l).
[[nodiscard]] constexpr int RpmIndex(int k) { return 15 - k / 16; }
[[nodiscard]] constexpr int LoadIndex(int k) { return 15 - k % 16; }
[[nodiscard]] constexpr int CellIndex(int r, int l) { return 255 - 16 * r - l; }

// Hands the surface of the 256 fuel-map field texts to the graph.
void PlotFuelMap(const FieldSource& fields, FuelGraph& graph);

// Marks fuel-map cell k on the graph, 10 above its value.
void PlotCursor(int k, const FieldSource& fields, FuelGraph& graph);

}  // namespace tarvik
