// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/field_edit.h"

#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cmath>

#include "editor/key_filter.h"

namespace tarvik {

bool TypesCharacter(const QKeyEvent& event) {
    // The same judgement the line edit itself makes before inserting a key's
    // text: printable characters (and format or private-use ones) type,
    // control characters such as DEL never do, and neither do Ctrl and
    // Ctrl+Shift combinations, which are shortcuts. AltGr (Ctrl+Alt on some
    // platforms) types.
    const QString text = event.text();
    if (text.isEmpty()) return false;
    const QChar first = text.front();
    if (first.category() == QChar::Other_Format) return true;
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier)) return false;
    if (first.isPrint() || first.category() == QChar::Other_PrivateUse) return true;
    return first.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate();
}

FieldEdit::FieldEdit(Family family, QWidget* parent) : QLineEdit(parent), family_(family) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textChanged, this, &FieldEdit::FitTextToField);
}

namespace {

// The narrowest the font is made before the text is left to scroll: below
// this the digits are no longer told apart at the dialog font's size.
constexpr int kMinimumStretch = 60;
// QLineEdit keeps this many pixels free on either side of its text.
constexpr int kLineEditHorizontalMargin = 2;

// Width the line edit gives a text: it scrolls once this exceeds the room
// (its own rule, which counts one pixel for the cursor).
[[nodiscard]] int UsedWidth(const QFont& font, const QString& text) {
    return static_cast<int>(std::lround(QFontMetricsF(font).horizontalAdvance(text))) + 1;
}

}  // namespace

int FieldEdit::TextRoomWidth() const {
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    return contents.marginsRemoved(textMargins()).width() - 2 * kLineEditHorizontalMargin;
}

void FieldEdit::FitTextToField() {
    // The substitute for the dialog font is wider than the one the fields
    // were drawn for: a decoded "1.9921875" would otherwise scroll and show
    // as "9921875". Only as much narrowing as the text needs, and none for
    // texts that fit.
    const QString shown = text();
    // The room changes only with the field's size and style; measured then.
    if (room_ < 0) room_ = TextRoomWidth();
    const int room = room_;
    QFont font = this->font();
    font.setStretch(100);
    int stretch = 100;
    const int natural = UsedWidth(font, shown);
    if (natural > room && room > 0) {
        stretch = std::max(kMinimumStretch, room * 100 / natural);
        font.setStretch(stretch);
        // The estimate is proportional; hinting may still leave it a pixel
        // too wide.
        while (stretch > kMinimumStretch && UsedWidth(font, shown) > room) font.setStretch(--stretch);
    }
    if (stretch == stretch_) return;
    stretch_ = stretch;
    font.setStretch(stretch);
    setFont(font);
}

void FieldEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    // A new style changes the room and the widths.
    if (event->type() == QEvent::StyleChange) {
        room_ = -1;
        FitTextToField();
    }
}

void FieldEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    room_ = -1;
    FitTextToField();
}

bool FieldEdit::AcceptsTyped(const QString& typed) const {
    const TableLayout& table = Layout(family_);
    for (const QChar c : typed) {
        if (FilterKeyAscii(c.unicode(), table.decimalPoint) == 0) return false;
    }
    if (table.typingLimit > 0) {
        const qsizetype kept = text().size() - selectedText().size();
        if (kept + typed.size() > table.typingLimit) return false;
    }
    return true;
}

void FieldEdit::keyPressEvent(QKeyEvent* event) {
    // Only a key that would insert its text goes through the filter; every
    // other key (Delete, Backspace, Escape, Return, Tab, Ctrl+V, arrows, ...)
    // keeps its usual editing behaviour, whatever text the keyboard attaches
    // to it (X11 sends Delete with "\x7f", Escape with "\x1b").
    if (TypesCharacter(*event) && !AcceptsTyped(event->text())) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void FieldEdit::inputMethodEvent(QInputMethodEvent* event) {
    // Characters composed by an input method or a dead key are typed too.
    if (!event->commitString().isEmpty() && !AcceptsTyped(event->commitString())) {
        QInputMethodEvent dropped(event->preeditString(), event->attributes());
        QLineEdit::inputMethodEvent(&dropped);
        return;
    }
    QLineEdit::inputMethodEvent(event);
}

void FieldEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

}  // namespace tarvik
