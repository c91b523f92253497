// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QSize>
#include <QVector3D>
#include <QWidget>

#include <array>
#include <optional>

#include "graph/graph_view.h"

QT_BEGIN_NAMESPACE
class QCustom3DItem;
class QLabel;
class Q3DSurface;
class QSurface3DSeries;
QT_END_NAMESPACE

namespace tarvik {

// The fuel-map graph on the "Kennfellt" page: the surface "Fuel" and the
// marker of the selected cell in common RPM / load / fuel axes.
//
// Data Visualization axes: x is RPM, y (vertical) is the fuel value, z
// (depth) is load. A cell (r, l) therefore stands at
// (x[r], fuel, y[l]) in the graph's own coordinates.
//
// Without OpenGL the widget shows a short note instead, and the FuelGraph
// calls are accepted and do nothing, so the editor stays usable.
//
// The OpenGL side (the check for OpenGL, the graph window, axes and series)
// is built on first need rather than with the widget: at the warm-up, once
// the splash is on screen, or at the first plot or showing, whichever comes
// first. Asking for OpenGL before the splash would keep the splash from the
// screen for as long as the driver takes to answer.
class SurfaceGraph final : public QWidget, public GraphView {
    Q_OBJECT
public:
    enum class Rendering {
        Auto,           // the 3-D graph when OpenGL is available, else the note
        ForceFallback,  // always the note (for machines known to lack OpenGL)
    };

    // Axis ranges, wider than the fuel map itself so that the 6096 rpm row,
    // values up to 1023 and the marker above them stay inside the box.
    static constexpr double kRpmMax = 7200.0;
    static constexpr double kLoadMax = 650.0;
    static constexpr double kFuelMax = 1200.0;

    explicit SurfaceGraph(QWidget* parent = nullptr, Rendering rendering = Rendering::Auto);
    ~SurfaceGraph() override;

    void ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) override;
    void ReplaceCursor(int x, int y, double z) override;
    [[nodiscard]] QWidget& Widget() override { return *this; }

    // Draws a throw-away surface and marker once, off screen, and removes
    // them again: the software renderer builds its drawing code on first use,
    // which would otherwise hold up the first frame of the view and the first
    // Open. The plots are left exactly as they were; does nothing once data
    // has been handed over, and nothing without OpenGL.
    void WarmUp() override;

    // Whether the 3-D graph is live (false: the note is shown).
    [[nodiscard]] bool HasOpenGL() const {
        EnsureBuilt();
        return graph_ != nullptr;
    }

    // The graph drawn off screen at `size`; a null image without OpenGL.
    [[nodiscard]] QImage RenderImage(QSize size) const;

    // What is plotted, in the graph's coordinates (x RPM, y fuel, z load):
    // the surface points row by row (one row per load breakpoint), and the
    // marker, if one has been placed.
    [[nodiscard]] QList<QVector3D> SurfacePoints() const;
    [[nodiscard]] std::optional<QVector3D> MarkerPosition() const;

    // The live graph for inspection (axes, series, custom items); null
    // without OpenGL.
    [[nodiscard]] Q3DSurface* Graph3D() const {
        EnsureBuilt();
        return graph_;
    }

    // The text shown in place of the graph when OpenGL cannot be had.
    [[nodiscard]] static QString FallbackText();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Builds the graph or the note, once. Const because the inspecting
    // calls may be the first need; what it fills in is the lazily made view.
    void EnsureBuilt() const;
    void BuildGraph() const;
    void BuildFallback() const;
    // Puts the grid on the walls away from the camera, where the box's own
    // walls are drawn; called whenever the camera turns.
    void PlaceGrid();

    // Which end of the RPM and load axes the grid's upright walls stand at.
    struct GridSides {
        bool rpmWallAtEnd = false;
        bool loadWallAtEnd = false;
        bool operator==(const GridSides&) const = default;
    };

    Rendering rendering_;
    mutable bool built_ = false;
    mutable Q3DSurface* graph_ = nullptr;               // owned by its window container
    mutable QSurface3DSeries* series_ = nullptr;        // owned by graph_
    mutable std::array<QSurface3DSeries*, 3> walls_{};  // floor, RPM and load walls; owned by graph_
    std::optional<GridSides> gridSides_;
    QCustom3DItem* marker_ = nullptr;  // owned by graph_ once added
    mutable QLabel* note_ = nullptr;   // child widget
};

// True when an OpenGL context can be created and made current on this
// platform. Platforms that never show a window (offscreen, minimal) count
// as without OpenGL even if their GL back end would answer.
[[nodiscard]] bool OpenGLAvailable();

}  // namespace tarvik
