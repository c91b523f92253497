// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The map sheet: one landscape A4 page with an image's tables, and what
// changed against a base, to share or print. It names the file and its
// fingerprint, so that a picture can always be matched to the image it
// shows. Drawn with Qt's own painting: it needs a QGuiApplication (the
// offscreen platform will do), never a display.

#include <QColor>
#include <QRectF>

#include "tables/sheet/sheet_module.h"

namespace tarvik::tables {

// The page, and the resolution of a PNG sheet.
inline constexpr double kSheetWidthMm = 297;
inline constexpr double kSheetHeightMm = 210;
inline constexpr int kSheetPngDpi = 150;

// Where the fuel map's cell at grid row and column stands, in millimetres
// from the page's top left.
[[nodiscard]] QRectF FuelCellRect(int row, int column);

// The fuel map's colours (viridis: perceptually uniform, readable with
// every common colour-vision deficiency and in grey), from 0 at the map's
// lowest value to 1 at its highest.
[[nodiscard]] QColor MapColour(double position);

}  // namespace tarvik::tables
