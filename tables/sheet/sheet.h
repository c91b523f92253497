// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The map sheet: one landscape A4 page with an image's tables, and what
// changed against a base, to share or print. It names the file and its
// fingerprint, so that a picture can always be matched to the image it
// shows. Drawn with Qt's own painting: it needs a QGuiApplication (the
// offscreen platform will do), never a display.

#include <QByteArray>
#include <QColor>
#include <QRectF>
#include <QString>
#include <optional>

#include "image/image_bytes.h"

namespace tarvik::tables {

enum class SheetFormat { Pdf, Svg, Png };

// The format a file name's ending asks for (.pdf, .svg, .png, any case);
// nothing for any other ending.
[[nodiscard]] std::optional<SheetFormat> SheetFormatOf(const QString& path);

// An image as the sheet names it.
struct SheetImage {
    QString name;  // the file name, without its folder
    ImageBytes bytes{};
};

struct SheetContents {
    SheetImage image;
    std::optional<SheetImage> base;  // the image the differences are taken against
    QString date;                    // "2026-12-09"
    QString program;                 // "Tarvik 1.0.0"
};

// The whole file, in the format asked for.
[[nodiscard]] QByteArray DrawSheet(const SheetContents& contents, SheetFormat format);

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
