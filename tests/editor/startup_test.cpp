// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up with the real splash window and the real 2.5 s timer: the splash
// stands alone on screen, nothing the user does shortens it, and the main
// window appears only after the tick.
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "editor/tab_control.h"
#include "platform/qt_platform.h"
#include "tests/support/editor_harness.h"
#include "windows/frmSplash.h"

namespace tarvik::testing {
namespace {

[[nodiscard]] QList<QWidget*> VisibleWindows() {
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) shown << w;
    }
    return shown;
}

TEST(Startup, OnlyTheSplashForTwoAndAHalfSecondsThenTheMainWindow) {
    // The splash in Qt's own modal loop.
    EditorHarness editor([](FakePlatform& fakes) { fakes.Replace<QtModalShow>(); });
    frmMain& window = *editor.window;

    QStringList seenWhileUp;
    bool splashCentred = false;
    bool pokedAndStillUp = false;
    // Runs inside the splash's modal loop.
    QTimer::singleShot(0, [&] {
        auto* splash = qobject_cast<frmSplash*>(QApplication::activeModalWidget());
        ASSERT_NE(splash, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
        for (QWidget* w : VisibleWindows()) seenWhileUp << w->objectName();
        const QRect screen = splash->screen()->availableGeometry();
        splashCentred = std::abs(splash->frameGeometry().center().x() - screen.center().x()) <= 1 &&
                        std::abs(splash->frameGeometry().center().y() - screen.center().y()) <= 1;
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Space, Qt::Key_A}) QTest::keyClick(splash, key);
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseClick(splash, button, Qt::NoModifier, QPoint(100, 100));
        }
        pokedAndStillUp = splash->isVisible();
    });

    QElapsedTimer clock;
    clock.start();
    window.Form_Load();
    const qint64 elapsed = clock.elapsed();

    EXPECT_EQ(seenWhileUp, QStringList{QStringLiteral("frmSplash")}) << "the splash stands alone";
    EXPECT_TRUE(splashCentred);
    EXPECT_TRUE(pokedAndStillUp);
    EXPECT_GE(elapsed, 2450) << "keys and clicks did not shorten it";
    EXPECT_LT(elapsed, 5000);
    EXPECT_FALSE(window.splashTimer().isActive()) << "the tick happens once";
    EXPECT_EQ(window.tabOrder().size(), 311u) << "the tab order is set after the splash";
    EXPECT_EQ(editor.graph.warmUps, 1) << "the view was warmed up once while the splash stood";
    for (QWidget* w : QApplication::topLevelWidgets()) {
        EXPECT_NE(w->objectName(), QStringLiteral("frmSplash")) << "the splash was unloaded";
    }

    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.tabControl().currentIndex(), 0);
    EXPECT_FALSE(window.saveAsAction().isEnabled());
}

TEST(Startup, ATickWithTheSplashAlreadyGoneOnlyStopsTheTimer) {
    EditorHarness editor;
    frmMain& window = *editor.window;
    window.Form_Load();  // the fake returns at once, the timer still runs
    EXPECT_EQ(editor.platform.modalShow.shown, QStringList{QStringLiteral("frmSplash")});
    EXPECT_TRUE(window.splashTimer().isActive());
    EXPECT_EQ(window.splashTimer().interval(), 2500);
    window.timerSplash_Timer();
    EXPECT_FALSE(window.splashTimer().isActive());
}

}  // namespace
}  // namespace tarvik::testing
