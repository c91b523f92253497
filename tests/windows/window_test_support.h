// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>

#include "tests/support/qt_printers.h"

namespace tarvik::testing {

[[nodiscard]] inline QLabel* Label(const QWidget& window, const char* name) {
    return window.findChild<QLabel*>(QString::fromLatin1(name));
}

// Shows the window as a real one and gives it the keyboard.
[[nodiscard]] inline bool ShowActive(QWidget& window) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;
    window.activateWindow();
    window.windowHandle()->requestActivate();
    return QTest::qWaitForWindowActive(&window);
}

// A mouse button as the user presses it: through the window system, to
// whichever widget lies under the pointer.
inline void ClickAt(QWidget& window, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint where) {
    QTest::mouseClick(window.windowHandle(), button, modifiers, where);
}

// A key as the user types it: through the window system and the shortcut
// machinery to the window's focus.
inline void TypeKey(QWidget& window, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(window.windowHandle(), key, modifiers);
}

// True when text, laid out in the label's font and wrapping, fits the label.
[[nodiscard]] inline bool TextFits(const QLabel& label) {
    const int flags = Qt::AlignLeft | Qt::AlignTop | (label.wordWrap() ? Qt::TextWordWrap : 0);
    const QRect needed = label.fontMetrics().boundingRect(QRect(0, 0, label.width(), 10000), flags, label.text());
    return needed.width() <= label.width() && needed.height() <= label.height();
}

// A label sized to its one line of text: no narrower than the text's
// advance and at most the one pixel wider that rounding the advance up gives.
[[nodiscard]] inline ::testing::AssertionResult SizedToText(const QLabel& label) {
    const int advance = label.fontMetrics().horizontalAdvance(label.text());
    if (label.width() < advance || label.width() > advance + 1) {
        return ::testing::AssertionFailure() << "width " << label.width() << " for a text advance of " << advance;
    }
    return ::testing::AssertionSuccess();
}

[[nodiscard]] inline std::string ButtonName(Qt::MouseButton button) {
    return button == Qt::LeftButton ? "Left" : button == Qt::RightButton ? "Right" : "Middle";
}

}  // namespace tarvik::testing
