// SPDX-License-Identifier: GPL-3.0-or-later
// The 3-D graph on a real display with OpenGL: what it is set up with,
// what it holds after each call, and that both plots really reach the
// picture.

#include <Q3DCamera>
#include <Q3DScene>
#include <Q3DSurface>
#include <Q3DTheme>
#include <QDir>
#include <QLineF>
#include <QSurface3DSeries>
#include <QTest>
#include <QValue3DAxis>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graph/modPlot.h"
#include "graph/surface_graph.h"
#include "image/fields.h"
#include "tests/support/surface_graph_checks.h"

namespace tarvik::testing {
namespace {

[[nodiscard]] int CountDifferingPixels(const QImage& a, const QImage& b) {
    EXPECT_EQ(a.size(), b.size());
    const QImage ca = a.convertToFormat(QImage::Format_RGB32);
    const QImage cb = b.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int yy = 0; yy < ca.height(); ++yy) {
        for (int xx = 0; xx < ca.width(); ++xx) {
            const QRgb pa = ca.pixel(xx, yy);
            const QRgb pb = cb.pixel(xx, yy);
            const int d =
                std::abs(qRed(pa) - qRed(pb)) + std::abs(qGreen(pa) - qGreen(pb)) + std::abs(qBlue(pa) - qBlue(pb));
            if (d > 30) ++count;
        }
    }
    return count;
}

// The view as set up and turned as a user turns it.
struct View {
    const char* view;
    float turn;  // degrees, added to the camera's own
    float tilt;
};
constexpr View kViews[] = {{"as set up", 0, 0},
                           {"turned a quarter", 90, 0},
                           {"turned half", 180, 0},
                           {"turned three quarters", 270, 0},
                           {"looked at from above", 0, 25}};

class SurfaceGraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        graph_ = ShownGraph();
        ASSERT_TRUE(graph_->HasOpenGL());
        ASSERT_NE(graph_->Graph3D(), nullptr);
    }

    // Also leaves the picture in $TARVIK_GRAPH_RENDERS, when set, for a look.
    [[nodiscard]] QImage Render(const char* name) const {
        QImage image = graph_->RenderImage(kGraphSize);
        EXPECT_FALSE(image.isNull()) << name;
        const QString dir = qEnvironmentVariable("TARVIK_GRAPH_RENDERS");
        if (!dir.isEmpty()) image.save(QDir(dir).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
        return image;
    }

    // The series that draw the grid on the walls.
    [[nodiscard]] QList<QSurface3DSeries*> GridSeries() const {
        QList<QSurface3DSeries*> walls = graph_->Graph3D()->seriesList();
        walls.removeIf([](const QSurface3DSeries* s) { return s->name() != QStringLiteral("Grid"); });
        return walls;
    }

    // Runs `check` with the camera turned to each of kViews in turn.
    template <typename Check>
    void ForEachView(Check check) {
        Q3DCamera* camera = graph_->Graph3D()->scene()->activeCamera();
        const float yaw = camera->xRotation();
        const float pitch = camera->yRotation();
        for (const View& v : kViews) {
            SCOPED_TRACE(v.view);
            camera->setXRotation(yaw + v.turn);
            camera->setYRotation(pitch + v.tilt);
            check(v);
        }
    }

    [[nodiscard]] static std::pair<Breakpoints, Breakpoints> Axes() { return {RpmBreakpoints(), LoadBreakpoints()}; }

    std::unique_ptr<SurfaceGraph> graph_;
};

struct AxisCase {
    const char* name;
    QValue3DAxis* (Q3DSurface::*axis)() const;
    const char* title;
    double max;
    double major;  // distance between major ticks
    double minor;  // distance between minor ticks
};

