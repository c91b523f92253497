// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "graph/fuel_graph.h"

class QWidget;

namespace tarvik {

// The 3-D graph as the main window uses it: the two plots, the widget that
// shows them on the "Kennfellt" page, and a head start on drawing.
class GraphView : public FuelGraph {
public:
    // The widget to place on the window. The window borrows it for its own
    // life and hands it back (without a parent) when it goes.
    [[nodiscard]] virtual QWidget& Widget() = 0;

    // Called once the splash is on screen, while the program has 2.5 s with
    // nothing to do: the view may build its drawing code now rather than
    // when the main window first appears or at the first Open.
    virtual void WarmUp() = 0;
};

}  // namespace tarvik
