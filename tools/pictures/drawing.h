// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

namespace tarvik::pictures {

// The splash picture, 404 x 292: the name over a fuel-map surface on dark
// blue, with a light band at the bottom where the window's black labels
// (version, rights notice, rights holder, disclaimer) stand.
[[nodiscard]] QImage DrawSplash();

// The About picture, 400 x 233: a dark-blue head with the name and a small
// surface, and a light body from y 86 down for the window's labels.
[[nodiscard]] QImage DrawAbout();

// The program's icon, size x size: the fuel-map surface on a dark-blue tile.
// The main window carries the 32 x 32 one; the desktop's icon theme gets
// each of kIconSizes, each drawn afresh at its size (finer mesh, lines kept
// thin) rather than scaled up from a smaller one.
[[nodiscard]] QImage DrawIcon(int size = 32);

inline constexpr int kIconSizes[] = {32, 48, 64, 128, 256};

}  // namespace tarvik::pictures
