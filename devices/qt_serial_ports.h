// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devices/serial_link.h"

namespace tarvik::devices {

// Serial ports through Qt SerialPort, used blocking, without an event loop,
// on the thread that opened them. Modem lines are never touched: USB
// adapters do not all have them. A port is held by one program at a time,
// whatever path reaches it.
class QtSerialPorts final : public SerialPorts {
public:
    [[nodiscard]] std::unique_ptr<SerialLink> Open(const QString& port, int baud, QString& error) override;
};

}  // namespace tarvik::devices
