#pragma once

#include <vector>

#include "graph/fuel_graph.h"

namespace tarvik::testing {

// Stands for the 3-D graph: keeps every surface and marker handed to it.
class RecordingGraph final : public FuelGraph {
public:
    struct Surface {
        Breakpoints x;
        Breakpoints y;
        FuelMatrix z;
    };
    struct Cursor {
        int x;
        int y;
        double z;
    };
    std::vector<Surface> surfaces;
    std::vector<Cursor> cursors;

    void ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) override {
        surfaces.push_back({x, y, z});
    }
    void ReplaceCursor(int x, int y, double z) override { cursors.push_back({x, y, z}); }
};

}  // namespace tarvik::testing
