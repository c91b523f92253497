// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/frmAbout.h"

#include "generated/version.h"
#include "windows/notices.h"
#include "windows/pictures.h"
#include "windows/twips.h"
#include "windows/window_fonts.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace tarvik {
namespace {

constexpr int kTextLeft = Px(480);
constexpr int kOneLineHeight = Px(195);

void SizeToText(QLabel& label) { label.resize(TextWidth(label, label.text()), kOneLineHeight); }

}  // namespace

frmAbout::frmAbout(QWidget* parent)
    // A frameless tool window: no border, no title bar, no task-bar entry.
    : QDialog(parent, Qt::Tool | Qt::FramelessWindowHint), picture_(AboutPicture()) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(Px(5955), Px(3465));
    setFont(DialogFont());
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    struct LabelPlace {
        int top;
        int width;  // 0: sized to its one line of text
        int height;
        QString text;
    };
    const std::array<LabelPlace, 4> places{{
        {Px(1860), 0, kOneLineHeight, kRightsLine.toString()},
        {Px(2160), Px(5055), Px(495), kAffiliationDisclaimer.toString()},
        {Px(2700), Px(5025), Px(615), kRiskDisclaimer.toString()},
        {Px(1440), 0, kOneLineHeight, QString()},  // the version, set on load
    }};
    for (std::size_t index = 0; index < places.size(); ++index) {
        const LabelPlace& place = places[index];
        auto* label = new QLabel(place.text, this);
        label->setObjectName(QStringLiteral("lblText(%1)").arg(index));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setAutoFillBackground(false);
        label->setWordWrap(place.width != 0);
        label->setGeometry(kTextLeft, place.top, place.width, place.height);
        if (place.width == 0) SizeToText(*label);
        label->installEventFilter(this);
        lblText_[index] = label;
    }

    Form_Load(QString::fromStdString(ProgramVersionText()));
}

void frmAbout::Form_Load(const QString& versionText) {
    lblText_[3]->setText(versionText);
    SizeToText(*lblText_[3]);  // keeps its left edge
}

void frmAbout::Form_MouseDown() {
    hide();
    close();
}

void frmAbout::lblText_MouseDown(int /*index*/) { Form_MouseDown(); }

void frmAbout::paintEvent(QPaintEvent* /*event*/) {
    // Unscaled: the picture is 3 pixels wider and 2 higher than the window,
    // so its edge is cut off and no white shows.
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);
}

// QDialog centres itself over its parent or the screen when first shown;
// the About window is left where the window system puts new windows.
void frmAbout::showEvent(QShowEvent* event) { QWidget::showEvent(event); }  // NOLINT(bugprone-parent-virtual-call)

// No key closes the window, Escape and Enter included.
void frmAbout::keyPressEvent(QKeyEvent* event) { event->accept(); }

void frmAbout::mousePressEvent(QMouseEvent* event) {
    event->accept();
    Form_MouseDown();
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (std::size_t index = 0; index < lblText_.size(); ++index) {
            if (watched == lblText_[index]) {
                lblText_MouseDown(static_cast<int>(index));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace tarvik
