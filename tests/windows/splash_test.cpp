// SPDX-License-Identifier: GPL-3.0-or-later
#include "generated/version.h"
#include "tests/windows/window_test_support.h"
#include "windows/frmSplash.h"
#include "windows/pictures.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tarvik::testing {
namespace {

constexpr int kVersionRightEdge = 381;

class SplashVersionLine : public ::testing::TestWithParam<const char*> {};

TEST_P(SplashVersionLine, RightsLinesStartAtTheVersionTextsLeftEdge) {
    const QString text = QString::fromLatin1(GetParam());
    const frmSplash splash(text);
    const QLabel* version = Label(splash, "lblVersion");
    const QLabel* copyright = Label(splash, "lblCopyright");
    const QLabel* company = Label(splash, "lblCompany");
    ASSERT_TRUE(version && copyright && company);

    EXPECT_EQ(version->text(), text);
    EXPECT_TRUE(SizedToText(*version));
    EXPECT_EQ(version->geometry().right() + 1, kVersionRightEdge);
    EXPECT_EQ(version->y(), 200);
    EXPECT_EQ(version->height(), 19);
    EXPECT_EQ(copyright->geometry(), QRect(version->x(), 220, 87, 17));
    EXPECT_EQ(company->geometry(), QRect(version->x(), 234, 87, 17));
}

INSTANTIATE_TEST_SUITE_P(ShortAndLong, SplashVersionLine,
                         ::testing::Values("Version 1.0.0", "Version 12.3.45", "Version 2026.12.31999", "V"));

TEST(Splash, ShowsTheProgramVersionAndTheDisclaimer) {
    const frmSplash splash;
    EXPECT_EQ(Label(splash, "lblVersion")->text(), QString::fromStdString(ProgramVersionText()));
    const QLabel* warning = Label(splash, "lblWarning");
    ASSERT_NE(warning, nullptr);
    EXPECT_EQ(warning->text(),
              QStringLiteral("This program is not in any way affiliated with nor supported by Saab AB, "
                             "Saab Automobile AB or Robert Bosch GmbH"));
    EXPECT_EQ(warning->geometry(), QRect(18, 260, 361, 29));
    EXPECT_TRUE(warning->wordWrap());
}

struct LabelFont {
    const char* name;
    qreal points;
    bool bold;
    Qt::Alignment horizontal;
};

class SplashLabel : public ::testing::TestWithParam<LabelFont> {};

TEST_P(SplashLabel, IsTransparentArialAndItsTextFits) {
    const LabelFont& c = GetParam();
    const frmSplash splash;
    const QLabel* label = Label(splash, c.name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->font().family(), QStringLiteral("Arial"));
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), c.points);
    EXPECT_EQ(label->font().bold(), c.bold);
    EXPECT_EQ(label->alignment() & Qt::AlignHorizontal_Mask, c.horizontal);
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_FALSE(label->text().isEmpty());
    EXPECT_TRUE(TextFits(*label)) << "\"" << label->text().toStdString() << "\" is cut off";
}

INSTANTIATE_TEST_SUITE_P(Labels, SplashLabel,
                         ::testing::Values(LabelFont{"lblVersion", 12, true, Qt::AlignRight},
                                           LabelFont{"lblCopyright", 8.25, false, Qt::AlignLeft},
                                           LabelFont{"lblCompany", 8.25, false, Qt::AlignLeft},
                                           LabelFont{"lblWarning", 6.75, false, Qt::AlignLeft}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SplashWindow, IsABorderlessPictureCentredOnTheScreen) {
    frmSplash splash;
    EXPECT_EQ(splash.windowType(), Qt::SplashScreen);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowTitle().isEmpty());
    ASSERT_TRUE(ShowActive(splash));
    EXPECT_EQ(splash.size(), QSize(404, 292));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((splash.geometry().center() - screenCentre).manhattanLength(), 1);

    // The picture fills the window unscaled: spots no label covers show the
    // picture's own pixels at the same places.
    const QImage shown = splash.grab().toImage();
    const QImage picture = SplashPicture().toImage();
    for (const QPoint spot : {QPoint(0, 0), QPoint(403, 0), QPoint(0, 291), QPoint(403, 291), QPoint(100, 80),
                              QPoint(300, 120), QPoint(10, 230)}) {
        EXPECT_EQ(shown.pixel(spot), picture.pixel(spot)) << spot.x() << ", " << spot.y();
    }
}

// Something the user does on the splash window.
struct UserAction {
    std::string name;
    std::function<void(frmSplash&)> act;
};

class SplashIgnores : public ::testing::TestWithParam<UserAction> {};

TEST_P(SplashIgnores, TheWindowStaysUp) {
    frmSplash splash;
    QSignalSpy finished(&splash, &QDialog::finished);
    splash.open();
    ASSERT_TRUE(ShowActive(splash));

    GetParam().act(splash);
    QCoreApplication::processEvents();

    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(finished.count(), 0);
}

QPoint Spot(const frmSplash& splash, const char* target) {
    if (const QLabel* label = Label(splash, target)) return label->geometry().center();
    return {5, 5};  // the bare picture
}

std::vector<UserAction> SplashActions() {
    std::vector<UserAction> actions;
    const std::pair<const char*, Qt::Key> keys[] = {
        {"Escape", Qt::Key_Escape}, {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter}, {"Space", Qt::Key_Space},
        {"LetterA", Qt::Key_A},     {"LetterX", Qt::Key_X},     {"F1", Qt::Key_F1},       {"Tab", Qt::Key_Tab}};
    const std::pair<const char*, Qt::KeyboardModifiers> modifiers[] = {
        {"", Qt::NoModifier}, {"Shift", Qt::ShiftModifier}, {"Ctrl", Qt::ControlModifier}};
    for (const auto& [keyName, key] : keys) {
        for (const auto& [modifierName, modifier] : modifiers) {
            actions.push_back({std::string("Key") + modifierName + keyName,
                               [key = key, modifier = modifier](frmSplash& w) { TypeKey(w, key, modifier); }});
        }
    }
    const char* targets[] = {"Picture", "lblVersion", "lblCopyright", "lblCompany", "lblWarning"};
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        for (const char* target : targets) {
            actions.push_back({ButtonName(button) + "ClickOn" + target, [button, target](frmSplash& w) {
                                   ClickAt(w, button, Qt::NoModifier, Spot(w, target));
                               }});
        }
        actions.push_back({ButtonName(button) + "DoubleClick", [button](frmSplash& w) {
                               QTest::mouseDClick(w.windowHandle(), button, Qt::NoModifier, QPoint(200, 100));
                           }});
        actions.push_back({"Alt" + ButtonName(button) + "Click",
                           [button](frmSplash& w) { ClickAt(w, button, Qt::AltModifier, QPoint(200, 100)); }});
    }
    return actions;
}

INSTANTIATE_TEST_SUITE_P(KeysAndMouse, SplashIgnores, ::testing::ValuesIn(SplashActions()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tarvik::testing
