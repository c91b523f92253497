#include "surface_graph.h"

namespace tarvik {

SurfaceGraph::SurfaceGraph(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("Graph")); }

void SurfaceGraph::ReplaceSurface(const Breakpoints&, const Breakpoints&, const FuelMatrix&) {}

void SurfaceGraph::ReplaceCursor(int, int, double) {}

}  // namespace tarvik
