// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/pictures.h"

namespace tarvik {

QPixmap SplashPicture() { return QPixmap(QString::fromLatin1(kSplashPicturePath)); }

QPixmap AboutPicture() { return QPixmap(QString::fromLatin1(kAboutPicturePath)); }

QIcon ProgramIcon() { return QIcon(QString::fromLatin1(kIconPicturePath)); }

}  // namespace tarvik
