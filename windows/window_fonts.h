// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

class QWidget;

namespace tarvik {

// Arial at the given point size; fontconfig gives its metric twin where
// Arial itself is missing.
[[nodiscard]] QFont ArialFont(qreal points, bool bold = false);

// The standard dialog font, MS Sans Serif 8.25 pt regular. Where neither it
// nor Microsoft Sans Serif is installed, Arial stands in: the system's
// default sans (often DejaVu Sans) is so much wider that the About window's
// wrapped disclaimers would run out of their fixed boxes.
[[nodiscard]] QFont DialogFont();

// The width in whole pixels a label needs to show text on one line in its
// own font, uncut: the advance rounded up, as text layout rounds it.
[[nodiscard]] int TextWidth(const QWidget& label, const QString& text);

}  // namespace tarvik
