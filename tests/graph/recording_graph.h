#pragma once

#include <vector>

#include "fuel_graph.h"

namespace tarvik {

struct SurfaceCall {
    Breakpoints x;
    Breakpoints y;
    FuelMatrix z;
};

struct CursorCall {
    int x;
    int y;
    double z;
};

// A graph that only remembers what it was asked to draw, in order.
class RecordingGraph final : public FuelGraph {
public:
    void ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) override {
        surfaces.push_back({x, y, z});
    }
    void ReplaceCursor(int x, int y, double z) override { cursors.push_back({x, y, z}); }

    std::vector<SurfaceCall> surfaces;
    std::vector<CursorCall> cursors;
};

}  // namespace tarvik
