// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/sheet/sheet.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "tables/chips/chips.h"
#include "tables/formats/dump.h"

namespace tarvik::tables {

namespace {

// The page is laid out in tenths of a millimetre, 2970 x 2100. PDF and SVG
// are written at 254 dpi, where that is their own unit; the PNG scales it.
constexpr double kUnitsPerMm = 10;
constexpr int kPageWidth = 2970;
constexpr int kPageHeight = 2100;
constexpr int kVectorDpi = 254;

// Where things stand, in units.
constexpr double kMargin = 100;
constexpr double kHeadingRule = 258;
constexpr double kGridLeft = 280;  // row captions to its left
constexpr double kGridTop = 360;   // column numbers above it
constexpr double kCellWidth = 100;
constexpr double kCellHeight = 92;
constexpr double kGridRight = kGridLeft + kFuelSide * kCellWidth;
constexpr double kGridBottom = kGridTop + kFuelSide * kCellHeight;
constexpr double kLegendTop = kGridBottom + 30;
constexpr double kChartsLeft = kGridRight + 80;
constexpr double kChartsRight = kPageWidth - kMargin;
constexpr double kChartsTop = 280;
constexpr double kChartHeight = 380;

// viridis as published with matplotlib (CC0): its entries 0, 16, 32, ...,
// 239 and 255 of 256, at every sixteenth of the scale, in 8 bits; linear
// between them, which stays within a step of the full table.
constexpr std::array<std::array<int, 3>, 17> kViridis{{{68, 1, 84},
                                                       {72, 24, 106},
                                                       {71, 45, 123},
                                                       {66, 64, 134},
                                                       {59, 82, 139},
                                                       {51, 99, 141},
                                                       {44, 114, 142},
                                                       {38, 130, 142},
                                                       {33, 145, 140},
                                                       {31, 159, 136},
                                                       {39, 173, 129},
                                                       {61, 188, 116},
                                                       {92, 200, 99},
                                                       {129, 211, 77},
                                                       {170, 220, 50},
                                                       {213, 226, 26},
                                                       {253, 231, 37}}};

// A difference is told by its sign's symbol first; the colours (from the
// Okabe-Ito set, apart for every common colour-vision deficiency) only
// repeat it.
const QColor kRicher(213, 94, 0);
const QColor kLeaner(0, 114, 178);

// The tables of the image and of the base, as the editor shows them.
struct Tables {
    FieldTexts texts;
    std::optional<FieldTexts> base;

