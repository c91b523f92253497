// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The EPROM EMU NG: open hardware on an Arduino Nano (firmware 2.x), one
// 64 KB memory behind a text protocol at 115200 baud, as its firmware and
// its maker's uploader speak it. Opening the port resets the board on most
// Nanos; every write holds the control unit in reset; nothing can be read
// back and nothing is checksummed.

#include "devices/emulator.h"

namespace tarvik::devices {

[[nodiscard]] DeviceKind EmuNgKind();

}  // namespace tarvik::devices
