// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>
#include <vector>

class QTabBar;

namespace tarvik {

// A two-page tab control whose pages cover the whole control, tab strip
// included, so that a control's position on a page is measured from the
// tab control's own corner whatever height the strip has.
class TabControl final : public QWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget* parent);

    // A new page; its children are placed in tab-control coordinates.
    QWidget* addPage(const QString& caption, const QString& objectName);
    void setCurrentIndex(int index);
    [[nodiscard]] int currentIndex() const;
    [[nodiscard]] int count() const { return static_cast<int>(pages_.size()); }
    [[nodiscard]] QWidget* page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    // The page a descendant widget stands on, or -1.
    [[nodiscard]] int pageOf(const QWidget* widget) const;
    [[nodiscard]] QTabBar* tabBar() const { return bar_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    [[nodiscard]] QRect PanelRect() const;

    QTabBar* bar_;
    std::vector<QWidget*> pages_;
};

}  // namespace tarvik
