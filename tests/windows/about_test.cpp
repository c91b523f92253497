// SPDX-License-Identifier: GPL-3.0-or-later
#include "generated/version.h"
#include "tests/windows/window_test_support.h"
#include "windows/frmAbout.h"
#include "windows/pictures.h"

#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace tarvik::testing {
namespace {

struct AboutLabelCase {
    const char* name;
    QPoint topLeft;
    QSize size;        // empty: sized to its one line of text, 13 high
    const char* text;  // null: checked elsewhere
};

class AboutLabel : public ::testing::TestWithParam<AboutLabelCase> {};

TEST_P(AboutLabel, StandsInPlaceTransparentAndItsTextFits) {
    const AboutLabelCase& c = GetParam();
    const frmAbout about;
    const QLabel* label = Label(about, c.name);
    ASSERT_NE(label, nullptr) << c.name;
    EXPECT_EQ(label->pos(), c.topLeft);
    if (c.size.isEmpty()) {
        EXPECT_TRUE(SizedToText(*label));
        EXPECT_EQ(label->height(), 13);
    } else {
        EXPECT_EQ(label->size(), c.size);
        EXPECT_TRUE(label->wordWrap());
    }
    if (c.text != nullptr) {
        EXPECT_EQ(label->text(), QString::fromLatin1(c.text));
    }
    EXPECT_FALSE(label->text().isEmpty());
    EXPECT_FALSE(label->autoFillBackground());
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), 8.25);
    EXPECT_FALSE(label->font().bold());
    EXPECT_TRUE(TextFits(*label)) << "\"" << label->text().toStdString() << "\" is cut off";
}

INSTANTIATE_TEST_SUITE_P(
    Labels, AboutLabel,
    ::testing::Values(
        AboutLabelCase{"lblText(3)", {32, 96}, {}, "Version 1.0.0"},
        AboutLabelCase{"lblText(0)", {32, 124}, {}, nullptr},
        AboutLabelCase{"lblText(1)",
                       {32, 144},
                       {337, 33},
                       "This program is not in any way affiliated with nor supported by Saab AB, Saab Automobile AB or "
                       "Robert Bosch GmbH"},
        AboutLabelCase{"lblText(2)",
                       {32, 180},
                       {335, 41},
                       "By using this program you agree to do so by your own risk. The author of the program can in no "
                       "way be held responsible for any damages caused by the use of this program."}),
    [](const auto& info) { return std::string("Index") + info.param.name[8]; });

TEST(AboutWindow, IsABorderlessPictureLeftWhereTheSystemPutsIt) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(about.windowType(), Qt::Tool) << "must stay out of the task bar";
    // The test display runs no window manager, so a window the program does
    // not place itself stays where it was created; a plain dialog would have
    // centred itself.
    const QPoint created = about.pos();
    ASSERT_TRUE(ShowActive(about));
    EXPECT_EQ(about.size(), QSize(397, 231));
    EXPECT_EQ(about.pos(), created) << "the window placed itself";

    // Unscaled and cut at the right and bottom: the window's last column and
    // row show the picture's pixels there, not the white background.
    const QImage shown = about.grab().toImage();
    const QImage picture = AboutPicture().toImage();
    for (const QPoint spot : {QPoint(0, 0), QPoint(396, 0), QPoint(0, 230), QPoint(396, 230), QPoint(200, 40),
                              QPoint(380, 200), QPoint(10, 150)}) {
        EXPECT_EQ(shown.pixel(spot), picture.pixel(spot)) << spot.x() << ", " << spot.y();
    }
}

// Runs the window as "&About..." does, modally, and does `act` once it is on
// screen. Returns false if the window was still up after two seconds.
bool RunModal(frmAbout& about, const std::function<void()>& act) {
    bool timedOut = false;
    QTimer::singleShot(0, &about, [&] {
        if (ShowActive(about)) act();
    });
    QTimer::singleShot(2000, &about, [&] {
        timedOut = true;
        about.done(QDialog::Rejected);
    });
    about.exec();
    return !timedOut;
}

struct PressCase {
    Qt::MouseButton button;
    Qt::KeyboardModifiers modifiers;
    const char* target;  // a label's name, or "Window" for a bare spot
};

class AboutPress : public ::testing::TestWithParam<PressCase> {};

TEST_P(AboutPress, HidesAndClosesTheWindow) {
    const PressCase& c = GetParam();
    frmAbout about;
    const QLabel* label = Label(about, c.target);
    const QPoint spot = label != nullptr ? label->geometry().center() : QPoint(390, 8);
    QWidget* hit = nullptr;

    ASSERT_TRUE(RunModal(about, [&] {
        hit = about.childAt(spot);
        QTest::mousePress(about.windowHandle(), c.button, c.modifiers, spot);
    })) << "the press did not close the window";
    QTest::mouseRelease(about.windowHandle(), c.button, c.modifiers, spot);

    EXPECT_EQ(hit, label) << "the press landed elsewhere";
    EXPECT_FALSE(about.isVisible());
}

std::vector<PressCase> PressCases() {
    std::vector<PressCase> cases;
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        for (const char* target : {"Window", "lblText(0)", "lblText(1)", "lblText(2)", "lblText(3)"}) {
            cases.push_back({button, Qt::NoModifier, target});
        }
        for (const Qt::KeyboardModifiers modifiers : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier}) {
            cases.push_back({button, modifiers, "Window"});
            cases.push_back({button, modifiers, "lblText(3)"});
        }
    }
    return cases;
}

std::string PressName(const ::testing::TestParamInfo<PressCase>& info) {
    const PressCase& c = info.param;
    std::string name = ButtonName(c.button);
    if (c.modifiers & Qt::ShiftModifier) name += "Shift";
    if (c.modifiers & Qt::ControlModifier) name += "Ctrl";
    if (c.modifiers & Qt::AltModifier) name += "Alt";
    std::string target = c.target;
    if (target.starts_with("lblText(")) target = std::string("Label") + target[8];
    return name + "On" + target;
}

INSTANTIATE_TEST_SUITE_P(AnyButtonAnywhere, AboutPress, ::testing::ValuesIn(PressCases()), PressName);

class AboutKey : public ::testing::TestWithParam<Qt::Key> {};

TEST_P(AboutKey, DoesNotCloseTheWindow) {
    frmAbout about;
    QSignalSpy finished(&about, &QDialog::finished);
    about.open();
    ASSERT_TRUE(ShowActive(about));

    TypeKey(about, GetParam());
    QCoreApplication::processEvents();

    EXPECT_TRUE(about.isVisible());
    EXPECT_EQ(finished.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, AboutKey,
                         ::testing::Values(Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space, Qt::Key_A));

TEST(AboutWindow, EachOpeningIsAFreshWindowWithTheSameVersion) {
    QStringList versions;
    for (int opening = 0; opening < 2; ++opening) {
        frmAbout about;
        EXPECT_FALSE(about.isVisible());
        const bool closed = RunModal(about, [&] {
            versions.append(Label(about, "lblText(3)")->text());
            QTest::mouseClick(about.windowHandle(), Qt::LeftButton, Qt::NoModifier, QPoint(390, 8));
        });
        EXPECT_TRUE(closed) << "opening " << opening + 1;
    }
    EXPECT_EQ(versions, QStringList({QString::fromStdString(ProgramVersionText()),
                                     QString::fromStdString(ProgramVersionText())}));
}

}  // namespace
}  // namespace tarvik::testing
