// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/devices/qt_serial_ports.h"

#include <QDeadlineTimer>
#include <QSerialPort>

namespace tarvik::tables {

namespace {

class QtSerialLink final : public SerialLink {
public:
    explicit QtSerialLink(std::unique_ptr<QSerialPort> port) : port_(std::move(port)) {}

    QString Send(const QByteArray& data) override {
        if (port_->write(data) != data.size()) return port_->errorString();
        // Written through before any answer is awaited: a command goes out
        // whole and without delays, as the device expects.
        while (port_->bytesToWrite() > 0) {
            if (!port_->waitForBytesWritten(500)) return Reason(QStringLiteral("the device took no data"));
        }
        return {};
    }

    QString Receive(qsizetype count, int milliseconds, QByteArray& data) override {
        data.clear();
        const QDeadlineTimer deadline(milliseconds);
        while (data.size() < count) {
            if (port_->bytesAvailable() == 0) {
                const qint64 left = deadline.remainingTime();
                if (left <= 0 || !port_->waitForReadyRead(static_cast<int>(left))) {
                    if (port_->error() != QSerialPort::NoError && port_->error() != QSerialPort::TimeoutError)
                        return port_->errorString();
                    return QStringLiteral("no answer within %1 ms").arg(milliseconds);
                }
            }
            data += port_->read(count - data.size());
        }
        return {};
    }

    void Discard() override {
        while (port_->waitForReadyRead(10)) port_->readAll();
        port_->readAll();
        port_->clearError();
    }

private:
    [[nodiscard]] QString Reason(const QString& fallback) const {
        return port_->error() != QSerialPort::NoError && port_->error() != QSerialPort::TimeoutError
                   ? port_->errorString()
                   : fallback;
    }

    std::unique_ptr<QSerialPort> port_;
};

}  // namespace

std::unique_ptr<SerialLink> QtSerialPorts::Open(const QString& port, int baud, QString& error) {
    auto device = std::make_unique<QSerialPort>(port);
    const bool configured = device->setBaudRate(baud) && device->setDataBits(QSerialPort::Data8) &&
                            device->setParity(QSerialPort::NoParity) && device->setStopBits(QSerialPort::OneStop) &&
                            device->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured || !device->open(QIODevice::ReadWrite)) {
        switch (device->error()) {
            case QSerialPort::DeviceNotFoundError:
                error = QStringLiteral("There is no such port.");
                break;
            case QSerialPort::PermissionError:
                error = QStringLiteral(
                    "Permission denied: the user needs to be in the dialout group (sudo usermod -aG dialout "
                    "$USER, then log in again), or the port is in use.");
                break;
            default:
                error = device->errorString();
                break;
        }
        return nullptr;
    }
    return std::make_unique<QtSerialLink>(std::move(device));
}

}  // namespace tarvik::tables
