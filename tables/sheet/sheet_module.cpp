// SPDX-License-Identifier: GPL-3.0-or-later
// The entry points of the drawing module, tarvik-sheet.so: the only part of
// tarvik-tables that loads Qt Gui, and only when a sheet is asked for.

#include <QGuiApplication>

#include "tables/sheet/sheet.h"

extern "C" Q_DECL_EXPORT QCoreApplication* TarvikMakeSheetApplication(int* argc, char** argv) {
    // Painting needs a platform: the offscreen one, so that no display is
    // ever asked for.
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen") qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(*argc, argv);
}

extern "C" Q_DECL_EXPORT void TarvikDrawSheetInto(const tarvik::tables::SheetContents* contents,
                                                  tarvik::tables::SheetFormat format, QByteArray* file) {
    *file = tarvik::tables::DrawSheet(*contents, format);
}
