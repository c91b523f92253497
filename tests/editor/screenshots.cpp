// Writes PNG pictures of both pages of the main window into the build
// folder (screenshots/), with the demo image opened and a cell marked.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/fake_platform.h"
#include "editor/field_edit.h"
#include "editor/frmMain.h"
#include "graph/surface_graph.h"
#include "editor/tab_control.h"

namespace tarvik {
namespace {

QImage GrabWindow(QWidget& window) {
    // The screen holds what OpenGL drew; QWidget::grab() would miss it.
    const QPoint corner = window.mapToGlobal(QPoint(0, 0));
    return window.screen()->grabWindow(0, corner.x(), corner.y(), window.width(), window.height()).toImage();
}

TEST(Screenshots, BothPagesOfTheMainWindow) {
    testing::FakePlatform platform;
    const QString demo = QStringLiteral(TARVIK_SOURCE_DIR "/demo/demo.bin");
    QFile file(demo);
    if (file.open(QIODevice::ReadOnly)) platform.fileSystem.files[demo] = file.readAll();
    platform.fileDialog.answers.push_back(demo);

    SurfaceGraph view;
    frmMain window(platform.Get(), view);
    window.move(0, 0);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    if (platform.fileSystem.files.contains(demo)) window.smnuOpen_Click();
    window.txtData_Click(100);
    QTest::qWait(300);  // let the 3-D view render its frame

    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    const QImage first = GrabWindow(window);
    ASSERT_TRUE(first.save(folder + QStringLiteral("/main-kennfellt.png")));
    window.tabControl().setCurrentIndex(1);
    QTest::qWait(100);
    const QImage second = GrabWindow(window);
    ASSERT_TRUE(second.save(folder + QStringLiteral("/main-other-parameters.png")));
    EXPECT_NE(first, second);
}

}  // namespace
}  // namespace tarvik