TEST_F(SurfaceGraphTest, AxesCarryTheirCaptionsRangesAndTicks) {
    const AxisCase cases[] = {
        {"x", &Q3DSurface::axisX, "RPM", 7200, 1200, 400},
        {"z (depth)", &Q3DSurface::axisZ, "Massflow / Load", 650, 130, 130.0 / 3},
        {"y (height)", &Q3DSurface::axisY, "Fuel", 1200, 200, 200.0 / 3},
    };
    for (const AxisCase& c : cases) {
        SCOPED_TRACE(c.name);
        const QValue3DAxis* axis = (graph_->Graph3D()->*c.axis)();
        ASSERT_NE(axis, nullptr);
        EXPECT_EQ(axis->title(), QString::fromLatin1(c.title));
        EXPECT_TRUE(axis->isTitleVisible());
        EXPECT_FLOAT_EQ(axis->min(), 0.0f);
        EXPECT_FLOAT_EQ(axis->max(), static_cast<float>(c.max));
        ASSERT_GT(axis->segmentCount(), 0);
        ASSERT_GT(axis->subSegmentCount(), 0);
        const double major = (axis->max() - axis->min()) / axis->segmentCount();
        EXPECT_NEAR(major, c.major, 1e-3);
        EXPECT_NEAR(major / axis->subSegmentCount(), c.minor, 1e-3);
    }
    const QFont font = graph_->Graph3D()->activeTheme()->font();
    EXPECT_EQ(font.family(), QStringLiteral("Arial"));
    EXPECT_EQ(font.weight(), QFont::Normal);
}

// The patches of touching pixels (diagonals included) that `in` picks out of
// a picture, each as its pixels.
template <typename Pick>
[[nodiscard]] std::vector<std::vector<QPointF>> Patches(const QImage& picture, Pick in) {
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    const auto picked = [&](QPoint p) { return image.rect().contains(p) && in(image.pixel(p)); };
    std::vector<char> seen(static_cast<std::size_t>(image.width() * image.height()), 0);
    const auto visit = [&](QPoint p) { return !std::exchange(seen[p.y() * image.width() + p.x()], 1); };
    std::vector<std::vector<QPointF>> patches;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (!picked({x, y}) || !visit({x, y})) continue;
            std::vector<QPointF> patch{QPointF(x, y)};
            for (std::size_t i = 0; i < patch.size(); ++i) {
                for (const QPoint step : {QPoint(1, 0), QPoint(1, 1), QPoint(0, 1), QPoint(-1, 1)}) {
                    for (const QPoint n : {patch[i].toPoint() + step, patch[i].toPoint() - step}) {
                        if (picked(n) && visit(n)) patch.emplace_back(n);
                    }
                }
            }
            patches.push_back(std::move(patch));
        }
    }
    return patches;
}

// The heights of the labels in a picture of the graph drawn with no surface,
// grid or walls, where every dark patch is text: a patch's height is its
// extent across its principal axis, so that a label tilted with the view
// measures as high as one lying straight. Patches too short to have a
// baseline (a lone glyph, a dot) are left out.
[[nodiscard]] std::vector<int> LabelHeights(const QImage& picture) {
    std::vector<int> heights;
    for (const std::vector<QPointF>& patch : Patches(picture, [](QRgb p) { return qGray(p) < 200; })) {
        QPointF mean;
        for (const QPointF& p : patch) mean += p / static_cast<double>(patch.size());
        double xx = 0, yy = 0, xy = 0;
        for (const QPointF& p : patch) {
            const QPointF d = p - mean;
            xx += d.x() * d.x();
            yy += d.y() * d.y();
            xy += d.x() * d.y();
        }
        const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
        const QPointF along(std::cos(angle), std::sin(angle));
        const QPointF across(-along.y(), along.x());
        double length[2] = {1e9, -1e9}, height[2] = {1e9, -1e9};
        for (const QPointF& p : patch) {
            const double a = QPointF::dotProduct(p, along), h = QPointF::dotProduct(p, across);
            length[0] = std::min(length[0], a), length[1] = std::max(length[1], a);
            height[0] = std::min(height[0], h), height[1] = std::max(height[1], h);
        }
        if (patch.size() >= 6 && length[1] - length[0] >= 1.5 * (height[1] - height[0])) {
            heights.push_back(static_cast<int>(std::lround(height[1] - height[0])) + 1);
        }
    }
    return heights;
}

// Readable at the view's size, as set up and turned as a user turns it: the
// typical label at least 10 pixels high, as 12 pt text is on the screen.
TEST_F(SurfaceGraphTest, AxisLabelsAreReadableFromEveryAngle) {
    graph_->Graph3D()->activeTheme()->setBackgroundEnabled(false);
    for (QSurface3DSeries* wall : GridSeries()) wall->setVisible(false);
    ForEachView([&](const View& v) {
        std::vector<int> heights = LabelHeights(Render(v.view));
        ASSERT_GE(heights.size(), 20u) << "the tick labels are missing";
        std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
        EXPECT_GE(heights[heights.size() / 2], 10) << "median of " << heights.size() << " labels";
    });
}

