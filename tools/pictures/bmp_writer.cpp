// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/pictures/bmp_writer.h"

#include <QImage>

namespace tarvik::pictures {
namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;
constexpr int kPixelsPerMetre = 3780;  // 96 dots per inch

void PutLittleEndian(QByteArray& bytes, quint32 value, int size) {
    for (int i = 0; i < size; ++i) bytes.append(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

}  // namespace

QByteArray EncodeBmp24(const QImage& image) {
    if (image.isNull()) return {};
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    const int width = rgb.width();
    const int height = rgb.height();
    const int stride = (width * 3 + 3) / 4 * 4;
    const quint32 pixelBytes = static_cast<quint32>(stride) * static_cast<quint32>(height);
    const quint32 offset = kFileHeaderSize + kInfoHeaderSize;

    QByteArray bmp;
    bmp.reserve(static_cast<qsizetype>(offset + pixelBytes));
    bmp.append("BM");
    PutLittleEndian(bmp, offset + pixelBytes, 4);
    PutLittleEndian(bmp, 0, 4);  // two reserved words
    PutLittleEndian(bmp, offset, 4);

    PutLittleEndian(bmp, kInfoHeaderSize, 4);
    PutLittleEndian(bmp, static_cast<quint32>(width), 4);
    PutLittleEndian(bmp, static_cast<quint32>(height), 4);  // positive: bottom-up
    PutLittleEndian(bmp, 1, 2);                             // planes
    PutLittleEndian(bmp, 24, 2);                            // bits per pixel
    PutLittleEndian(bmp, 0, 4);                             // BI_RGB: no compression
    PutLittleEndian(bmp, pixelBytes, 4);
    PutLittleEndian(bmp, kPixelsPerMetre, 4);
    PutLittleEndian(bmp, kPixelsPerMetre, 4);
    PutLittleEndian(bmp, 0, 4);  // no palette
    PutLittleEndian(bmp, 0, 4);

    for (int y = height - 1; y >= 0; --y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            bmp.append(static_cast<char>(qBlue(row[x])));
            bmp.append(static_cast<char>(qGreen(row[x])));
            bmp.append(static_cast<char>(qRed(row[x])));
        }
        for (int pad = width * 3; pad < stride; ++pad) bmp.append('\0');
    }
    return bmp;
}

}  // namespace tarvik::pictures
