// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tarvik {

// The windows' layouts are drawn up in twips; 15 twips make one pixel at 96
// dots per inch. Every twip figure of these windows is a whole number of
// pixels, and a figure that is not fails to compile.
consteval int Px(int twips) {
    if (twips % 15 != 0) throw "twips must be a whole number of pixels";
    return twips / 15;
}

}  // namespace tarvik
