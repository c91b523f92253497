// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/identity.h"

#include <QGuiApplication>

#include "generated/version.h"

namespace tarvik {

void SetEditorIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("tarvik"));
    QCoreApplication::setApplicationVersion(QString::fromStdString(ProgramVersionNumber()));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileName));
}

}  // namespace tarvik
