// SPDX-License-Identifier: GPL-3.0-or-later
// The main of every test that needs widgets. Layout and pixel tests compare
// against fixed numbers, so the look is fixed here whatever the machine or
// the developer's desktop would choose: 96 DPI, no scaling, the Fusion
// style with its own palette, the generic platform theme (Qt's own file
// dialogs), and only the Liberation fonts, which stand in for Arial and the
// dialog font as on the machines the editor is tested on.
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStyle>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

constexpr const char* kFontFolder = "/usr/share/fonts/truetype/liberation2";

// A fontconfig set-up that sees the Liberation fonts only, with the usual
// rules (which map Arial to Liberation Sans). Left unchanged where the fonts
// are missing, so that a test then fails on the fonts, not on the set-up.
void UseOnlyTheLiberationFonts() {
    if (!QDir(QString::fromLatin1(kFontFolder)).exists()) return;
    const QString folder = QDir::temp().filePath(QStringLiteral("tarvik-test-fonts"));
    QDir().mkpath(folder);
    const QString config = folder + QStringLiteral("/fonts.conf");
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return;
    file.write(
        QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n  <dir>") +
        kFontFolder + "</dir>\n  <cachedir>" + QFile::encodeName(folder) +
        "/cache</cachedir>\n  <include ignore_missing=\"yes\">/etc/fonts/conf.d</include>\n</fontconfig>\n");
    file.close();
    qputenv("FONTCONFIG_FILE", QFile::encodeName(config));
}

}  // namespace

int main(int argc, char* argv[]) {
    for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                             "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_STYLE_OVERRIDE", "QT_FONT_DPI"}) {
        qunsetenv(name);
    }
    qputenv("QT_FONT_DPI", "96");
    qputenv("QT_QPA_PLATFORMTHEME", "generic");
    UseOnlyTheLiberationFonts();
    QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication app(argc, argv);
    QApplication::setPalette(QApplication::style()->standardPalette());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
