// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_editor.h"

#include <QApplication>

#include "editor/frmMain.h"
#include "graph/surface_graph.h"
#include "platform/qt_platform.h"

namespace tarvik {

int RunEditor(QApplication& app) {
    QtPlatform desktop;
    SurfaceGraph graph;  // declared first: the window gives it back when it goes
    frmMain window(desktop.Get(), graph);
    desktop.SetOwner(window);
    window.Form_Load();
    window.show();
    return app.exec();
}

}  // namespace tarvik
