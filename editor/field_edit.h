// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>

#include "image/layout.h"

class QKeyEvent;

namespace tarvik {

// Whether a key press would insert its text into a line edit, as opposed to
// an editing key or shortcut that merely carries a control character.
[[nodiscard]] bool TypesCharacter(const QKeyEvent& event);

// One edit field of a calibration table. Every typed character passes
// FilterKeyAscii, with the decimal point where the table allows it; the
// table's typing limit binds only what the user types, so text set by the
// program (a decoded "1023") is always shown whole.
class FieldEdit final : public QLineEdit {
    Q_OBJECT
public:
    FieldEdit(Family family, QWidget* parent);

    [[nodiscard]] Family family() const { return family_; }

signals:
    void clicked();

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] bool AcceptsTyped(const QString& typed) const;
    // Narrows the font just enough that the whole text stands inside the
    // field, so that a value is never shown without its first digits.
    void FitTextToField();
    // Width the line edit has for its text without scrolling it.
    [[nodiscard]] int TextRoomWidth() const;

    Family family_;
    int stretch_ = 100;  // percent of the font's normal width
    int room_ = -1;      // TextRoomWidth(), or -1 until measured
};

}  // namespace tarvik
