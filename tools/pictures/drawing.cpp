// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pictures/drawing.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace tarvik::pictures {
namespace {

const QColor kNavyTop(6, 16, 42);
const QColor kNavyBottom(16, 52, 112);
const QColor kPanelTop(236, 242, 250);
const QColor kPanelBottom(200, 214, 234);
const QColor kAccent(84, 170, 236);

// A plausible fuel map over engine speed and load, both 0 to 1: injection
// time grows with load, a little with speed, and bulges where the engine
// breathes best in the middle of the speed range.
double FuelHeight(double rpm, double load) {
    return 0.10 + 0.62 * std::pow(load, 1.3) * (0.80 + 0.20 * std::sin(std::numbers::pi * rpm)) + 0.18 * rpm * load;
}

QColor HeightColour(double height, int alpha) {
    // Deep blue at the bottom, through cyan, to amber at the top.
    const QColor low(30, 84, 190);
    const QColor mid(34, 190, 214);
    const QColor high(255, 176, 46);
    const double t = std::clamp(height / 0.9, 0.0, 1.0);
    auto mix = [](const QColor& a, const QColor& b, double f) {
        return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * f),
                                static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * f),
                                static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * f));
    };
    QColor colour = t < 0.55 ? mix(low, mid, t / 0.55) : mix(mid, high, (t - 0.55) / 0.45);
    colour.setAlpha(alpha);
    return colour;
}

// The fuel map as a shaded wireframe surface inside area, in an oblique
// view: engine speed runs to the right, load runs away from the viewer
// (up and to the right), the height rises on screen. A dim floor frame with
// corner posts gives the depth. Cells are painted far to near, so nearer
// ones cover the ones behind.
void DrawSurface(QPainter& painter, const QRectF& area, int cells, double lineWidth, int fillAlpha) {
    auto project = [&](double rpm, double load, double height) {
        const double x = area.left() + area.width() * (0.02 + 0.66 * rpm + 0.30 * load);
        const double y = area.bottom() - area.height() * (0.03 + 0.30 * load + 0.62 * height);
        return QPointF(x, y);
    };

    painter.setRenderHint(QPainter::Antialiasing);
    const QPen framePen(QColor(150, 200, 255, 110), lineWidth);
    painter.setPen(framePen);
    painter.setBrush(QColor(120, 180, 255, 28));
    painter.drawPolygon(QPolygonF{project(0, 0, 0), project(1, 0, 0), project(1, 1, 0), project(0, 1, 0)});
    for (const auto& [rpm, load] : {std::pair{0.0, 1.0}, std::pair{1.0, 1.0}}) {
        painter.drawLine(project(rpm, load, 0), project(rpm, load, FuelHeight(rpm, load)));
    }

    const double step = 1.0 / cells;
    for (int l = cells - 1; l >= 0; --l) {
        for (int r = 0; r < cells; ++r) {
            const double r0 = r * step;
            const double l0 = l * step;
            const double h00 = FuelHeight(r0, l0);
            const double h10 = FuelHeight(r0 + step, l0);
            const double h11 = FuelHeight(r0 + step, l0 + step);
            const double h01 = FuelHeight(r0, l0 + step);
            const QPolygonF quad{project(r0, l0, h00), project(r0 + step, l0, h10), project(r0 + step, l0 + step, h11),
                                 project(r0, l0 + step, h01)};
            // Steeper cells facing the viewer catch more light.
            const double slope = ((h01 + h11) - (h00 + h10)) / (2 * step);
            QColor fill = HeightColour((h00 + h10 + h11 + h01) / 4, fillAlpha);
            fill = fill.lighter(static_cast<int>(std::clamp(85 + 25 * slope, 80.0, 135.0)));
            painter.setBrush(fill);
            painter.setPen(QPen(QColor(205, 240, 255, 170), lineWidth));
            painter.drawPolygon(quad);
        }
    }
    painter.setPen(framePen);
    painter.drawLine(project(0, 0, 0), project(0, 0, FuelHeight(0, 0)));
    painter.drawLine(project(1, 0, 0), project(1, 0, FuelHeight(1, 0)));
}

