// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QImage;

namespace tarvik::pictures {

// An uncompressed (BI_RGB) 24-bit Windows bitmap of the picture: 14-byte file
// header, 40-byte info header, rows bottom-up, each padded to 4 bytes.
// Alpha is dropped. Returns an empty array for a null picture.
[[nodiscard]] QByteArray EncodeBmp24(const QImage& image);

}  // namespace tarvik::pictures
