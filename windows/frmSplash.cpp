// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/frmSplash.h"

#include "generated/version.h"
#include "windows/notices.h"
#include "windows/pictures.h"
#include "windows/twips.h"
#include "windows/window_fonts.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace tarvik {
namespace {

// The version line keeps its right edge here whatever its width.
constexpr int kVersionRight = Px(5715);
constexpr int kVersionTop = Px(3000);
constexpr int kVersionHeight = Px(285);

// A label the picture shows through and that the mouse passes by.
QLabel* MakeLabel(QWidget* window, const QString& name, const QFont& font, const QRect& geometry,
                  Qt::Alignment alignment, const QString& text = QString()) {
    auto* label = new QLabel(text, window);
    label->setObjectName(name);
    label->setFont(font);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment);
    label->setAutoFillBackground(false);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setGeometry(geometry);
    return label;
}

}  // namespace

frmSplash::frmSplash(QWidget* parent) : frmSplash(QString::fromStdString(ProgramVersionText()), parent) {}

frmSplash::frmSplash(const QString& versionText, QWidget* parent)
    // A splash-screen window has no frame, no title and no task-bar entry.
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint), picture_(SplashPicture()) {
    setObjectName(QStringLiteral("frmSplash"));
    setFixedSize(Px(6060), Px(4380));

    constexpr Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;
    lblVersion_ = MakeLabel(this, QStringLiteral("lblVersion"), ArialFont(12, true),
                            QRect(Px(4695), kVersionTop, Px(1020), kVersionHeight), Qt::AlignRight | Qt::AlignTop);
    lblCopyright_ = MakeLabel(this, QStringLiteral("lblCopyright"), ArialFont(8.25),
                              QRect(Px(4560), Px(3300), Px(1305), Px(255)), topLeft, kCopyrightNotice.toString());
    lblCompany_ = MakeLabel(this, QStringLiteral("lblCompany"), ArialFont(8.25),
                            QRect(Px(4560), Px(3510), Px(1305), Px(255)), topLeft, kRightsHolder.toString());
    lblWarning_ = MakeLabel(this, QStringLiteral("lblWarning"), ArialFont(6.75),
                            QRect(Px(270), Px(3900), Px(5415), Px(435)), topLeft, kAffiliationDisclaimer.toString());
    lblWarning_->setWordWrap(true);

    Form_Load(versionText);
    CentreOnScreen();
}

void frmSplash::Form_Load(const QString& versionText) {
    lblVersion_->setText(versionText);
    // The version line grows and shrinks to the left.
    const int width = TextWidth(*lblVersion_, versionText);
    lblVersion_->setGeometry(kVersionRight - width, kVersionTop, width, kVersionHeight);
    // The rights lines start flush with the version text, whatever its width.
    lblCompany_->move(lblVersion_->x(), lblCompany_->y());
    lblCopyright_->move(lblVersion_->x(), lblCopyright_->y());
}

void frmSplash::CentreOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    // An explicit position also keeps QDialog from centring it over a parent.
    move(frame.topLeft());
}

void frmSplash::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

// Every key is taken and dropped: a dialog would otherwise close on Escape
// and press its default button on Enter, and the splash window must stay
// for its full time.
void frmSplash::keyPressEvent(QKeyEvent* event) { event->accept(); }

void frmSplash::mousePressEvent(QMouseEvent* event) { event->accept(); }

}  // namespace tarvik
