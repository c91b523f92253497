#pragma once

#include <QLineEdit>

#include "image_bytes.h"

namespace tarvik {

// One edit field of a calibration table. Every typed character passes
// FilterKeyAscii; the typing limit binds only what the user types, so text
// set by the program (a decoded "1023") is always shown whole.
class FieldEdit final : public QLineEdit {
    Q_OBJECT
public:
    FieldEdit(Family family, int index, QWidget* parent);

    [[nodiscard]] Family family() const { return family_; }
    [[nodiscard]] int index() const { return index_; }

    // 0: no limit.
    void setTypingLimit(int characters) { typingLimit_ = characters; }
    [[nodiscard]] int typingLimit() const { return typingLimit_; }

signals:
    void clicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] bool AcceptsTyped(const QString& typed) const;

    Family family_;
    int index_;
    int typingLimit_ = 0;
};

}  // namespace tarvik
