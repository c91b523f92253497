// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/simulated_emulator.h"

#include <QFile>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::testing {

SimulatedEmulator::SimulatedEmulator(std::unique_ptr<DeviceModel> model)
    : link_(folder_.filePath(QStringLiteral("ttyEmulator"))), model_(std::move(model)) {
    Open();
    thread_ = std::thread([this] { Serve(); });
}

SimulatedEmulator::~SimulatedEmulator() {
    stop_ = true;
    thread_.join();
    if (master_ >= 0) ::close(master_);
}

QString SimulatedEmulator::DevicePath() const { return QFile::symLinkTarget(link_); }

void SimulatedEmulator::Open() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) std::abort();
    // Raw both ways: bytes pass as they are, no echo, no line editing.
    termios mode{};
    ::tcgetattr(master, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(master, TCSANOW, &mode);
    // Opened and closed once here: a pseudo-terminal tells a program's
    // opening only after it has been closed before.
    ::close(::open(::ptsname(master), O_RDWR | O_NOCTTY));
    QFile::remove(link_);
    if (!QFile::link(QString::fromLocal8Bit(::ptsname(master)), link_)) std::abort();
    opened_ = false;
    master_ = master;
}

void SimulatedEmulator::Unplug() {
    const std::lock_guard lock(mutex_);
    const int master = master_.exchange(-1);
    if (master >= 0) ::close(master);
}

void SimulatedEmulator::PlugIn() {
    const std::lock_guard lock(mutex_);
    unplugAfter_ = 0;
    silent_ = false;
    Open();
}

void SimulatedEmulator::Send(const QByteArray& bytes) {
    if (silent_) return;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written =
            ::write(master_, bytes.constData() + done, static_cast<std::size_t>(bytes.size() - done));
        if (written <= 0) return;
        done += written;
    }
}

void SimulatedEmulator::Serve() {
    while (!stop_) {
        std::unique_lock lock(mutex_);
        const int master = master_;
        if (master < 0) {
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd wait{master, POLLIN, 0};
        lock.unlock();
        const int ready = ::poll(&wait, 1, 20);
        lock.lock();
        if (master_ != master || ready < 0) continue;
        if ((wait.revents & POLLHUP) != 0 && (wait.revents & POLLIN) == 0) {
            // No program has the port open: the next one to open it resets
            // the device.
            opened_ = false;
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (!opened_) {
            opened_ = true;
            ++opens_;
            Send(model_->Opened());
        }
        if ((wait.revents & POLLIN) == 0) continue;
        char bytes[4096];
        const ssize_t got = ::read(master, bytes, sizeof bytes);
        if (got <= 0) continue;
        const QByteArray answer = model_->Take(QByteArrayView(bytes, got));
        if (answer.isEmpty()) continue;
        Send(answer);
        if (++answers_ == unplugAfter_) {
            ::close(master_);
            master_ = -1;
        }
    }
}

}  // namespace tarvik::testing
