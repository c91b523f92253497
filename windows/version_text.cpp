// SPDX-License-Identifier: GPL-3.0-or-later
#include "windows/version_text.h"

#include "generated/version.h"

namespace tarvik {

QString VersionText(int major, int minor, int revision) {
    return QStringLiteral("Version %1.%2.%3").arg(major).arg(minor).arg(revision);
}

QString ProgramVersionText() { return VersionText(kVersionMajor, kVersionMinor, kVersionRevision); }

}  // namespace tarvik
