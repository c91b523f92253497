// SPDX-License-Identifier: GPL-3.0-or-later
// The 3-D view's warm-up and drawing set-up, which keep keystrokes and the
// first Open quick: the warm-up runs while the splash is on screen, after it
// has been painted, and leaves no trace in either plot; the view draws
// without multisampling. Needs a display with OpenGL (run under xvfb-run).
#include <Q3DSurface>
#include <QApplication>
#include <QSurface3DSeries>
#include <QSurfaceDataProxy>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "graph/modPlot.h"
#include "graph/surface_graph.h"
#include "platform/qt_platform.h"
#include "tests/support/editor_harness.h"
#include "tests/support/surface_graph_checks.h"

namespace tarvik::testing {
namespace {

TEST(GraphWarmUp, LeavesBothPlotsEmptyAndLaterCallsShowOnlyTheirOwnData) {
    const auto graph = ShownGraph();
    ASSERT_TRUE(graph->HasOpenGL());
    graph->WarmUp();

    EXPECT_TRUE(graph->SurfacePoints().isEmpty());
    EXPECT_FALSE(graph->MarkerPosition().has_value());
    EXPECT_TRUE(graph->Graph3D()->customItems().isEmpty()) << "the throw-away marker is gone";
    EXPECT_EQ(graph->Graph3D()->seriesList().front()->name(), QStringLiteral("Fuel"));
    EXPECT_EQ(FindRed(graph->RenderImage(kGraphSize)).pixels, 0) << "no marker on view before the first call";

    const Breakpoints x = RpmBreakpoints();
    const Breakpoints y = LoadBreakpoints();
    const FuelMatrix z = SampleMap();
    graph->ReplaceSurface(x, y, z);
    graph->ReplaceCursor(x[3], y[12], z[12][3] + 10);
    EXPECT_TRUE(HoldsSurface(*graph, x, y, z));
    ASSERT_TRUE(graph->MarkerPosition().has_value());
    EXPECT_EQ(*graph->MarkerPosition(), QVector3D(x[3], static_cast<float>(z[12][3] + 10), y[12]));
    EXPECT_EQ(graph->Graph3D()->customItems().size(), 1) << "one marker, not the warm-up's as well";
    EXPECT_GT(FindRed(graph->RenderImage(kGraphSize)).pixels, 10);
}

TEST(GraphWarmUp, TouchesNothingOnceDataHaveBeenHandedOver) {
    const struct {
        const char* name;
        bool surface;
        bool marker;
    } cases[] = {
        {"surface only", true, false},
        {"marker only", false, true},
        {"surface and marker", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto graph = ShownGraph();
        ASSERT_TRUE(graph->HasOpenGL());
        if (c.surface) graph->ReplaceSurface(RpmBreakpoints(), LoadBreakpoints(), SampleMap(0.5));
        if (c.marker) graph->ReplaceCursor(2362, 248, 333);
        const QList<QVector3D> points = graph->SurfacePoints();
        const std::optional<QVector3D> marker = graph->MarkerPosition();

        graph->WarmUp();

        EXPECT_EQ(graph->SurfacePoints(), points);
        EXPECT_EQ(graph->MarkerPosition(), marker);
        EXPECT_EQ(graph->Graph3D()->customItems().size(), c.marker ? 1 : 0);
    }
}

TEST(GraphSetUp, DrawsWithoutMultisampling) {
    const auto graph = ShownGraph();
    ASSERT_TRUE(graph->HasOpenGL());
    EXPECT_LE(graph->Graph3D()->format().samples(), 0)
        << "several samples per pixel make every frame several times dearer on a software renderer";
    EXPECT_GE(graph->Graph3D()->format().depthBufferSize(), 16) << "the surface still needs its depth test";
}

// Counts paints of the splash and, at each change of the fuel plot's data
// during start-up, whether the splash was up and had already been painted.
class StartupWatch final : public QObject {
public:
    int splashPaints = 0;
    int resets = 0;
    int resetsBeforeSplashPainted = 0;
    int resetsWithoutSplash = 0;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && watched->objectName() == QLatin1String("frmSplash")) ++splashPaints;
        return false;
    }

    void DataReset() {
        ++resets;
        if (splashPaints == 0) ++resetsBeforeSplashPainted;
        const QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->objectName() != QLatin1String("frmSplash")) ++resetsWithoutSplash;
    }
};

TEST(StartupWarmUp, RunsWhileThePaintedSplashStandsAndLeavesTheGraphEmpty) {
    // The real splash in Qt's own modal loop, and the real 3-D view.
    BasicEditorHarness<SurfaceGraph> editor([](FakePlatform& fakes) { fakes.Replace<QtModalShow>(); });
    SurfaceGraph* view = &editor.graph;
    ASSERT_TRUE(view->HasOpenGL());

    StartupWatch watch;
    qApp->installEventFilter(&watch);
    QObject::connect(view->Graph3D()->seriesList().front()->dataProxy(), &QSurfaceDataProxy::arrayReset, &watch,
                     [&watch] { watch.DataReset(); });
    editor.window->Form_Load();
    qApp->removeEventFilter(&watch);

    EXPECT_GT(watch.splashPaints, 0);
    EXPECT_GT(watch.resets, 0) << "the warm-up did not run";
    EXPECT_EQ(watch.resetsBeforeSplashPainted, 0) << "the warm-up must not hold up the splash's first picture";
    EXPECT_EQ(watch.resetsWithoutSplash, 0) << "the warm-up belongs to the splash's idle time";
    EXPECT_TRUE(view->SurfacePoints().isEmpty());
    EXPECT_FALSE(view->MarkerPosition().has_value());
    EXPECT_TRUE(view->Graph3D()->customItems().isEmpty());
}

}  // namespace
}  // namespace tarvik::testing
