// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

namespace tarvik::pictures {

inline constexpr int kPaletteSize = 256;

// The picture reduced to an 8-bit indexed one whose colour table has exactly
// 256 entries. The colours are chosen by median cut over the picture's own
// pixels, so a picture of at most 256 distinct colours keeps every pixel
// exactly; unused entries are black. Each pixel takes its nearest entry (no
// dithering: the pictures are smooth gradients, where dither noise shows
// more than the small steps do). Alpha is ignored.
[[nodiscard]] QImage ToIndexed256(const QImage& image);

}  // namespace tarvik::pictures
