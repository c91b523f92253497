// SPDX-License-Identifier: GPL-3.0-or-later
// Writes PNG pictures of both pages of the main window into the build
// folder (screenshots/), with the demo image opened and a cell marked.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "editor/tab_control.h"
#include "graph/surface_graph.h"
#include "tests/support/editor_harness.h"
#include "tests/support/surface_graph_checks.h"

namespace tarvik::testing {
namespace {

QImage GrabWindow(QWidget& window) {
    // The screen holds what OpenGL drew; QWidget::grab() would miss it.
    const QPoint corner = window.mapToGlobal(QPoint(0, 0));
    return window.screen()->grabWindow(0, corner.x(), corner.y(), window.width(), window.height()).toImage();
}

TEST(Screenshots, BothPagesOfTheMainWindow) {
    BasicEditorHarness<SurfaceGraph> editor;
    FakePlatform& platform = editor.platform;
    frmMain& window = *editor.window;
    const QString demo = QStringLiteral(TARVIK_SOURCE_DIR "/demo/demo.bin");
    QFile file(demo);
    if (file.open(QIODevice::ReadOnly)) platform.fileSystem.files[demo] = file.readAll();
    platform.fileDialog.answers.push_back(demo);

    window.move(0, 0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    if (platform.fileSystem.files.contains(demo)) window.smnuOpen_Click();
    window.txtData_Click(100);
    // The 3-D view has drawn its frame once the marker is on the screen.
    ASSERT_TRUE(QTest::qWaitFor([&] { return FindRed(GrabWindow(window)).pixels > 10; }));

    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    const QImage first = GrabWindow(window);
    ASSERT_TRUE(first.save(folder + QStringLiteral("/main-kennfellt.png")));
    window.tabControl().setCurrentIndex(1);
    QImage second;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (second = GrabWindow(window)) != first; }));
    ASSERT_TRUE(second.save(folder + QStringLiteral("/main-other-parameters.png")));
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace tarvik::testing
