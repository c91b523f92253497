// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An Ostrich 2.0 EPROM emulator on a pseudo-terminal, speaking the commands
// of the maker's published table (VV, NS, W, R, BR, BE, BRR, BER) over eight
// banks of 64 KB, with the faults a real one shows: a wrong checksum, a
// refusal, silence, a cable pulled during an upload, a bit that reads back
// wrong. The port has a fixed path (a link to the pseudo-terminal) that
// survives unplugging and plugging in again.

#include <QString>
#include <QTemporaryDir>
#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace tarvik::testing {

class SimulatedOstrich {
public:
    enum class Fault {
        None,
        WrongChecksum,  // every read answers with a checksum off by one
        Refuse,         // '?' to every command but VV
        Silent,         // never answers
        Unplugged,      // the port goes away after `after` writes
        FlippedBit,     // bit 0 of the 100th byte of bank 0 reads back inverted
    };

    explicit SimulatedOstrich(Fault fault = Fault::None, int after = 0);
    ~SimulatedOstrich();
    SimulatedOstrich(const SimulatedOstrich&) = delete;
    SimulatedOstrich& operator=(const SimulatedOstrich&) = delete;

    [[nodiscard]] QString Port() const { return link_; }
    void Unplug();
    void PlugIn();  // healthy from now on

    [[nodiscard]] std::vector<std::uint8_t> Bank(int bank) const;
    void Load(int bank, const std::vector<std::uint8_t>& bytes);
    [[nodiscard]] int Writes() const { return writes_; }
    [[nodiscard]] int EmulatedBank() const { return emulated_; }

private:
    void Open();
    void Serve();
    // The length of the command at the front of the buffer, 0 while it is
    // incomplete.
    [[nodiscard]] std::size_t CommandLength() const;
    void Answer(std::size_t length);
    void Reply(const std::vector<std::uint8_t>& bytes);

    QTemporaryDir folder_;
    QString link_;
    Fault fault_;
    int after_;
    std::atomic<int> master_{-1};
    std::atomic<bool> stop_{false};
    std::atomic<int> writes_{0};
    std::atomic<int> emulated_{0};
    int readWrite_ = 0;
    std::vector<std::uint8_t> buffer_;
    mutable std::mutex mutex_;  // guards memory_ and master_ swaps
    std::array<std::vector<std::uint8_t>, 8> memory_;
    std::thread thread_;
};

}  // namespace tarvik::testing
