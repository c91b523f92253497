// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Readable failures for Qt's value types. GoogleTest finds these through
// argument-dependent lookup, so they live in Qt's (the global) namespace.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QPoint& p, std::ostream* os) { *os << "(" << p.x() << ", " << p.y() << ")"; }
inline void PrintTo(const QSize& s, std::ostream* os) { *os << s.width() << " x " << s.height(); }
inline void PrintTo(const QRect& r, std::ostream* os) {
    *os << r.width() << " x " << r.height() << " at (" << r.x() << ", " << r.y() << ")";
}
