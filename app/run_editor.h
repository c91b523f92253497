// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace tarvik {

struct EditorOptions;

// The program's start-up: builds the real desktop platform and the 3-D view,
// hands them to the main window, runs its start-up (splash, tab order),
// shows it and runs the event loop; returns the program's exit code. With
// the command line's image, it is opened once the window is up; with an
// emulator's port, a live link to it is made and named in the caption.
int RunEditor(QApplication& app, const EditorOptions& options);

}  // namespace tarvik
