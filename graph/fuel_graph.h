// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>

#include "image/layout.h"

namespace tarvik {

// z[l][r]: first index load, second index RPM.
using FuelMatrix = std::array<std::array<double, 16>, 16>;

// The 3-D graph as modPlot sees it: two plots in common axes.
class FuelGraph {
public:
    virtual ~FuelGraph() = default;
    // Plot "Fuel": replace the whole surface. Cell (r, l) stands at
    // (x[r], y[l], z[l][r]).
    virtual void ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) = 0;
    // Plot "Cursor": replace the single marker point.
    virtual void ReplaceCursor(int x, int y, double z) = 0;
};

}  // namespace tarvik
