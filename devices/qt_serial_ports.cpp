// SPDX-License-Identifier: GPL-3.0-or-later
#include "devices/qt_serial_ports.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "devices/port_lock.h"

namespace tarvik::devices {

namespace {

const QString kClosed = QStringLiteral("the emulator's port closed");

class QtSerialLink final : public SerialLink {
public:
    QtSerialLink(std::unique_ptr<QSerialPort> port, PortLock lock) : port_(std::move(port)), lock_(std::move(lock)) {}

    QString Transfer(QByteArrayView out, QByteArray& in, std::chrono::milliseconds wait) override {
        port_->clearError();
        if (!out.isEmpty()) {
            if (port_->write(out.data(), out.size()) != out.size()) return Reason();
            // Written through before any answer is awaited: a request goes
            // out whole and without gaps, as the devices expect.
            const QDeadlineTimer deadline(500);
            while (port_->bytesToWrite() > 0) {
                if (!port_->waitForBytesWritten(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0))))
                    return port_->error() == QSerialPort::TimeoutError
                               ? QStringLiteral("the emulator's port took no data for 500 ms")
                               : Reason();
            }
        }
        if (port_->bytesAvailable() == 0 || wait.count() == 0) {
            if (!port_->waitForReadyRead(static_cast<int>(wait.count())) &&
                port_->error() != QSerialPort::TimeoutError && port_->error() != QSerialPort::NoError)
                return Reason();
        }
        in += port_->readAll();
        if (port_->error() != QSerialPort::NoError && port_->error() != QSerialPort::TimeoutError) return Reason();
        return {};
    }

private:
    // A USB adapter pulled out, or its power gone, is a closed port,
    // whatever the system's call that noticed it says ("Inappropriate ioctl
    // for device", "Input/output error").
    [[nodiscard]] QString Reason() const {
        switch (port_->error()) {
            case QSerialPort::UnsupportedOperationError:
                return QStringLiteral("the emulator's port failed: %1").arg(port_->errorString());
            default:
                return kClosed;
        }
    }

    std::unique_ptr<QSerialPort> port_;
    PortLock lock_;
};

// Why this user may not open the port, or nothing when nothing forbids it.
[[nodiscard]] std::optional<QString> PermissionProblem(const QByteArray& path, const struct stat& status) {
    if (::access(path.constData(), R_OK | W_OK) == 0) return std::nullopt;
    const int error = errno;
    if (error != EACCES && error != EPERM) return std::nullopt;
    const group* owners = ::getgrgid(status.st_gid);
    const QString group = owners != nullptr ? QString::fromLocal8Bit(owners->gr_name) : QString::number(status.st_gid);
    if ((status.st_mode & S_IRWXG) == (S_IRGRP | S_IWGRP)) {
        return QStringLiteral(
                   "Permission denied: the port belongs to the group %1, and this user is not in it (sudo usermod "
                   "-aG %1 $USER, then log in again).")
            .arg(group);
    }
    return QStringLiteral("Permission denied: this user may not read and write the port.");
}

}  // namespace

std::unique_ptr<SerialLink> QtSerialPorts::Open(const QString& port, int baud, QString& error) {
    if (port.isEmpty()) {
        error = QStringLiteral("The port's name is empty.");
        return nullptr;
    }
    // A relative path is taken from the working folder, as every file the
    // programs are given; Qt would look for it under /dev.
    const QString path = QFileInfo(port).absoluteFilePath();
    const QByteArray native = QFile::encodeName(path);
    struct stat status {};
    if (::stat(native.constData(), &status) != 0) {
        error = QStringLiteral("There is no such port.");
        if (!port.contains(QLatin1Char('/')) && QFileInfo::exists(QStringLiteral("/dev/") + port))
            error += QStringLiteral(" (Did you mean /dev/%1?)").arg(port);
        return nullptr;
    }
    if (!S_ISCHR(status.st_mode)) {
        error = QStringLiteral("It is not a serial port.");
        return nullptr;
    }
    if (const std::optional<QString> forbidden = PermissionProblem(native, status)) {
        error = *forbidden;
        return nullptr;
    }
    std::optional<PortLock> lock = PortLock::Take(status.st_rdev, error);
    if (!lock) return nullptr;

    auto device = std::make_unique<QSerialPort>(path);
    const bool configured = device->setBaudRate(baud) && device->setDataBits(QSerialPort::Data8) &&
                            device->setParity(QSerialPort::NoParity) && device->setStopBits(QSerialPort::OneStop) &&
                            device->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured || !device->open(QIODevice::ReadWrite)) {
        // Permission was looked at above: what Qt calls a permission error
        // now is the port held by a program of another kind.
        error = device->error() == QSerialPort::PermissionError
                    ? QStringLiteral("The port is in use by another program (%1).").arg(device->errorString())
                    : device->errorString();
        return nullptr;
    }
    return std::make_unique<QtSerialLink>(std::move(device), std::move(*lock));
}

}  // namespace tarvik::devices
