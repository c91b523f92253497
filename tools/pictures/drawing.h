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

// The main window's icon, 32 x 32: the fuel-map surface on a dark-blue tile.
[[nodiscard]] QImage DrawIcon();

}  // namespace tarvik::pictures
