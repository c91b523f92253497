// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QApplication;

namespace tarvik {

// The program's start-up: builds the real desktop platform and the 3-D view,
// hands them to the main window, runs its start-up (splash, tab order),
// shows it and runs the event loop; returns the program's exit code.
int RunEditor(QApplication& app);

}  // namespace tarvik
