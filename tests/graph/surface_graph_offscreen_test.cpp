// SPDX-License-Identifier: GPL-3.0-or-later
// On a platform that shows no windows the graph must fall back to its note
// by itself, and stay usable.

#include <QGuiApplication>
#include <gtest/gtest.h>

#include "graph/surface_graph.h"
#include "tests/support/surface_graph_checks.h"

namespace tarvik::testing {
namespace {

class OffscreenGraphTest : public ::testing::TestWithParam<SurfaceGraph::Rendering> {};

TEST_P(OffscreenGraphTest, ShowsTheNoteAndAcceptsCalls) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    EXPECT_FALSE(OpenGLAvailable());
    SurfaceGraph graph(nullptr, GetParam());
    ExpectFallbackAcceptsCalls(graph);
}

INSTANTIATE_TEST_SUITE_P(Modes, OffscreenGraphTest,
                         ::testing::Values(SurfaceGraph::Rendering::Auto, SurfaceGraph::Rendering::ForceFallback),
                         [](const ::testing::TestParamInfo<SurfaceGraph::Rendering>& info) {
                             return info.param == SurfaceGraph::Rendering::Auto ? "Auto" : "ForceFallback";
                         });

}  // namespace
}  // namespace tarvik::testing
