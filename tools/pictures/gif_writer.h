// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QImage;

namespace tarvik::pictures {

// A GIF89a file holding the picture as a single frame. The picture must be
// 8-bit indexed (QImage::Format_Indexed8) with at most 256 colours; the
// file's global colour table always has 256 entries, the picture's own
// colours padded with black. Returns an empty array for any other picture.
[[nodiscard]] QByteArray EncodeGif(const QImage& indexed);

}  // namespace tarvik::pictures
