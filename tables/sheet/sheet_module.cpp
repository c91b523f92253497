// SPDX-License-Identifier: GPL-3.0-or-later
// The entry points of the drawing module, tarvik-sheet.so: the only part of
// tarvik-tables that loads Qt Gui, and only when a sheet is asked for.

#include <QGuiApplication>

#include "tables/sheet/sheet.h"

namespace {

QtMessageHandler qtHandler = nullptr;

// Qt Gui looks for a desktop session's runtime folder as it starts, and
// warns on standard error where there is none (under sudo, cron, a service).
// The offscreen drawing needs no session: the warning would only be noise
// among the command's own messages.
void WithoutSessionNoise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (qtHandler != nullptr) qtHandler(type, context, message);
}

}  // namespace

extern "C" Q_DECL_EXPORT QCoreApplication* TarvikMakeSheetApplication(int* argc, char** argv) {
    // Painting needs a platform: the offscreen one, so that no display is
    // ever asked for.
    if (qgetenv("QT_QPA_PLATFORM") != "offscreen") qputenv("QT_QPA_PLATFORM", "offscreen");
    qtHandler = qInstallMessageHandler(WithoutSessionNoise);
    auto* application = new QGuiApplication(*argc, argv);
    qInstallMessageHandler(qtHandler);
    return application;
}

extern "C" Q_DECL_EXPORT void TarvikDrawSheetInto(const tarvik::tables::SheetContents* contents,
                                                  tarvik::tables::SheetFormat format, QByteArray* file) {
    *file = tarvik::tables::DrawSheet(*contents, format);
}
