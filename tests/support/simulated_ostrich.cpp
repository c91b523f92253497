// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/simulated_ostrich.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <numeric>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace tarvik::testing {

namespace {

[[nodiscard]] std::uint8_t Sum(const std::uint8_t* bytes, std::size_t count) {
    return static_cast<std::uint8_t>(std::accumulate(bytes, bytes + count, 0u) & 0xFFu);
}

}  // namespace

SimulatedOstrich::SimulatedOstrich(Fault fault, int after)
    : link_(folder_.filePath(QStringLiteral("ttyOstrich"))), fault_(fault), after_(after) {
    for (auto& bank : memory_) bank.assign(65536, 0xFF);
    Open();
    thread_ = std::thread([this] { Serve(); });
}

SimulatedOstrich::~SimulatedOstrich() {
    stop_ = true;
    thread_.join();
    if (master_ >= 0) ::close(master_);
}

void SimulatedOstrich::Open() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) std::abort();
    // Raw both ways: bytes pass as they are, no echo, no line editing.
    termios mode{};
    ::tcgetattr(master, &mode);
    ::cfmakeraw(&mode);
    ::tcsetattr(master, TCSANOW, &mode);
    QFile::remove(link_);
    if (!QFile::link(QString::fromLocal8Bit(::ptsname(master)), link_)) std::abort();
    buffer_.clear();
    master_ = master;
}

void SimulatedOstrich::Unplug() {
    const std::lock_guard lock(mutex_);
    const int master = master_.exchange(-1);
    if (master >= 0) ::close(master);
}

void SimulatedOstrich::PlugIn() {
    const std::lock_guard lock(mutex_);
    fault_ = Fault::None;
    Open();
}

std::vector<std::uint8_t> SimulatedOstrich::Bank(int bank) const {
    const std::lock_guard lock(mutex_);
    return memory_[static_cast<std::size_t>(bank)];
}

void SimulatedOstrich::Load(int bank, const std::vector<std::uint8_t>& bytes) {
    const std::lock_guard lock(mutex_);
    memory_[static_cast<std::size_t>(bank)] = bytes;
}

void SimulatedOstrich::Serve() {
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
        if (ready <= 0 || (wait.revents & POLLIN) == 0) {
            // No program has the port open (or it just closed it).
            if (ready > 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        lock.lock();
        if (master_ != master) continue;
        std::uint8_t bytes[1024];
        const ssize_t got = ::read(master, bytes, sizeof bytes);
        if (got <= 0) continue;
        buffer_.insert(buffer_.end(), bytes, bytes + got);
        while (master_ >= 0) {
            const std::size_t length = CommandLength();
            if (length == 0) break;
            Answer(length);
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(length));
        }
    }
}

std::size_t SimulatedOstrich::CommandLength() const {
    if (buffer_.empty()) return 0;
    std::size_t length = 1;
    switch (buffer_[0]) {
        case 'V':
            length = 2;
            break;
        case 'N':
            length = 3;
            break;
        case 'B':
            length = 4;
            break;
        case 'R':
            length = 5;
            break;
        case 'W':
            if (buffer_.size() < 2) return 0;
            length = 5 + (buffer_[1] == 0 ? 256u : buffer_[1]);
            break;
        default:
            break;
    }
    return buffer_.size() >= length ? length : 0;
}

void SimulatedOstrich::Reply(const std::vector<std::uint8_t>& bytes) {
    if (fault_ == Fault::Silent) return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (written <= 0) return;
        done += static_cast<std::size_t>(written);
    }
}

void SimulatedOstrich::Answer(std::size_t length) {
    const std::uint8_t* c = buffer_.data();
    const bool summed = length > 2 || c[0] == 'N';
    if (c[0] == 'V') return Reply({20, 7, 'O'});
    if (fault_ == Fault::Refuse || (summed && Sum(c, length - 1) != c[length - 1])) return Reply({'?'});
    auto& rw = memory_[static_cast<std::size_t>(readWrite_)];
    switch (c[0]) {
        case 'N': {
            std::vector<std::uint8_t> answer{0x4D, 1, 2, 3, 4, 5, 6, 7, 8};
            answer.push_back(Sum(answer.data(), answer.size()));
            return Reply(answer);
        }
        case 'B':
            if (c[2] == 'R') return Reply({static_cast<std::uint8_t>(c[1] == 'R' ? readWrite_ : emulated_.load())});
            if (c[2] > 7) return Reply({'?'});
            if (c[1] == 'R') {
                readWrite_ = c[2];
            } else {
                emulated_ = c[2];
            }
            return Reply({'O'});
        case 'W': {
            const std::size_t count = c[1] == 0 ? 256 : c[1];
            const std::size_t address = static_cast<std::size_t>(c[2]) << 8 | c[3];
            for (std::size_t i = 0; i < count; ++i) rw[(address + i) & 0xFFFF] = c[4 + i];
            ++writes_;
            Reply({'O'});
            if (fault_ == Fault::Unplugged && writes_ == after_) {
                ::close(master_);
                master_ = -1;
            }
            return;
        }
        case 'R': {
            const std::size_t count = c[1] == 0 ? 256 : c[1];
            const std::size_t address = static_cast<std::size_t>(c[2]) << 8 | c[3];
            std::vector<std::uint8_t> answer;
            for (std::size_t i = 0; i < count; ++i) {
                std::uint8_t byte = rw[(address + i) & 0xFFFF];
                if (fault_ == Fault::FlippedBit && readWrite_ == 0 && address + i == 100) byte ^= 1;
                answer.push_back(byte);
            }
            answer.push_back(
                static_cast<std::uint8_t>(Sum(answer.data(), count) + (fault_ == Fault::WrongChecksum ? 1 : 0)));
            return Reply(answer);
        }
        default:
            return Reply({'?'});
    }
}

}  // namespace tarvik::testing
