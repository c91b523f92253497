// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An emulator on a pseudo-terminal: a device model behind a real serial
// port, for the real port code. The port has a fixed path (a link to the
// pseudo-terminal) that survives unplugging and plugging in again; opening
// it is seen, and the device greets as its model says it does after a
// reset.

#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/support/emulator_models.h"

namespace tarvik::testing {

class SimulatedEmulator {
public:
    explicit SimulatedEmulator(std::unique_ptr<DeviceModel> model);
    ~SimulatedEmulator();
    SimulatedEmulator(const SimulatedEmulator&) = delete;
    SimulatedEmulator& operator=(const SimulatedEmulator&) = delete;

    [[nodiscard]] QString Port() const { return link_; }
    // The pseudo-terminal's own path (/dev/pts/N): a second way to the port.
    [[nodiscard]] QString DevicePath() const;
    void Unplug();
    void PlugIn();
    // The cable goes after the device has answered this many requests.
    void UnplugAfter(int answers) { unplugAfter_ = answers; }
    void SetSilent(bool silent) { silent_ = silent; }
    // How often a program has opened the port.
    [[nodiscard]] int Opens() const { return opens_; }

    // The model, looked at or changed while the device is not answering.
    template <class Model>
    void With(const std::function<void(Model&)>& use) {
        const std::lock_guard lock(mutex_);
        use(static_cast<Model&>(*model_));
    }

private:
    void Open();
    void Serve();
    void Send(const QByteArray& bytes);

    QTemporaryDir folder_;
    QString link_;
    std::unique_ptr<DeviceModel> model_;
    std::atomic<int> master_{-1};
    std::atomic<bool> stop_{false};
    std::atomic<bool> silent_{false};
    std::atomic<int> unplugAfter_{0};
    int answers_ = 0;
    std::atomic<int> opens_{0};
    bool opened_ = false;
    mutable std::mutex mutex_;  // guards the model and master_ swaps
    std::thread thread_;
};

}  // namespace tarvik::testing
