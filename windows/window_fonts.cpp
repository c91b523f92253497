// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/window_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QStringList>
#include <QWidget>

#include <cmath>

namespace tarvik {

QFont ArialFont(qreal points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont DialogFont() {
    const QStringList installed = QFontDatabase::families();
    QString family = QStringLiteral("Arial");
    for (const QString& wanted : {QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif")}) {
        if (installed.contains(wanted, Qt::CaseInsensitive)) {
            family = wanted;
            break;
        }
    }
    QFont font(family);
    font.setPointSizeF(8.25);
    return font;
}

int TextWidth(const QWidget& label, const QString& text) {
    return static_cast<int>(std::ceil(QFontMetricsF(label.font(), &label).horizontalAdvance(text)));
}

}  // namespace tarvik
