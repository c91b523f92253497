// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the splash and About windows for the README: set
// TARVIK_SCREENSHOT_DIR to a folder and run under a display (xvfb-run).
#include "windows/frmAbout.h"
#include "windows/frmSplash.h"

#include <QDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tarvik::testing {
namespace {

TEST(Screenshots, SplashAndAboutWindows) {
    const QString folder = qEnvironmentVariable("TARVIK_SCREENSHOT_DIR");
    if (folder.isEmpty()) GTEST_SKIP() << "TARVIK_SCREENSHOT_DIR is not set";
    ASSERT_TRUE(QDir().mkpath(folder));

    struct Shot {
        const char* file;
        std::function<std::unique_ptr<QWidget>()> make;
        QSize size;
    };
    const Shot shots[] = {
        {"splash.png", [] { return std::make_unique<frmSplash>(); }, QSize(404, 292)},
        {"about.png", [] { return std::make_unique<frmAbout>(); }, QSize(397, 231)},
    };
    for (const Shot& shot : shots) {
        const std::unique_ptr<QWidget> window = shot.make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get())) << shot.file;
        const QImage image = window->grab().toImage();
        EXPECT_EQ(image.size(), shot.size) << shot.file;
        EXPECT_TRUE(image.save(QDir(folder).filePath(QString::fromLatin1(shot.file)))) << shot.file;
    }
}

}  // namespace
}  // namespace tarvik::testing
