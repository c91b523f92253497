#pragma once

#include <QDialog>

namespace tarvik {

// The picture window that stands alone on screen while the program starts.
// It cannot close itself: the main window's splash timer closes it.
class frmSplash final : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
};

}  // namespace tarvik
