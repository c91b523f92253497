// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial device as the tool's commands see it: bytes out, bytes in by a
// deadline, and nothing of modem lines or events. Tests give commands a
// simulated device behind the same interface's real implementation.

#include <QByteArray>
#include <QString>
#include <memory>

namespace tarvik::tables {

class SerialLink {
public:
    virtual ~SerialLink() = default;
    // Sends the whole of data; the reason when it cannot, empty when sent.
    [[nodiscard]] virtual QString Send(const QByteArray& data) = 0;
    // Exactly `count` bytes within `milliseconds` from now; the reason when
    // they do not come, empty when they did.
    [[nodiscard]] virtual QString Receive(qsizetype count, int milliseconds, QByteArray& data) = 0;
    // Forgets whatever came that nobody asked for (a late answer).
    virtual void Discard() = 0;
};

class SerialPorts {
public:
    virtual ~SerialPorts() = default;
    // The device at `port` (a path such as /dev/ttyUSB0), 8-N-1 at `baud`,
    // no flow control; nullptr and the reason when it cannot be opened.
    [[nodiscard]] virtual std::unique_ptr<SerialLink> Open(const QString& port, int baud, QString& error) = 0;
};

}  // namespace tarvik::tables
