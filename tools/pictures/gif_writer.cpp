// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pictures/gif_writer.h"

#include <QImage>

#include <cstdint>
#include <unordered_map>

namespace tarvik::pictures {
namespace {

constexpr int kMinCodeSize = 8;                // one code per 8-bit index
constexpr int kClearCode = 1 << kMinCodeSize;  // 256
constexpr int kEndCode = kClearCode + 1;       // 257
constexpr int kFirstFreeCode = kEndCode + 1;   // 258
constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;  // 4096 codes at most
constexpr int kPaletteEntries = 256;
constexpr int kMaxSubBlock = 255;

// Codes go into the byte stream least significant bit first.
class BitWriter {
public:
    void Put(int code, int bits) {
        pending_ |= static_cast<std::uint32_t>(code) << pendingBits_;
        pendingBits_ += bits;
        while (pendingBits_ >= 8) {
            bytes_.append(static_cast<char>(pending_ & 0xFFu));
            pending_ >>= 8;
            pendingBits_ -= 8;
        }
    }

    [[nodiscard]] QByteArray Finish() {
        if (pendingBits_ > 0) bytes_.append(static_cast<char>(pending_ & 0xFFu));
        pending_ = 0;
        pendingBits_ = 0;
        return bytes_;
    }

private:
    std::uint32_t pending_ = 0;
    int pendingBits_ = 0;
    QByteArray bytes_;
};

// Variable-length LZW over the picture's indices, row by row.
//
// The code width grows when the reader's table has filled the current width.
// A reader adds its entry for a code one code later than this writer does
// (it needs the next code's first index), so the width is raised after
// writing a code once the entries the reader will then hold (nextCode before
// this writer adds its own new one) reach 2^width. The same rule holds for
// the last code before the end code. When the table is full, a clear code
// (still at 12 bits) starts a fresh table.
QByteArray CompressIndices(const QImage& indexed) {
    BitWriter out;
    std::unordered_map<std::uint32_t, int> table;
    table.reserve(kTableSize);
    int width = kMinCodeSize + 1;
    int nextCode = kFirstFreeCode;

    auto writeCode = [&](int code) {
        out.Put(code, width);
        if (nextCode >= (1 << width) && width < kMaxCodeBits) ++width;
    };

    out.Put(kClearCode, width);
    int prefix = -1;
    for (int y = 0; y < indexed.height(); ++y) {
        const uchar* row = indexed.constScanLine(y);
        for (int x = 0; x < indexed.width(); ++x) {
            const int index = row[x];
            if (prefix < 0) {
                prefix = index;
                continue;
            }
            const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | static_cast<std::uint32_t>(index);
            if (const auto found = table.find(key); found != table.end()) {
                prefix = found->second;
                continue;
            }
            writeCode(prefix);
            if (nextCode < kTableSize) {
                table.emplace(key, nextCode++);
            } else {
                out.Put(kClearCode, width);
                table.clear();
                width = kMinCodeSize + 1;
                nextCode = kFirstFreeCode;
            }
            prefix = index;
        }
    }
    if (prefix >= 0) writeCode(prefix);
    out.Put(kEndCode, width);
    return out.Finish();
}

void PutLittleEndian16(QByteArray& bytes, int value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>((value >> 8) & 0xFF));
}

}  // namespace

QByteArray EncodeGif(const QImage& indexed) {
    if (indexed.format() != QImage::Format_Indexed8 || indexed.colorCount() > kPaletteEntries || indexed.isNull() ||
        indexed.width() > 0xFFFF || indexed.height() > 0xFFFF) {
        return {};
    }

    QByteArray gif("GIF89a");
    // Logical screen: the picture's size; a global colour table of 256
    // entries (size field 7), 8 bits per primary (resolution field 7).
    PutLittleEndian16(gif, indexed.width());
    PutLittleEndian16(gif, indexed.height());
    gif.append(static_cast<char>(0x80 | (7 << 4) | 7));
    gif.append('\0');  // background colour index
    gif.append('\0');  // square pixels

    const QList<QRgb> colours = indexed.colorTable();
    for (int i = 0; i < kPaletteEntries; ++i) {
        const QRgb rgb = i < colours.size() ? colours[i] : qRgb(0, 0, 0);
        gif.append(static_cast<char>(qRed(rgb)));
        gif.append(static_cast<char>(qGreen(rgb)));
        gif.append(static_cast<char>(qBlue(rgb)));
    }

    // One image covering the whole screen, not interlaced, no local table.
    gif.append(',');
    PutLittleEndian16(gif, 0);
    PutLittleEndian16(gif, 0);
    PutLittleEndian16(gif, indexed.width());
    PutLittleEndian16(gif, indexed.height());
    gif.append('\0');

    gif.append(static_cast<char>(kMinCodeSize));
    const QByteArray data = CompressIndices(indexed);
    for (qsizetype at = 0; at < data.size(); at += kMaxSubBlock) {
        const qsizetype length = std::min<qsizetype>(kMaxSubBlock, data.size() - at);
        gif.append(static_cast<char>(length));
        gif.append(data.constData() + at, length);
    }
    gif.append('\0');  // end of the image data
    gif.append(';');   // trailer
    return gif;
}

}  // namespace tarvik::pictures
