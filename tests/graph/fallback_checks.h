#pragma once

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "graph/surface_graph.h"

namespace tarvik {

// A graph without OpenGL shows its note in place of the 3-D view and takes
// every plotting call without drawing, failing or crashing.
inline void ExpectFallbackAcceptsCalls(SurfaceGraph& graph) {
    graph.resize(413, 365);
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));

    EXPECT_FALSE(graph.HasOpenGL());
    EXPECT_EQ(graph.Graph3D(), nullptr);
    EXPECT_EQ(graph.objectName(), QStringLiteral("Graph"));
    const auto* note = graph.findChild<QLabel*>();
    ASSERT_NE(note, nullptr);
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text(), SurfaceGraph::FallbackText());
    EXPECT_FALSE(note->text().isEmpty());

    Breakpoints x{};
    Breakpoints y{};
    FuelMatrix z{};
    for (int i = 0; i < 16; ++i) {
        x[i] = 500 + 300 * i;
        y[i] = 70 + 36 * i;
        for (int j = 0; j < 16; ++j) z[i][j] = 64.0 * j;
    }
    for (int round = 0; round < 3; ++round) {
        graph.ReplaceSurface(x, y, z);
        graph.ReplaceCursor(x[round], y[round], z[round][round] + 10);
    }
    EXPECT_TRUE(graph.SurfacePoints().isEmpty());
    EXPECT_FALSE(graph.MarkerPosition().has_value());
    EXPECT_TRUE(graph.RenderImage(QSize(200, 150)).isNull());
    EXPECT_TRUE(note->isVisible()) << "the note must stay after plotting calls";
}

}  // namespace tarvik