    [[nodiscard]] double Number(Family family, int index) const { return texts.FieldNumber(family, index); }
    // New minus base; nothing without a base or when the same.
    [[nodiscard]] std::optional<double> Difference(Family family, int index) const {
        if (!base) return std::nullopt;
        const double difference = Number(family, index) - base->FieldNumber(family, index);
        if (difference == 0) return std::nullopt;
        return difference;
    }
    [[nodiscard]] int Changed(Family family) const {
        int changed = 0;
        for (int i = 0; i < FieldCount(family); ++i) changed += Difference(family, i) ? 1 : 0;
        return changed;
    }
};

[[nodiscard]] QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// "+12", "-3", "+0.0078125"
[[nodiscard]] QString Signed(double difference) {
    return (difference > 0 ? QStringLiteral("+") : QString()) + Text(NumberText(difference));
}

// ", 3 of 17 changed" under a table's title; empty without a base.
[[nodiscard]] QString ChangedText(const Tables& tables, Family family) {
    if (!tables.base) return {};
    const int count = FieldCount(family);
    const int changed = tables.Changed(family);
    if (count == 1) return changed == 0 ? QStringLiteral(", unchanged") : QStringLiteral(", changed");
    return QStringLiteral(", %1 of %2 changed").arg(changed).arg(count);
}

[[nodiscard]] QFont Font(int units, bool bold = false) {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(units);
    font.setBold(bold);
    // Hinting is for a screen's pixels; the page is scaled to every format.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

[[nodiscard]] double Linear(int channel) {
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

// Black or white, whichever stands out more from the fill (by the
// contrast ratio of relative luminances).
[[nodiscard]] QColor TextOn(const QColor& fill) {
    const double luminance = 0.2126 * Linear(fill.red()) + 0.7152 * Linear(fill.green()) + 0.0722 * Linear(fill.blue());
    return (luminance + 0.05) / 0.05 >= 1.05 / (luminance + 0.05) ? QColor(Qt::black) : QColor(Qt::white);
}

// ▲ for a value above the base's, ▼ below: drawn, not a glyph, so that it
// looks the same whatever fonts the machine has.
void DrawMark(QPainter& painter, QPointF centre, double size, bool up, const QColor& colour) {
    const double half = size / 2;
    const double tip = up ? -half : half;
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPolygon(QPolygonF{{centre.x(), centre.y() + tip},
                                  {centre.x() - half, centre.y() - tip * 0.8},
                                  {centre.x() + half, centre.y() - tip * 0.8}});
    painter.setBrush(Qt::NoBrush);
}

// The text in a box, as the box's flags place it.
void Write(QPainter& painter, const QRectF& box, int flags, const QString& text, const QFont& font,
           const QColor& colour = Qt::black) {
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(box, flags, text);
}

[[nodiscard]] QString PrintText(const SheetImage& image) {
    const Fingerprint print = FingerprintOf(image.bytes);
    return QStringLiteral("sum %1    SHA-256 %2")
        .arg(Text(SumText(print.sum)), Text(std::string_view(print.sha256).substr(0, 16)));
}

// The text cut to width with an ellipsis in the middle, where a long file
// name has least to say: its start and its ending stay.
[[nodiscard]] QString Elided(const QString& text, const QFont& font, double width) {
    return QFontMetricsF(font).elidedText(text, Qt::ElideMiddle, width);
}

void DrawHeading(QPainter& painter, const SheetContents& contents) {
    const double width = kPageWidth - 2 * kMargin;
    constexpr double kGap = 60;
    // The date and the fingerprints are what tie the page to its file: a
    // long name gives way to them, never they to it.
    const QString stamp = QStringLiteral("%1    %2").arg(contents.date, contents.program);
    const QFont stampFont = Font(26);
    const QFont nameFont = Font(50, true);
    const double nameWidth = width - QFontMetricsF(stampFont).horizontalAdvance(stamp) - kGap;
    Write(painter, {kMargin, kMargin, nameWidth, 60}, Qt::AlignLeft | Qt::AlignBottom,
          Elided(contents.image.name, nameFont, nameWidth), nameFont);
    Write(painter, {kMargin, kMargin, width, 60}, Qt::AlignRight | Qt::AlignBottom, stamp, stampFont);
    Write(painter, {kMargin, 170, width, 36}, Qt::AlignLeft | Qt::AlignVCenter, PrintText(contents.image), Font(28));
    if (contents.base) {
        const QFont font = Font(28);
        const QFontMetricsF metrics(font);
        const QString lead = QStringLiteral("against the base ");
        const QString print = QStringLiteral("    ") + PrintText(*contents.base);
        const QString name = Elided(contents.base->name, font,
                                    width - metrics.horizontalAdvance(lead) - metrics.horizontalAdvance(print));
        Write(painter, {kMargin, 210, width, 36}, Qt::AlignLeft | Qt::AlignVCenter, lead + name + print, font);
    }
    painter.setPen(QPen(Qt::gray, 2));
    painter.drawLine(QPointF(kMargin, kHeadingRule), QPointF(kPageWidth - kMargin, kHeadingRule));
}

[[nodiscard]] double Position(double value, double low, double high) {
    return high > low ? (value - low) / (high - low) : 0.5;
}

// The cell's frame in units.
[[nodiscard]] QRectF CellBox(int row, int column) {
    return {kGridLeft + column * kCellWidth, kGridTop + row * kCellHeight, kCellWidth, kCellHeight};
}

void DrawFuelCell(QPainter& painter, const Tables& tables, int row, int column, double low, double high) {
    const int cell = CellAt(row, column);
    const QRectF box = CellBox(row, column);
    const QColor fill = MapColour(Position(tables.Number(Family::Data, cell), low, high));
    const QColor ink = TextOn(fill);
    // A hairline of paper between cells, so that equal neighbours still
    // read as cells.
    painter.fillRect(box.adjusted(1, 1, -1, -1), fill);
    const QString value = Text(tables.texts.At(Family::Data, cell));
    const std::optional<double> difference = tables.Difference(Family::Data, cell);
    if (!difference) {
        Write(painter, box, Qt::AlignCenter, value, Font(26), ink);
        return;
    }
    const bool up = *difference > 0;
    painter.setPen(QPen(up ? kRicher : kLeaner, 8));
    painter.drawRect(box.adjusted(5, 5, -5, -5));
    Write(painter, box.adjusted(0, 8, 0, -box.height() / 2 + 4), Qt::AlignHCenter | Qt::AlignBottom, value, Font(26),
          ink);
    const QString signedText = Signed(*difference);
    const QFont small = Font(20, true);
    const double textWidth = QFontMetricsF(small).horizontalAdvance(signedText);
    const double markSize = 16;
    const double left = box.center().x() - (markSize + 4 + textWidth) / 2;
    const double middle = box.top() + box.height() * 0.72;
    DrawMark(painter, {left + markSize / 2, middle}, markSize, up, ink);
    Write(painter, {left + markSize + 4, middle - 15, textWidth + 4, 30}, Qt::AlignLeft | Qt::AlignVCenter, signedText,
          small, ink);
}

void DrawLegend(QPainter& painter, double low, double high, bool withBase) {
    const QRectF bar(kGridLeft + 100, kLegendTop, kCellWidth * kFuelSide - 200, 32);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (std::size_t i = 0; i < kViridis.size(); ++i) {
        const double at = static_cast<double>(i) / static_cast<double>(kViridis.size() - 1);
        gradient.setColorAt(at, MapColour(at));
    }
    painter.fillRect(bar, gradient);
    const QFont font = Font(24);
    Write(painter, {kMargin, bar.top() - 10, bar.left() - kMargin - 12, bar.height() + 20},
          Qt::AlignRight | Qt::AlignVCenter, Text(NumberText(low)), font);
    Write(painter, {bar.right() + 12, bar.top() - 10, 200, bar.height() + 20}, Qt::AlignLeft | Qt::AlignVCenter,
          Text(NumberText(high)), font);
    // Round values between the ends: steps of 1, 2 or 5 times a power of
    // ten, at most about eight of them.
    if (high > low) {
        const double rough = (high - low) / 8;
        const double power = std::pow(10.0, std::floor(std::log10(rough)));
        double step = power;
        for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
            step = factor * power;
            if (step >= rough) break;
        }
        for (double value = std::ceil(low / step) * step; value <= high; value += step) {
            const double x = bar.left() + Position(value, low, high) * bar.width();
            if (x - bar.left() < 50 || bar.right() - x < 50) continue;
            painter.setPen(QPen(Qt::black, 2));
            painter.drawLine(QPointF(x, bar.bottom()), QPointF(x, bar.bottom() + 10));
            Write(painter, {x - 60, bar.bottom() + 10, 120, 30}, Qt::AlignHCenter | Qt::AlignTop,
                  Text(NumberText(value)), Font(20));
        }
    }
    if (!withBase) return;
    const double middle = bar.bottom() + 75;
    double x = kGridLeft;
    for (const bool up : {true, false}) {
        painter.setPen(QPen(up ? kRicher : kLeaner, 6));
        painter.drawRect(QRectF(x, middle - 18, 36, 36));
        DrawMark(painter, {x + 18, middle}, 18, up, Qt::black);
        const QString text = up ? QStringLiteral("higher than the base: richer") : QStringLiteral("lower: leaner");
        Write(painter, {x + 50, middle - 20, 600, 40}, Qt::AlignLeft | Qt::AlignVCenter, text, font);
        x += 50 + QFontMetricsF(font).horizontalAdvance(text) + 60;
    }
    Write(painter, {x, middle - 20, 900, 40}, Qt::AlignLeft | Qt::AlignVCenter,
          QStringLiteral("the number: new value minus the base's"), font);
}

void DrawFuelMap(QPainter& painter, const Tables& tables) {
    Write(painter, {kMargin, 280, kGridRight - kMargin, 40}, Qt::AlignLeft | Qt::AlignVCenter,
          Text(Layout(Family::Data).title) + ChangedText(tables, Family::Data), Font(32, true));
    double low = tables.Number(Family::Data, 0);
    double high = low;
    for (int cell = 0; cell < kFuelCells; ++cell) {
        low = std::min(low, tables.Number(Family::Data, cell));
        high = std::max(high, tables.Number(Family::Data, cell));
    }
    for (int column = 0; column < kFuelSide; ++column) {
        Write(painter, {CellBox(0, column).left(), kGridTop - 40, kCellWidth, 36}, Qt::AlignCenter,
              QString::number(column), Font(24));
    }
    for (int row = 0; row < kFuelSide; ++row) {
        const QRectF first = CellBox(row, 0);
        Write(painter, {kMargin, first.top(), kGridLeft - kMargin - 16, kCellHeight}, Qt::AlignRight | Qt::AlignVCenter,
              Text(CaptionOf(Family::Data, CellAt(row, 0))), Font(24));
        for (int column = 0; column < kFuelSide; ++column) DrawFuelCell(painter, tables, row, column, low, high);
    }
    DrawLegend(painter, low, high, tables.base.has_value());
}

// A one-dimensional table as points over its captions, in the editor's
// order, each with its number; the base's values as a dashed line.
void DrawChart(QPainter& painter, const Tables& tables, Family family, const QRectF& box) {
    Write(painter, {box.left(), box.top(), box.width(), 36}, Qt::AlignLeft | Qt::AlignVCenter,
          Text(Layout(family).title) + ChangedText(tables, family), Font(28, true));
    const QRectF plot(box.left() + 10, box.top() + 90, box.width() - 20, box.height() - 170);
    const int count = FieldCount(family);
    double low = tables.Number(family, 0);
    double high = low;
    for (int i = 0; i < count; ++i) {
        for (const FieldTexts* texts : {&tables.texts, tables.base ? &*tables.base : nullptr}) {
            if (texts == nullptr) continue;
            low = std::min(low, texts->FieldNumber(family, i));
            high = std::max(high, texts->FieldNumber(family, i));
        }
    }
    const auto at = [&](int i, double value) {
        return QPointF(plot.left() + (i + 0.5) * plot.width() / count,
                       plot.bottom() - Position(value, low, high) * plot.height());
    };
    painter.setPen(QPen(QColor(200, 200, 200), 2));
    painter.drawLine(plot.bottomLeft() + QPointF(0, 20), plot.bottomRight() + QPointF(0, 20));

    QPolygonF line;
    for (int i = 0; i < count; ++i) line << at(i, tables.Number(family, i));
    if (tables.base) {
        QPolygonF baseLine;
        for (int i = 0; i < count; ++i) baseLine << at(i, tables.base->FieldNumber(family, i));
        painter.setPen(QPen(QColor(90, 90, 90), 4, Qt::DashLine));
        painter.drawPolyline(baseLine);
    }
    painter.setPen(QPen(Qt::black, 4));
    painter.drawPolyline(line);

    const double step = plot.width() / count;
    for (int i = 0; i < count; ++i) {
        const QPointF point = line[i];
        const std::optional<double> difference = tables.Difference(family, i);
        if (difference) {
            DrawMark(painter, point, 26, *difference > 0, *difference > 0 ? kRicher : kLeaner);
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(Qt::black);
            painter.drawEllipse(point, 8, 8);
            painter.setBrush(Qt::NoBrush);
        }
        Write(painter, {point.x() - step, point.y() - 48, 2 * step, 30}, Qt::AlignHCenter | Qt::AlignBottom,
              Text(tables.texts.At(family, i)), Font(20, difference.has_value()));
        Write(painter, {point.x() - step, plot.bottom() + 26, 2 * step, 30}, Qt::AlignHCenter | Qt::AlignTop,
              Text(CaptionOf(family, i)), Font(16), QColor(60, 60, 60));
    }
}

// The rev limit and the control constant: a value each, as the editor
// writes it, and the base's when it differs.
void DrawSingle(QPainter& painter, const Tables& tables, Family family, double top) {
    const QFont font = Font(28);
    Write(painter, {kChartsLeft, top, 400, 40}, Qt::AlignLeft | Qt::AlignVCenter, Text(Layout(family).title),
          Font(28, true));
    Write(painter, {kChartsLeft + 300, top, 200, 40}, Qt::AlignLeft | Qt::AlignVCenter,
          Text(tables.texts.At(family, 0)), font);
    const std::optional<double> difference = tables.Difference(family, 0);
    if (!difference) return;
    const double x = kChartsLeft + 470;
    DrawMark(painter, {x + 12, top + 20}, 24, *difference > 0, *difference > 0 ? kRicher : kLeaner);
    Write(painter, {x + 34, top, kChartsRight - x - 34, 40}, Qt::AlignLeft | Qt::AlignVCenter,
          QStringLiteral("%1 (base %2)").arg(Signed(*difference), Text(tables.base->At(family, 0))), font);
}

void Paint(QPainter& painter, const SheetContents& contents) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(QRectF(0, 0, kPageWidth, kPageHeight), Qt::white);
    Tables tables{DecodeTables(contents.image.bytes), std::nullopt};
    if (contents.base) tables.base = DecodeTables(contents.base->bytes);

    DrawHeading(painter, contents);
    DrawFuelMap(painter, tables);
    double top = kChartsTop;
    for (const Family family : kShownOrder) {
        if (FieldCount(family) == 1 || family == Family::Data) continue;
        DrawChart(painter, tables, family, {kChartsLeft, top, kChartsRight - kChartsLeft, kChartHeight});
        top += kChartHeight;
    }
    top += 30;
    for (const Family family : kShownOrder) {
        if (FieldCount(family) != 1) continue;
        DrawSingle(painter, tables, family, top);
        top += 60;
    }
}

[[nodiscard]] QString Title(const SheetContents& contents) {
    return contents.base ? QStringLiteral("%1 against %2").arg(contents.image.name, contents.base->name)
                         : contents.image.name;
}

[[nodiscard]] int PngPixels(double millimetres) {
    return static_cast<int>(std::lround(millimetres / 25.4 * kSheetPngDpi));
}

}  // namespace

QRectF FuelCellRect(int row, int column) {
    const QRectF box = CellBox(row, column);
    return {box.left() / kUnitsPerMm, box.top() / kUnitsPerMm, box.width() / kUnitsPerMm, box.height() / kUnitsPerMm};
}

QColor MapColour(double position) {
    const double scaled = std::clamp(position, 0.0, 1.0) * static_cast<double>(kViridis.size() - 1);
    const std::size_t below = std::min(static_cast<std::size_t>(scaled), kViridis.size() - 2);
    const double part = scaled - static_cast<double>(below);
    std::array<int, 3> channels{};
    for (std::size_t c = 0; c < 3; ++c) {
        const double from = kViridis[below][c];
        const double to = kViridis[below + 1][c];
        channels[c] = static_cast<int>(std::lround(from + (to - from) * part));
    }
    return {channels[0], channels[1], channels[2]};
}

QByteArray DrawSheet(const SheetContents& contents, SheetFormat format) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    switch (format) {
        case SheetFormat::Pdf: {
            QPdfWriter writer(&buffer);
            writer.setResolution(kVectorDpi);
            writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF()));
            writer.setTitle(Title(contents));
            writer.setCreator(contents.program);
            QPainter painter(&writer);
            Paint(painter, contents);
            break;
        }
        case SheetFormat::Svg: {
            QSvgGenerator generator;
            generator.setOutputDevice(&buffer);
            generator.setResolution(kVectorDpi);
            generator.setSize(QSize(kPageWidth, kPageHeight));
            generator.setViewBox(QRect(0, 0, kPageWidth, kPageHeight));
            // Qt writes the title and the description into the XML as they
            // are given: a name with "&" or "<" would break the file.
            generator.setTitle(Title(contents).toHtmlEscaped());
            generator.setDescription(QStringLiteral("%1, %2").arg(contents.program, contents.date).toHtmlEscaped());
            QPainter painter(&generator);
            Paint(painter, contents);
            break;
        }
        case SheetFormat::Png: {
            QImage image(PngPixels(kSheetWidthMm), PngPixels(kSheetHeightMm), QImage::Format_RGB32);
            // The page rounded up to whole pixels: the last column is paper
            // too, not whatever the memory held.
            image.fill(Qt::white);
            image.setDotsPerMeterX(static_cast<int>(std::lround(kSheetPngDpi / 0.0254)));
            image.setDotsPerMeterY(image.dotsPerMeterX());
            {
                QPainter painter(&image);
                const double scale = kSheetPngDpi / 25.4 / kUnitsPerMm;
                painter.scale(scale, scale);
                Paint(painter, contents);
            }
            image.save(&buffer, "PNG");
            break;
        }
    }
    return data;
}

}  // namespace tarvik::tables
