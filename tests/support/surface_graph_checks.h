// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the tests of the real 3-D graph share: the graph shown at its size in
// the main window, a plausible fuel map, the marker found by its colour,
// and the checks of the note shown without OpenGL.

#include <QImage>
#include <QLabel>
#include <QPointF>
#include <QTest>
#include <QVector3D>
#include <gtest/gtest.h>

#include <memory>

#include "graph/surface_graph.h"
#include "tests/support/qt_printers.h"

namespace tarvik::testing {

// The view's size on the main window's fuel-map page.
inline const QSize kGraphSize(413, 365);

// The graph on screen at that size; fails the test when there is no OpenGL.
[[nodiscard]] inline std::unique_ptr<SurfaceGraph> ShownGraph() {
    auto graph = std::make_unique<SurfaceGraph>();
    graph->resize(kGraphSize);
    graph->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(graph.get()));
    EXPECT_TRUE(graph->HasOpenGL()) << "no OpenGL on this display";
    return graph;
}

// A plausible map: richer towards high load and speed, staying below 1000.
[[nodiscard]] inline FuelMatrix SampleMap(double scale = 1.0) {
    FuelMatrix z{};
    for (int l = 0; l < 16; ++l) {
        for (int r = 0; r < 16; ++r) z[l][r] = scale * (120.0 + 45.0 * l + 12.0 * r);
    }
    return z;
}

// The graph holds exactly this surface: the point of RPM r and load l at
// (x[r], z[l][r], y[l]), load by load.
[[nodiscard]] inline ::testing::AssertionResult HoldsSurface(const SurfaceGraph& graph, const Breakpoints& x,
                                                             const Breakpoints& y, const FuelMatrix& z) {
    const QList<QVector3D> points = graph.SurfacePoints();
    if (points.size() != 256) return ::testing::AssertionFailure() << points.size() << " points";
    for (int l = 0; l < 16; ++l) {
        for (int r = 0; r < 16; ++r) {
            const QVector3D& p = points[l * 16 + r];
            if (p != QVector3D(x[r], static_cast<float>(z[l][r]), y[l])) {
                return ::testing::AssertionFailure()
                       << "l=" << l << " r=" << r << " holds (" << p.x() << ", " << p.y() << ", " << p.z() << ")";
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// The marker is the only clearly red thing in the picture.
struct RedPatch {
    int pixels = 0;
    QPointF centre;
};

[[nodiscard]] inline RedPatch FindRed(const QImage& image) {
    const QImage c = image.convertToFormat(QImage::Format_RGB32);
    RedPatch patch;
    double sx = 0;
    double sy = 0;
    for (int yy = 0; yy < c.height(); ++yy) {
        for (int xx = 0; xx < c.width(); ++xx) {
            const QRgb p = c.pixel(xx, yy);
            if (qRed(p) > 110 && qRed(p) > 2 * qGreen(p) && qRed(p) > 2 * qBlue(p)) {
                ++patch.pixels;
                sx += xx;
                sy += yy;
            }
        }
    }
    if (patch.pixels > 0) patch.centre = QPointF(sx / patch.pixels, sy / patch.pixels);
    return patch;
}

// A graph without OpenGL shows its note in place of the 3-D view and takes
// every plotting call and the warm-up without drawing, failing or crashing.
inline void ExpectFallbackAcceptsCalls(SurfaceGraph& graph) {
    graph.resize(kGraphSize);
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
    for (int i = 0; i < 16; ++i) {
        x[i] = 500 + 300 * i;
        y[i] = 70 + 36 * i;
    }
    const FuelMatrix z = SampleMap();
    for (int round = 0; round < 3; ++round) {
        graph.WarmUp();
        graph.ReplaceSurface(x, y, z);
        graph.ReplaceCursor(x[round], y[round], z[round][round] + 10);
    }
    EXPECT_TRUE(graph.SurfacePoints().isEmpty());
    EXPECT_FALSE(graph.MarkerPosition().has_value());
    EXPECT_TRUE(graph.RenderImage(QSize(200, 150)).isNull());
    EXPECT_TRUE(note->isVisible()) << "the note must stay after plotting calls";
}

}  // namespace tarvik::testing