void DrawNavy(QPainter& painter, const QRectF& area) {
    QLinearGradient sky(area.topLeft(), area.bottomLeft());
    sky.setColorAt(0.0, kNavyTop);
    sky.setColorAt(1.0, kNavyBottom);
    painter.fillRect(area, sky);
    // A faint glow behind the surface.
    QRadialGradient glow(QPointF(area.right() - area.width() * 0.28, area.top() + area.height() * 0.55),
                         area.width() * 0.45);
    glow.setColorAt(0.0, QColor(60, 130, 220, 90));
    glow.setColorAt(1.0, QColor(60, 130, 220, 0));
    painter.fillRect(area, glow);
}

void DrawPanel(QPainter& painter, const QRectF& area) {
    QLinearGradient panel(area.topLeft(), area.bottomLeft());
    panel.setColorAt(0.0, kPanelTop);
    panel.setColorAt(1.0, kPanelBottom);
    painter.fillRect(area, panel);
    painter.fillRect(QRectF(area.left(), area.top(), area.width(), 2), kAccent);
}

void DrawName(QPainter& painter, const QPointF& baseline, int pixelSize, const QString& subtitle) {
    QFont name(QStringLiteral("Liberation Sans"));
    name.setPixelSize(pixelSize);
    name.setBold(true);
    name.setLetterSpacing(QFont::AbsoluteSpacing, pixelSize / 14.0);
    painter.setFont(name);
    painter.setPen(QColor(0, 0, 0, 120));
    painter.drawText(baseline + QPointF(2, 2), QStringLiteral("Tarvik"));
    painter.setPen(Qt::white);
    painter.drawText(baseline, QStringLiteral("Tarvik"));
    if (subtitle.isEmpty()) return;
    QFont small(QStringLiteral("Liberation Sans"));
    small.setPixelSize(std::max(10, pixelSize / 4));
    painter.setFont(small);
    painter.setPen(QColor(170, 210, 250));
    painter.drawText(baseline + QPointF(2, pixelSize * 0.45), subtitle);
}

}  // namespace

QImage DrawSplash() {
    QImage picture(404, 292, QImage::Format_RGB32);
    QPainter painter(&picture);
    DrawNavy(painter, QRectF(0, 0, 404, 192));
    DrawSurface(painter, QRectF(192, 12, 204, 176), 16, 0.8, 190);
    DrawName(painter, QPointF(20, 92), 50, QStringLiteral("LH 2.2 fuel map editor"));
    DrawPanel(painter, QRectF(0, 192, 404, 100));
    return picture;
}

QImage DrawAbout() {
    QImage picture(400, 233, QImage::Format_RGB32);
    QPainter painter(&picture);
    DrawNavy(painter, QRectF(0, 0, 400, 86));
    DrawSurface(painter, QRectF(262, 6, 126, 76), 12, 0.6, 200);
    DrawName(painter, QPointF(30, 54), 36, QString());
    DrawPanel(painter, QRectF(0, 86, 400, 147));
    return picture;
}

QImage DrawIcon(int size) {
    // Laid out on a 32 x 32 grid and scaled: at 32 every figure below is the
    // one windows/pictures/icon.png was drawn with, pixel for pixel.
    const double scale = size / 32.0;
    // More cells as the tile grows, up to the splash's 16, so that a large
    // icon shows a mesh rather than a few coarse facets.
    const int cells = std::min(16, 6 + (size - 32) / 16);
    // Lines grow more slowly than the tile: at 256 px they stay about 1.4 px,
    // where scaling them with the tile would make them 4 px bars.
    const double lineWidth = 0.5 * std::sqrt(scale);

    QImage picture(size, size, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, size);
    sky.setColorAt(0.0, kNavyTop);
    sky.setColorAt(1.0, kNavyBottom);
    painter.fillRect(picture.rect(), sky);
    DrawSurface(painter, QRectF(1 * scale, 2 * scale, 30 * scale, 28 * scale), cells, lineWidth, 235);
    return picture;
}

}  // namespace tarvik::pictures
