// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One program per serial device. The lock is taken on the device itself, by
// its device number, so that /dev/ttyUSB0, a link in /dev/serial/by-id and a
// second node of the same device are one port; and it binds root too, whom
// the terminal's own exclusive mode lets through. The lock file names the
// program and process that hold it, for the message of the one refused.

#include <QString>
#include <optional>
#include <sys/types.h>
#include <utility>

namespace tarvik::devices {

class PortLock {
public:
    // Takes the lock for the device `device` (a stat's st_rdev); nothing and
    // why, in a sentence, when another program holds it.
    [[nodiscard]] static std::optional<PortLock> Take(dev_t device, QString& error);

    PortLock(PortLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    PortLock& operator=(PortLock&&) = delete;
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;
    ~PortLock();

private:
    explicit PortLock(int fd) : fd_(fd) {}
    int fd_;
};

}  // namespace tarvik::devices
