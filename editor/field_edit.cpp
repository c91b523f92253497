#include "field_edit.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "key_filter.h"

namespace tarvik {

FieldEdit::FieldEdit(Family family, int index, QWidget* parent)
    : QLineEdit(parent), family_(family), index_(index) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

bool FieldEdit::AcceptsTyped(const QString& typed) const {
    const bool decimalPoint = family_ == Family::CC;
    for (const QChar c : typed) {
        if (FilterKeyAscii(c.unicode(), decimalPoint) == 0) return false;
    }
    if (typingLimit_ > 0) {
        const qsizetype kept = text().size() - selectedText().size();
        if (kept + typed.size() > typingLimit_) return false;
    }
    return true;
}

void FieldEdit::keyPressEvent(QKeyEvent* event) {
    const QString typed = event->text();
    // Keys that type a character go through the filter; keys without one
    // (arrows, Home, Delete, ...) and control codes (Backspace, Ctrl+V, ...)
    // keep their usual editing behaviour.
    const bool typesCharacter = !typed.isEmpty() && typed.front().unicode() >= 32 &&
                                !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (typesCharacter && !AcceptsTyped(typed)) {
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
