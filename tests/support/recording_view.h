// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include "graph/graph_view.h"
#include "tests/support/recording_graph.h"

namespace tarvik::testing {

// The main window's 3-D view, recorded: an empty widget in its place on the
// page, and every surface, marker and warm-up it is handed.
class RecordingView final : public Recording<GraphView> {
public:
    int warmUps = 0;

    [[nodiscard]] QWidget& Widget() override { return widget_; }
    void WarmUp() override { ++warmUps; }

private:
    QWidget widget_;
};

}  // namespace tarvik::testing
