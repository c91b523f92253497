// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

#include "graph/fuel_graph.h"

namespace tarvik::testing {

struct RecordedSurface {
    Breakpoints x;
    Breakpoints y;
    FuelMatrix z;
};
struct RecordedCursor {
    int x;
    int y;
    double z;
};

// Stands for the 3-D graph: keeps every surface and marker handed to it.
// Base is FuelGraph for the plot alone, GraphView for the main window.
template <typename Base = FuelGraph>
class Recording : public Base {
public:
    std::vector<RecordedSurface> surfaces;
    std::vector<RecordedCursor> cursors;

    void ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) override {
        surfaces.push_back({x, y, z});
    }
    void ReplaceCursor(int x, int y, double z) override { cursors.push_back({x, y, z}); }
};

using RecordingGraph = Recording<FuelGraph>;

}  // namespace tarvik::testing
