// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tarvik {

// "Version " followed by major.minor.revision as plain decimal integers.
[[nodiscard]] QString VersionText(int major, int minor, int revision);

// VersionText of the program's own version.
[[nodiscard]] QString ProgramVersionText();

}  // namespace tarvik
