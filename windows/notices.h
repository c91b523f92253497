// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringView>

namespace tarvik {

// The rights notice and rights holder on the splash window; each must fit
// its one-line label of 87 pixels in Arial 8.25 pt.
inline constexpr QStringView kCopyrightNotice = u"Copyright \u00A9 2026";
inline constexpr QStringView kRightsHolder = u"Tarvik developers";

// The About window's rights line: notice and holder together.
inline constexpr QStringView kRightsLine = u"Copyright \u00A9 2026 Tarvik developers";

inline constexpr QStringView kAffiliationDisclaimer =
    u"This program is not in any way affiliated with nor supported by Saab AB, Saab Automobile AB or Robert Bosch "
    u"GmbH";

inline constexpr QStringView kRiskDisclaimer =
    u"By using this program you agree to do so by your own risk. The author of the program can in no way be held "
    u"responsible for any damages caused by the use of this program.";

}  // namespace tarvik
