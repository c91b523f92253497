// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pictures/palette.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <vector>

namespace tarvik::pictures {
namespace {

struct ColourCount {
    std::array<int, 3> rgb;
    qint64 count;
};

// A box of median cut: a run [begin, end) of the distinct colours.
struct Box {
    qsizetype begin;
    qsizetype end;
};

struct Spread {
    int channel;
    int range;
};

Spread WidestChannel(const std::vector<ColourCount>& colours, const Box& box) {
    Spread widest{0, -1};
    for (int channel = 0; channel < 3; ++channel) {
        int low = 255;
        int high = 0;
        for (qsizetype i = box.begin; i < box.end; ++i) {
            low = std::min(low, colours[i].rgb[channel]);
            high = std::max(high, colours[i].rgb[channel]);
        }
        if (high - low > widest.range) widest = {channel, high - low};
    }
    return widest;
}

// Splits the box along its widest channel at the pixel-weighted median, so
// that each half covers about as many pixels.
std::pair<Box, Box> Split(std::vector<ColourCount>& colours, const Box& box, int channel) {
    std::sort(colours.begin() + box.begin, colours.begin() + box.end,
              [channel](const ColourCount& a, const ColourCount& b) { return a.rgb[channel] < b.rgb[channel]; });
    qint64 total = 0;
    for (qsizetype i = box.begin; i < box.end; ++i) total += colours[i].count;
    qint64 running = 0;
    qsizetype cut = box.begin + 1;
    for (qsizetype i = box.begin; i < box.end - 1; ++i) {
        running += colours[i].count;
        cut = i + 1;
        if (2 * running >= total) break;
    }
    return {Box{box.begin, cut}, Box{cut, box.end}};
}

QRgb MeanColour(const std::vector<ColourCount>& colours, const Box& box) {
    std::array<qint64, 3> sum{};
    qint64 total = 0;
    for (qsizetype i = box.begin; i < box.end; ++i) {
        for (int c = 0; c < 3; ++c) sum[c] += static_cast<qint64>(colours[i].rgb[c]) * colours[i].count;
        total += colours[i].count;
    }
    auto mean = [&](int c) { return static_cast<int>((sum[c] + total / 2) / total); };
    return qRgb(mean(0), mean(1), mean(2));
}

int NearestEntry(const QList<QRgb>& table, int used, QRgb colour) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < used; ++i) {
        const int dr = qRed(table[i]) - qRed(colour);
        const int dg = qGreen(table[i]) - qGreen(colour);
        const int db = qBlue(table[i]) - qBlue(colour);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

}  // namespace

QImage ToIndexed256(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);

    QHash<QRgb, qint64> histogram;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) ++histogram[row[x] | 0xFF000000u];
    }
    std::vector<ColourCount> colours;
    colours.reserve(static_cast<std::size_t>(histogram.size()));
    for (auto it = histogram.cbegin(); it != histogram.cend(); ++it) {
        colours.push_back({{qRed(it.key()), qGreen(it.key()), qBlue(it.key())}, it.value()});
    }
    // The hash's order changes from run to run; the palette must not.
    std::sort(colours.begin(), colours.end(), [](const ColourCount& a, const ColourCount& b) { return a.rgb < b.rgb; });

    std::vector<Box> boxes{Box{0, static_cast<qsizetype>(colours.size())}};
    while (static_cast<int>(boxes.size()) < kPaletteSize) {
        // Split the box whose colours lie furthest apart.
        int chosen = -1;
        Spread chosenSpread{0, 0};
        for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
            if (boxes[i].end - boxes[i].begin < 2) continue;
            const Spread spread = WidestChannel(colours, boxes[i]);
            if (spread.range > chosenSpread.range) {
                chosen = i;
                chosenSpread = spread;
            }
        }
        if (chosen < 0) break;  // every box holds a single colour
        const auto [low, high] = Split(colours, boxes[chosen], chosenSpread.channel);
        boxes[chosen] = low;
        boxes.push_back(high);
    }

    QList<QRgb> table(kPaletteSize, qRgb(0, 0, 0));
    for (std::size_t i = 0; i < boxes.size(); ++i) table[static_cast<qsizetype>(i)] = MeanColour(colours, boxes[i]);
    const int used = static_cast<int>(boxes.size());

    QHash<QRgb, uchar> nearest;
    QImage indexed(rgb.size(), QImage::Format_Indexed8);
    indexed.setColorTable(table);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uchar* out = indexed.scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb colour = row[x] | 0xFF000000u;
            auto it = nearest.constFind(colour);
            if (it == nearest.cend()) {
                it = nearest.insert(colour, static_cast<uchar>(NearestEntry(table, used, colour)));
            }
            out[x] = it.value();
        }
    }
    return indexed;
}

}  // namespace tarvik::pictures