// The grid of every view is drawn in whole lines, one patch of touching
// pixels per wall or so rather than the hundreds of dots of lines thinner
// than a pixel, and stands where the box's own grid would: on the walls
// away from the viewer. Both grids are drawn red on an empty graph.
TEST_F(SurfaceGraphTest, GridLinesAreWholeAndOnTheFarWalls) {
    Q3DSurface& graph = *graph_->Graph3D();
    graph.activeTheme()->setGridLineColor(Qt::red);
    const QList<QSurface3DSeries*> walls = GridSeries();
    ASSERT_EQ(walls.size(), 3);
    const auto red = [](QRgb p) { return qRed(p) > 100 && qRed(p) - std::max(qGreen(p), qBlue(p)) > 80; };
    const auto draw = [&](bool ours, const char* view) {
        graph.activeTheme()->setGridEnabled(!ours);
        graph.activeTheme()->setBackgroundEnabled(!ours);
        for (QSurface3DSeries* wall : walls) {
            wall->setWireframeColor(Qt::red);
            wall->setVisible(ours);
        }
        return Render((std::string(ours ? "grid " : "box's grid ") + view).c_str())
            .convertToFormat(QImage::Format_RGB32);
    };
    ForEachView([&](const View& v) {
        const QImage ours = draw(true, v.view);
        const auto patches = Patches(ours, red);
        EXPECT_LE(patches.size(), 6u) << "the grid lines are broken";

        int dots = 0, onOurs = 0;
        for (const auto& patch : Patches(draw(false, v.view), red)) {
            for (const QPointF dot : patch) {
                ++dots;
                const QRect around(dot.toPoint() - QPoint(1, 1), QSize(3, 3));
                bool near = false;
                for (int y = around.top(); y <= around.bottom(); ++y) {
                    for (int x = around.left(); x <= around.right(); ++x)
                        near |= ours.valid(x, y) && red(ours.pixel(x, y));
                }
                onOurs += near ? 1 : 0;
            }
        }
        ASSERT_GT(dots, 500) << "the box's own grid is missing";
        EXPECT_GE(onOurs, dots * 95 / 100) << "of the box's grid's " << dots << " dots, on or next to the grid";
    });
}

TEST_F(SurfaceGraphTest, StartsWithOneEmptyFuelSeriesAndTheSurfaceReachesThePicture) {
    const QList<QSurface3DSeries*> series = graph_->Graph3D()->seriesList();
    EXPECT_EQ(series.front()->name(), QStringLiteral("Fuel"));
    for (const QSurface3DSeries* s : series.mid(1)) EXPECT_EQ(s->name(), QStringLiteral("Grid"));
    EXPECT_TRUE(graph_->SurfacePoints().isEmpty());
    EXPECT_FALSE(graph_->MarkerPosition().has_value());
    EXPECT_TRUE(graph_->Graph3D()->customItems().isEmpty());
    const QImage empty = Render("empty");
    EXPECT_EQ(FindRed(empty).pixels, 0) << "nothing red before the first marker";

    const auto [x, y] = Axes();
    graph_->ReplaceSurface(x, y, SampleMap());
    const QImage drawn = Render("surface");
    // The surface covers a good part of the box, not a few stray pixels.
    EXPECT_GT(CountDifferingPixels(empty, drawn), kGraphSize.width() * kGraphSize.height() / 20);
    EXPECT_EQ(FindRed(drawn).pixels, 0) << "the surface must not look like the marker";
}

// Each call hands over the whole surface: the new one replaces the old in
// the same series, point for point.
TEST_F(SurfaceGraphTest, EachSurfaceReplacesThePreviousOne) {
    const auto [x, y] = Axes();
    QSurface3DSeries* series = graph_->Graph3D()->seriesList().front();
    const qsizetype count = graph_->Graph3D()->seriesList().size();
    const double scales[] = {1.0, 0.5, 0.0, 1.1};
    for (const double scale : scales) {
        SCOPED_TRACE(scale);
        const FuelMatrix z = SampleMap(scale);
        graph_->ReplaceSurface(x, y, z);
        ASSERT_EQ(graph_->Graph3D()->seriesList().size(), count);
        EXPECT_EQ(graph_->Graph3D()->seriesList().front(), series) << "the series is kept, only its data change";
        EXPECT_TRUE(HoldsSurface(*graph_, x, y, z));
    }
}

