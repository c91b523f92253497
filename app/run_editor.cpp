// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/run_editor.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <algorithm>

#include "app/command_line.h"
#include "devices/qt_serial_ports.h"
#include "editor/frmMain.h"
#include "editor/live_link.h"
#include "graph/surface_graph.h"
#include "platform/qt_platform.h"

namespace tarvik {

namespace {

// Keeps the window's frame within the screen's free area (the screen less
// task bars and panels): the window is made smaller where it must be, the
// layout clipped as when the user shrinks it, and moved in. It may still be
// enlarged afterwards.
void KeepOnScreen(QWidget& window) {
    const QRect area = window.screen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    if (area.contains(frame)) return;
    const QSize border = frame.size() - window.size();
    window.resize(window.size().boundedTo(area.size() - border));
    const QSize outer = window.size() + border;
    window.move(std::clamp(frame.left(), area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
                std::clamp(frame.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
}

// The window manager's frame is known only once it has framed the window:
// checked again after the window's first paint, when it has.
class KeepOnScreenWhenFramed final : public QObject {
public:
    explicit KeepOnScreenWhenFramed(QWidget& window) : window_(window) { window.installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, [this] { KeepOnScreen(window_); });
        }
        return false;
    }

private:
    QWidget& window_;
};

}  // namespace

int RunEditor(QApplication& app, const EditorOptions& options) {
    QtPlatform desktop;
    SurfaceGraph graph;  // declared first: the window gives it back when it goes
    frmMain window(desktop.Get(), graph);
    desktop.SetOwner(window);
    std::unique_ptr<LiveLink> link;
    if (!options.port.isEmpty()) {
        link = std::make_unique<LiveLink>(std::make_unique<devices::QtSerialPorts>(), *options.device, options.port,
                                          options.bank);
        // The caption names the link, once; nothing else of the window changes.
        window.setWindowTitle(window.windowTitle() + QStringLiteral(" \u2014 ") + link->Caption());
        window.SetCellWatcher(link.get());
        QObject::connect(link.get(), &LiveLink::Lost, &window, [&desktop] {
            desktop.Get().messageBox.Show(LiveLink::kLostText, LiveLink::kLostTitle, MessageIcon::Warning);
        });
    }
    window.Form_Load();
    KeepOnScreen(window);
    const KeepOnScreenWhenFramed framed(window);
    window.show();
    // Started with the window up: a message about the emulator stands over
    // it, not over the splash.
    if (link) link->Start();
    if (!options.image.isEmpty())
        QTimer::singleShot(0, &window, [&window, &options] { window.OpenFile(options.image); });
    const int status = app.exec();
    // Changes made just before closing still reach the emulator, unless it
    // does not answer.
    if (link) link->Finish(3000);
    return status;
}

}  // namespace tarvik
