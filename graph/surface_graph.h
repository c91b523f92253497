#pragma once

#include <QWidget>

#include "fuel_graph.h"

namespace tarvik {

// The fuel-map graph on screen (placeholder until the 3-D view lands).
class SurfaceGraph final : public QWidget, public FuelGraph {
    Q_OBJECT
public:
    explicit SurfaceGraph(QWidget* parent = nullptr);
    void ReplaceSurface(const Breakpoints& x, const Breakpoints& y, const FuelMatrix& z) override;
    void ReplaceCursor(int x, int y, double z) override;
};

}  // namespace tarvik
