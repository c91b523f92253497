// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPixmap>

#include <array>

class QLabel;

namespace tarvik {

// The picture window of "&About...": version, rights line and disclaimers
// over a picture. It has no button: any mouse press on it, on the window or
// on one of its labels, hides and closes it. No key closes it.
class frmAbout final : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load(const QString& versionText);
    void Form_MouseDown();
    void lblText_MouseDown(int index);

    QPixmap picture_;
    std::array<QLabel*, 4> lblText_{};
};

}  // namespace tarvik
