// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tarvik {

// Names the running editor to the desktop: its name (the X window class
// "tarvik", as the desktop entry's StartupWMClass), its version and its
// desktop entry (the Wayland app id), so that its windows get the entry's
// icon. Call after the application object is made, before any window.
void SetEditorIdentity();

}  // namespace tarvik
