// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the sheet command hands the drawing, which is a module of its own
// (tarvik-sheet.so, sheet.h): loaded only when a sheet is asked for, so that
// no other command loads Qt Gui. Qt Core types only.

#include <QByteArray>
#include <QString>
#include <optional>

#include "image/image_bytes.h"

class QCoreApplication;

namespace tarvik::tables {

enum class SheetFormat { Pdf, Svg, Png };

// The format of a name: "pdf", "svg" or "png", any case; nothing for any
// other. Inline, as the next: the command asks them without loading the
// drawing.
[[nodiscard]] inline std::optional<SheetFormat> SheetFormatNamed(const QString& name) {
    const QString lower = name.toLower();
    if (lower == QLatin1String("pdf")) return SheetFormat::Pdf;
    if (lower == QLatin1String("svg")) return SheetFormat::Svg;
    if (lower == QLatin1String("png")) return SheetFormat::Png;
    return std::nullopt;
}

// The format a file name's ending asks for (.pdf, .svg, .png, any case);
// nothing for any other ending.
[[nodiscard]] inline std::optional<SheetFormat> SheetFormatOf(const QString& path) {
    const QString ending = path.section(QLatin1Char('.'), -1);
    if (!path.contains(QLatin1Char('.')) || ending.contains(QLatin1Char('/'))) return std::nullopt;
    return SheetFormatNamed(ending);
}

// An image as the sheet names it.
struct SheetImage {
    QString name;  // the file name without its folder, as messages show it
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

// The module's entry points.
extern "C" {
// A QGuiApplication on the offscreen platform, made before any other
// application object.
using MakeSheetApplication = QCoreApplication* (*)(int* argc, char** argv);
// DrawSheet into *file.
using DrawSheetInto = void (*)(const SheetContents* contents, SheetFormat format, QByteArray* file);
}
inline constexpr char kMakeSheetApplication[] = "TarvikMakeSheetApplication";
inline constexpr char kDrawSheetInto[] = "TarvikDrawSheetInto";

}  // namespace tarvik::tables