TEST_F(SurfaceGraphTest, MarkerReachesThePictureMovesWithEachCallAndStaysThroughRedraws) {
    const auto [x, y] = Axes();
    graph_->ReplaceSurface(x, y, SampleMap());
    const QImage before = Render("surface");

    const FuelMatrix z = SampleMap();
    graph_->ReplaceCursor(x[0], y[0], z[0][0] + 10);
    const QImage first = Render("marker_low_corner");
    EXPECT_GT(CountDifferingPixels(before, first), 0);
    const RedPatch firstRed = FindRed(first);
    EXPECT_GT(firstRed.pixels, 10) << "the marker must stand out";

    graph_->ReplaceCursor(x[15], y[15], z[15][15] + 10);
    const QImage second = Render("marker_high_corner");
    const RedPatch secondRed = FindRed(second);
    EXPECT_GT(secondRed.pixels, 10);
    EXPECT_GT(QLineF(firstRed.centre, secondRed.centre).length(), 40.0) << "the marker must leave the first cell";
    EXPECT_EQ(graph_->Graph3D()->customItems().size(), 1) << "only one marker is ever shown";
    const QVector3D placed(x[15], static_cast<float>(z[15][15] + 10), y[15]);
    ASSERT_TRUE(graph_->MarkerPosition().has_value());
    EXPECT_EQ(*graph_->MarkerPosition(), placed);

    for (const double scale : {0.2, 0.9}) {  // redrawing the surface leaves the marker
        graph_->ReplaceSurface(x, y, SampleMap(scale));
        ASSERT_TRUE(graph_->MarkerPosition().has_value());
        EXPECT_EQ(*graph_->MarkerPosition(), placed);
        EXPECT_EQ(graph_->Graph3D()->customItems().size(), 1);
        EXPECT_GT(FindRed(Render("marker_after_redraw")).pixels, 10) << "scale " << scale;
    }
}

// Driven the way the editor drives it: the corner cells and the top value
// a decoded image can hold must all stay inside the box, marker included.
TEST_F(SurfaceGraphTest, HighestCellsStayInsideTheAxes) {
    for (const int k : {0, 15, 240, 255}) {
        SCOPED_TRACE(k);
        FieldTexts fields;
        for (int i = 0; i < kFuelCells; ++i) fields.SetFieldText(Family::Data, i, std::to_string((i * 37) % 1024));
        fields.SetFieldText(Family::Data, k, "1023");
        PlotFuelMap(fields, *graph_);
        PlotCursor(k, fields, *graph_);

        const Q3DSurface* g = graph_->Graph3D();
        const auto inside = [g](const QVector3D& p) {
            return p.x() >= g->axisX()->min() && p.x() <= g->axisX()->max() && p.y() >= g->axisY()->min() &&
                   p.y() <= g->axisY()->max() && p.z() >= g->axisZ()->min() && p.z() <= g->axisZ()->max();
        };
        const QList<QVector3D> points = graph_->SurfacePoints();
        ASSERT_EQ(points.size(), 256);
        for (const QVector3D& p : points) EXPECT_TRUE(inside(p)) << p.x() << ", " << p.y() << ", " << p.z();
        ASSERT_TRUE(graph_->MarkerPosition().has_value());
        const QVector3D marker = *graph_->MarkerPosition();
        EXPECT_TRUE(inside(marker)) << marker.x() << ", " << marker.y() << ", " << marker.z();
        EXPECT_FLOAT_EQ(marker.y(), 1033.0f);
        // The marker hangs right above the cell's own point of the surface.
        int below = 0;
        for (const QVector3D& p : points) {
            if (p.x() == marker.x() && p.z() == marker.z()) {
                ++below;
                EXPECT_FLOAT_EQ(p.y(), 1023.0f);
            }
        }
        EXPECT_EQ(below, 1);
        EXPECT_GT(FindRed(Render("marker_at_1023")).pixels, 10) << "a marker at 1033 must not be clipped";
    }
}

TEST(SurfaceGraphFallback, ForcedNoteWorksEvenWithOpenGL) {
    SurfaceGraph graph(nullptr, SurfaceGraph::Rendering::ForceFallback);
    ExpectFallbackAcceptsCalls(graph);
}

}  // namespace
}  // namespace tarvik::testing
