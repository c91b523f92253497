// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/tab_control.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

namespace tarvik {

TabControl::TabControl(QWidget* parent) : QWidget(parent), bar_(new QTabBar(this)) {
    bar_->setObjectName(QStringLiteral("SSTab1.tabs"));
    bar_->setDrawBase(false);
    bar_->setExpanding(false);
    bar_->setFocusPolicy(Qt::TabFocus);
    setFocusProxy(bar_);
    connect(bar_, &QTabBar::currentChanged, this, [this](int index) {
        for (int i = 0; i < count(); ++i) page(i)->setVisible(i == index);
        bar_->raise();
    });
}

QWidget* TabControl::addPage(const QString& caption, const QString& objectName) {
    auto* page = new QWidget(this);
    page->setObjectName(objectName);
    page->setGeometry(rect());
    pages_.push_back(page);
    bar_->addTab(caption);
    page->setVisible(bar_->currentIndex() == count() - 1);
    bar_->adjustSize();
    bar_->raise();
    return page;
}

void TabControl::setCurrentIndex(int index) { bar_->setCurrentIndex(index); }

int TabControl::currentIndex() const { return bar_->currentIndex(); }

int TabControl::pageOf(const QWidget* widget) const {
    for (int i = 0; i < count(); ++i) {
        if (page(i)->isAncestorOf(widget)) return i;
    }
    return -1;
}

QRect TabControl::PanelRect() const {
    const int top = bar_->sizeHint().height() - 1;
    return {0, top, width(), height() - top};
}

void TabControl::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame option;
    option.initFrom(this);
    option.rect = PanelRect();
    option.tabBarSize = bar_->sizeHint();
    option.shape = QTabBar::RoundedNorth;
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

void TabControl::resizeEvent(QResizeEvent*) {
    for (QWidget* page : pages_) page->setGeometry(rect());
    bar_->setGeometry(0, 0, bar_->sizeHint().width(), bar_->sizeHint().height());
}

}  // namespace tarvik
