// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarvik {

// Where the program's pictures live among its resources.
inline constexpr char kSplashPicturePath[] = ":/pictures/splash.gif";  // 404 x 292, 256 colours
inline constexpr char kAboutPicturePath[] = ":/pictures/about.bmp";    // 400 x 233, 24-bit
inline constexpr char kIconPicturePath[] = ":/pictures/icon.png";      // 32 x 32, 256 colours

// The splash window's picture.
[[nodiscard]] QPixmap SplashPicture();

// The About window's picture.
[[nodiscard]] QPixmap AboutPicture();

// The main window's 32 x 32 icon.
[[nodiscard]] QIcon ProgramIcon();

}  // namespace tarvik
