// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPixmap>

class QLabel;

namespace tarvik {

// The picture window that stands alone on screen while the program starts.
// It cannot close itself: the main window's splash timer closes it. Nothing
// the user does on it has any effect.
class frmSplash final : public QDialog {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    // versionText takes the place of the program's version line.
    explicit frmSplash(const QString& versionText, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void Form_Load(const QString& versionText);
    void CentreOnScreen();

    QPixmap picture_;
    QLabel* lblVersion_;
    QLabel* lblCopyright_;
    QLabel* lblCompany_;
    QLabel* lblWarning_;
};

}  // namespace tarvik
