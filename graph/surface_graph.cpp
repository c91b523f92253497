// SPDX-License-Identifier: GPL-3.0-or-later
#include "graph/surface_graph.h"

#include <Q3DCamera>
#include <Q3DScene>
#include <Q3DSurface>
#include <Q3DTheme>
#include <QCustom3DItem>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QSurface3DSeries>
#include <QSurfaceDataProxy>
#include <QVBoxLayout>
#include <QValue3DAxis>
#include <QtMath>

#include <cmath>
#include <memory>
#include <vector>

namespace tarvik {

namespace {

// Shipped with the program as a resource (see CMakeLists.txt).
constexpr const char* kMarkerMesh = ":/tarvik/graph/marker_sphere.obj";

// Size of the marker sphere relative to the graph box (radius-1 mesh).
constexpr float kMarkerScale = 0.09f;

// Seen from above the high-RPM, low-load corner: the map rises away from
// the viewer towards high load, so no part of it hides another. Close
// enough that box and labels fill the small view, edge to edge.
constexpr float kCameraYaw = -40.0f;
constexpr float kCameraPitch = 32.0f;
constexpr float kCameraZoom = 110.0f;
// Aim below the box's centre: the axis labels hang below the box, so this
// centres box and labels together in the view.
constexpr QVector3D kCameraTarget(0.0f, -0.35f, 0.0f);

// The graph sizes its labels against its scene, not the screen: the point
// size only scales them (0.05 + p / 500 of a scene unit high). Arial at 40
// here stands about as high on the 413 x 365 view (10 to 11 pixels) as
// 12 pt text does on the screen; 12 itself came out some 7 pixels high.
constexpr int kLabelPointSize = 40;

struct AxisSetup {
    const char* title;
    double max;
    int segments;     // major ticks
    int subSegments;  // minor ticks per major step
};

// Major ticks every 1200 rpm, 130 load and 200 fuel; three minor steps in each.
constexpr AxisSetup kRpmAxis{"RPM", SurfaceGraph::kRpmMax, 6, 3};
constexpr AxisSetup kLoadAxis{"Massflow / Load", SurfaceGraph::kLoadMax, 5, 3};
constexpr AxisSetup kFuelAxis{"Fuel", SurfaceGraph::kFuelMax, 6, 3};

void ConfigureAxis(QValue3DAxis& axis, const AxisSetup& setup) {
    axis.setTitle(QString::fromLatin1(setup.title));
    axis.setTitleVisible(true);
    // Titles turn with the camera so they stay readable from any angle.
    axis.setTitleFixed(false);
    axis.setRange(0.0f, static_cast<float>(setup.max));
    axis.setSegmentCount(setup.segments);
    axis.setSubSegmentCount(setup.subSegments);
    axis.setLabelFormat(QStringLiteral("%.0f"));
    axis.setLabelAutoRotation(30.0f);
}

// The grid stands on the three walls of the box away from the viewer, at
// every minor tick, a hair inside the box.
constexpr float kGridInset = 0.002f;  // of the axis' range
constexpr QRgb kGridColour = qRgb(200, 200, 200);

// Every minor tick of an axis, from 0 to its end.
[[nodiscard]] std::vector<float> Ticks(const AxisSetup& setup) {
    const int steps = setup.segments * setup.subSegments;
    std::vector<float> ticks;
    for (int i = 0; i <= steps; ++i) ticks.push_back(static_cast<float>(setup.max * i / steps));
    return ticks;
}

// A flat grid of points whose wire frame is the grid of one wall: a row of
// points for each value of `rows`, a point in it for each value of `columns`.
template <typename Point>
[[nodiscard]] QSurfaceDataArray* WallPoints(const std::vector<float>& rows, const std::vector<float>& columns,
                                            Point point) {
    auto array = std::make_unique<QSurfaceDataArray>();
    for (const float r : rows) {
        auto row = std::make_unique<QSurfaceDataRow>();
        for (const float c : columns) row->append(QSurfaceDataItem(point(r, c)));
        array->append(row.release());
    }
    return array.release();
}

// Where a wall stands on an axis: at its start or its end, a hair inside.
[[nodiscard]] float WallAt(const AxisSetup& setup, bool atEnd) {
    const auto inset = static_cast<float>(setup.max) * kGridInset;
    return atEnd ? static_cast<float>(setup.max) - inset : inset;
}

[[nodiscard]] QImage SolidTexture(const QColor& colour) {
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The marker of the selected cell: a small red sphere.
[[nodiscard]] std::unique_ptr<QCustom3DItem> MakeMarker(const QVector3D& position) {
    auto marker = std::make_unique<QCustom3DItem>(QString::fromLatin1(kMarkerMesh), position,
                                                  QVector3D(kMarkerScale, kMarkerScale, kMarkerScale), QQuaternion(),
                                                  SolidTexture(QColor(230, 20, 20)));
    marker->setShadowCasting(false);
    return marker;
}

// The graph's own default asks for 8 samples per pixel; a software renderer
// gives 4, and then shades and blends every pixel four times over: a
// keystroke's frame took 2.5 to 6 ms longer, at times more than half a 60 Hz
// frame in all, while every keystroke in the map draws a frame, and the
// buffers 5 to 10 MiB more. Edges are drawn without smoothing; the grid is
// drawn in lines a pixel wide (see BuildGraph), which need none.
// Built by hand rather than through the library's helper, which makes and
// drops a whole GL context only to find out which GL flavour is in use.
[[nodiscard]] QSurfaceFormat GraphFormat() {
    QSurfaceFormat format;
    format.setDepthBufferSize(24);
    format.setStencilBufferSize(8);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    if (QOpenGLContext::openGLModuleType() == QOpenGLContext::LibGLES) {
        format.setRedBufferSize(8);
        format.setGreenBufferSize(8);
        format.setBlueBufferSize(8);
    } else {
        format.setVersion(2, 1);
    }
    format.setSamples(0);
    return format;
}

}  // namespace

bool OpenGLAvailable() {
    // The offscreen platform can still hand out a GL context when an X
    // display happens to be around, yet nothing it draws reaches a screen.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) {
        return false;
    }
    QOpenGLContext context;
    if (!context.create()) return false;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
    context.doneCurrent();
    return true;
}

SurfaceGraph::SurfaceGraph(QWidget* parent, Rendering rendering) : QWidget(parent), rendering_(rendering) {
    setObjectName(QStringLiteral("Graph"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void SurfaceGraph::EnsureBuilt() const {
    if (built_) return;
    built_ = true;
    if (rendering_ == Rendering::Auto && OpenGLAvailable()) {
        BuildGraph();
    } else {
        BuildFallback();
    }
}

void SurfaceGraph::showEvent(QShowEvent* event) {
    EnsureBuilt();
    QWidget::showEvent(event);
}

SurfaceGraph::~SurfaceGraph() = default;

QString SurfaceGraph::FallbackText() {
    return QStringLiteral("The 3-D graph needs OpenGL, which is not available here.");
}

void SurfaceGraph::BuildFallback() const {
    note_ = new QLabel(FallbackText(), const_cast<SurfaceGraph*>(this));
    note_->setObjectName(QStringLiteral("GraphNote"));
    note_->setAlignment(Qt::AlignCenter);
    note_->setWordWrap(true);
    note_->setFrameShape(QFrame::StyledPanel);
    layout()->addWidget(note_);
}

void SurfaceGraph::BuildGraph() const {
    // The container takes ownership of the graph window.
    const QSurfaceFormat format = GraphFormat();
    auto* graph = new Q3DSurface(&format);
    QWidget* container = QWidget::createWindowContainer(graph, const_cast<SurfaceGraph*>(this));
    container->setObjectName(QStringLiteral("GraphView"));
    container->setFocusPolicy(Qt::NoFocus);
    layout()->addWidget(container);
    graph_ = graph;

    // Shadows cost far more than they show on a software renderer, and every
    // keystroke in the map redraws the graph.
    graph_->setShadowQuality(QAbstract3DGraph::ShadowQualityNone);
    // Cells are picked in the field grid, not on the graph.
    graph_->setSelectionMode(QAbstract3DGraph::SelectionNone);

    Q3DTheme* theme = graph_->activeTheme();
    theme->setType(Q3DTheme::ThemeQt);
    theme->setFont(QFont(QStringLiteral("Arial"), kLabelPointSize));
    // Black, not the theme's dark grey: the labels are drawn from a large picture
    // of the text shrunk to size, which thins and lightens the strokes.
    theme->setLabelTextColor(Qt::black);
    theme->setLabelBorderEnabled(false);
    theme->setLabelBackgroundEnabled(false);

    ConfigureAxis(*graph_->axisX(), kRpmAxis);
    ConfigureAxis(*graph_->axisZ(), kLoadAxis);
    ConfigureAxis(*graph_->axisY(), kFuelAxis);

    // RPM and load get box sides of equal length, whatever their ranges;
    // otherwise the 0-650 load axis would shrink to a sliver next to 0-7200 rpm.
    graph_->setHorizontalAspectRatio(1.0);
    graph_->setAspectRatio(1.6);
    Q3DCamera* camera = graph_->scene()->activeCamera();
    camera->setCameraPosition(kCameraYaw, kCameraPitch, kCameraZoom);
    camera->setTarget(kCameraTarget);

    // One series for the whole life of the graph; each redraw only swaps its
    // data array.
    series_ = new QSurface3DSeries(new QSurfaceDataProxy(), graph_);
    series_->setName(QStringLiteral("Fuel"));
    series_->setDrawMode(QSurface3DSeries::DrawSurfaceAndWireframe);
    series_->setFlatShadingEnabled(false);
    series_->setWireframeColor(QColor(40, 40, 40));
    QLinearGradient gradient;
    gradient.setColorAt(0.0, QColor(20, 40, 150));
    gradient.setColorAt(0.5, QColor(30, 160, 170));
    gradient.setColorAt(1.0, QColor(200, 220, 60));
    series_->setBaseGradient(gradient);
    series_->setColorStyle(Q3DTheme::ColorStyleRangeGradient);
    graph_->addSeries(series_);

    // The library draws its own grid lines as strips thinner than a pixel
    // of this small view, which break up into dots; the wire frame of a
    // series is drawn as lines a pixel wide. So the grid is three flat
    // series, one per far wall, shown as wire frames only.
    theme->setGridEnabled(false);
    // No margin between the data and the box, so that the box's walls stand
    // at the ends of the axes, where the grid's series can reach; and no
    // walls drawn, white on the white view as they are, for the grid lines
    // would flicker in and out of them.
    graph_->setMargin(0.0);
    theme->setBackgroundEnabled(false);
    for (QSurface3DSeries*& wall : walls_) {
        wall = new QSurface3DSeries(new QSurfaceDataProxy(), graph_);
        wall->setName(QStringLiteral("Grid"));
        wall->setDrawMode(QSurface3DSeries::DrawWireframe);
        wall->setWireframeColor(QColor(kGridColour));
        graph_->addSeries(wall);
    }
    auto* self = const_cast<SurfaceGraph*>(this);
    QObject::connect(camera, &Q3DCamera::xRotationChanged, self, &SurfaceGraph::PlaceGrid);
    self->PlaceGrid();
}

void SurfaceGraph::PlaceGrid() {
    // The camera circles the box at the turn xRotation (degrees) and looks
    // down on it (the fuel axis starts at 0, so never from below): it sees
    // the walls at the far end of each horizontal axis from itself, and the
    // floor.
    const double turn = qDegreesToRadians(static_cast<double>(graph_->scene()->activeCamera()->xRotation()));
    const GridSides sides{std::sin(turn) >= 0.0, std::cos(turn) >= 0.0};
    if (gridSides_ == sides) return;
    gridSides_ = sides;
    const std::vector<float> rpm = Ticks(kRpmAxis), load = Ticks(kLoadAxis), fuel = Ticks(kFuelAxis);
    const float floor = WallAt(kFuelAxis, false);
    const float side = WallAt(kRpmAxis, sides.rpmWallAtEnd);
    const float back = WallAt(kLoadAxis, sides.loadWallAtEnd);
    walls_[0]->dataProxy()->resetArray(WallPoints(load, rpm, [&](float l, float r) { return QVector3D(r, floor, l); }));
    walls_[1]->dataProxy()->resetArray(WallPoints(load, fuel, [&](float l, float f) { return QVector3D(side, f, l); }));
    walls_[2]->dataProxy()->resetArray(WallPoints(fuel, rpm, [&](float f, float r) { return QVector3D(r, f, back); }));
}

void SurfaceGraph::ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) {
    EnsureBuilt();
    if (series_ == nullptr) return;
    // Rows run along the depth (load) axis, columns along RPM: element
    // [l][r] of the array is cell (r, l).
    auto rows = std::make_unique<QSurfaceDataArray>();
    rows->reserve(static_cast<qsizetype>(y.size()));
    for (std::size_t l = 0; l < y.size(); ++l) {
        auto row = std::make_unique<QSurfaceDataRow>(static_cast<qsizetype>(x.size()));
        for (std::size_t r = 0; r < x.size(); ++r) {
            (*row)[static_cast<qsizetype>(r)].setPosition(
                QVector3D(static_cast<float>(x[r]), static_cast<float>(z[l][r]), static_cast<float>(y[l])));
        }
        rows->append(row.release());
    }
    // The proxy takes the array and its rows, and frees the previous ones.
    series_->dataProxy()->resetArray(rows.release());
}

void SurfaceGraph::ReplaceCursor(int x, int y, double z) {
    EnsureBuilt();
    if (graph_ == nullptr) return;
    const QVector3D position(static_cast<float>(x), static_cast<float>(z), static_cast<float>(y));
    if (marker_ != nullptr) {
        marker_->setPosition(position);
        return;
    }
    std::unique_ptr<QCustom3DItem> marker = MakeMarker(position);
    // The graph owns the marker from here on.
    graph_->addCustomItem(marker.get());
    marker_ = marker.release();
}

void SurfaceGraph::WarmUp() {
    EnsureBuilt();
    if (graph_ == nullptr || series_->dataProxy()->rowCount() != 0 || marker_ != nullptr) return;
    FuelMatrix z{};
    for (std::size_t l = 0; l < z.size(); ++l) {
        for (std::size_t r = 0; r < z[l].size(); ++r) z[l][r] = 40.0 * static_cast<double>(l + r);
    }
    const Breakpoints x{500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000, 6200, 6400, 6600, 6800};
    const Breakpoints y{40, 80, 120, 160, 200, 240, 280, 320, 360, 400, 440, 480, 520, 560, 600, 640};
    ReplaceSurface(x, y, z);
    std::unique_ptr<QCustom3DItem> marker = MakeMarker(QVector3D(3000.0f, 500.0f, 300.0f));
    graph_->addCustomItem(marker.get());
    QCustom3DItem* added = marker.release();  // the graph's until removed

    (void)graph_->renderToImage(0, size());

    // Back to no data and no marker, as before; removing deletes the item.
    graph_->removeCustomItem(added);
    series_->dataProxy()->resetArray(nullptr);
}

QImage SurfaceGraph::RenderImage(QSize size) const {
    EnsureBuilt();
    if (graph_ == nullptr) return {};
    return graph_->renderToImage(0, size);
}

QList<QVector3D> SurfaceGraph::SurfacePoints() const {
    EnsureBuilt();
    QList<QVector3D> points;
    if (series_ == nullptr) return points;
    const QSurfaceDataArray* rows = series_->dataProxy()->array();
    if (rows == nullptr) return points;
    for (const QSurfaceDataRow* row : *rows) {
        for (const QSurfaceDataItem& item : *row) points.append(item.position());
    }
    return points;
}

std::optional<QVector3D> SurfaceGraph::MarkerPosition() const {
    if (marker_ == nullptr) return std::nullopt;
    return marker_->position();
}

}  // namespace tarvik
