// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Every emulator Tarvik can work with, in the order help texts list them. A
// new device is a unit of its own in this folder (its protocol over a Wire
// and its DeviceKind) and one line in device_list.cpp.

#include <QString>
#include <vector>

#include "devices/emulator.h"

namespace tarvik::devices {

[[nodiscard]] const std::vector<DeviceKind>& Devices();

// The device of that name, or nullptr.
[[nodiscard]] const DeviceKind* FindDevice(const QString& name);

// The device a command uses when none is named.
[[nodiscard]] const DeviceKind& DefaultDevice();

// "ostrich2 (Ostrich 2.0) and emu-ng (EPROM EMU NG)"
[[nodiscard]] QString DeviceNames();

}  // namespace tarvik::devices
