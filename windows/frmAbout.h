#pragma once

#include <QDialog>

namespace tarvik {

// The picture window of "&About...": closed by any mouse press on it.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
};

}  // namespace tarvik
