// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "graph/fuel_graph.h"
#include "image/fields.h"

namespace tarvik {

// Engine speed (rpm) and load breakpoints of the fuel map, lowest first,
// as the plot hands them to the graph.
[[nodiscard]] inline Breakpoints RpmBreakpoints() { return kRpmBreakpoints; }
[[nodiscard]] inline Breakpoints LoadBreakpoints() { return kLoadBreakpoints; }

// Hands the surface of the 256 fuel-map field texts to the graph.
void PlotFuelMap(const FieldSource& fields, FuelGraph& graph);

// Marks fuel-map cell k on the graph, 10 above its value.
void PlotCursor(int k, const FieldSource& fields, FuelGraph& graph);

}  // namespace tarvik
