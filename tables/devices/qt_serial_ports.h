// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "tables/devices/serial_link.h"

namespace tarvik::tables {

// Serial devices through Qt SerialPort, used blocking, without an event
// loop. Modem lines are never touched: USB adapters and the like do not all
// have them.
class QtSerialPorts final : public SerialPorts {
public:
    [[nodiscard]] std::unique_ptr<SerialLink> Open(const QString& port, int baud, QString& error) override;
};

}  // namespace tarvik::tables
