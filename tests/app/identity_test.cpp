// SPDX-License-Identifier: GPL-3.0-or-later
// The running editor names itself as its desktop entry does, so that the
// desktop shows the entry's icon for its windows.

#include <gtest/gtest.h>

#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>

#include "app/identity.h"

namespace tarvik {
namespace {

TEST(Identity, IsTheDesktopEntrys) {
    SetEditorIdentity();
    // The desktop file name is the entry the package installs...
    QFile entry(QStringLiteral(TARVIK_PACKAGING_DIR "/%1.desktop.in").arg(QGuiApplication::desktopFileName()));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly)) << entry.fileName().toStdString();
    // ... and the window class is the one that entry expects.
    const QRegularExpressionMatch wmClass =
        QRegularExpression(QStringLiteral("^StartupWMClass=(.+)$"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(entry.readAll()));
    ASSERT_TRUE(wmClass.hasMatch());
    EXPECT_EQ(QCoreApplication::applicationName(), wmClass.captured(1));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QStringLiteral(TARVIK_VERSION));
}

}  // namespace
}  // namespace tarvik
