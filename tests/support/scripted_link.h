// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A serial line that plays a device model through a script of the faults a
// real USB link shows: a stray byte, an extra byte after every answer, the
// request echoed, a slow line, bytes without end, an answer cut off by a
// pulled cable. In-process and fast, for the protocol and the commands.

#include <QString>
#include <atomic>
#include <chrono>
#include <deque>
#include <mutex>

#include "devices/serial_link.h"
#include "tests/support/emulator_models.h"

namespace tarvik::testing {

struct LinkScript {
    int strayAfter = 0;                      // one stray 'O' right after the Nth answer (from 1)
    QByteArray afterEvery;                   // bytes that follow every answer
    bool echo = false;                       // each request comes back before its answer
    std::chrono::milliseconds byteEvery{0};  // answers come a byte at a time
    int endlessAfter = 0;                    // after the Nth answer, bytes without end
    int cutIn = 0;                           // the Nth answer is cut in half, and the port closes
};

class ScriptedPorts final : public devices::SerialPorts {
public:
    explicit ScriptedPorts(DeviceModel& model, LinkScript script = {}) : model_(model), script_(script) {}
    [[nodiscard]] std::unique_ptr<devices::SerialLink> Open(const QString& port, int baud, QString& error) override;

    // The cable: out, every line closes and no port opens; in again.
    std::atomic<bool> unplugged{false};
    std::atomic<int> opened{0};

    // The model, looked at or changed while no request is being answered.
    template <class Model>
    void With(const std::function<void(Model&)>& use) {
        const std::lock_guard lock(mutex_);
        use(static_cast<Model&>(model_));
    }

private:
    friend class ScriptedLink;
    DeviceModel& model_;
    LinkScript script_;
    std::mutex mutex_;
};

class ScriptedLink final : public devices::SerialLink {
public:
    ScriptedLink(ScriptedPorts& ports, const LinkScript& script);
    [[nodiscard]] QString Transfer(QByteArrayView out, QByteArray& in, std::chrono::milliseconds wait) override;

private:
    using Clock = std::chrono::steady_clock;
    struct Due {
        char byte;
        Clock::time_point at;
    };
    void Queue(const QByteArray& bytes);

    ScriptedPorts& ports_;
    LinkScript script_;
    std::deque<Due> queue_;
    int answers_ = 0;
    bool endless_ = false;
    bool cut_ = false;
};

}  // namespace tarvik::testing
