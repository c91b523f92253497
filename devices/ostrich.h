// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Moates Ostrich 2.0, by the commands of its maker's published table:
// eight banks of 64 KB of RAM, one written and read by the host, one
// emulated in the EPROM socket, switched and asked for at any time; writes
// do not disturb the running engine, reads usually do.

#include "devices/emulator.h"

namespace tarvik::devices {

[[nodiscard]] DeviceKind OstrichKind();

}  // namespace tarvik::devices
