// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The emulators as their makers document them, as plain state machines:
// bytes from the host in, the answers out. The simulated port and the
// scripted line of the tests both put one behind a serial line.

#include <QByteArray>
#include <QByteArrayView>
#include <array>
#include <functional>
#include <vector>

namespace tarvik::testing {

class DeviceModel {
public:
    virtual ~DeviceModel() = default;
    // Bytes from the host; the answers to every request they complete.
    [[nodiscard]] virtual QByteArray Take(QByteArrayView bytes) = 0;
    // What the device sends when its port is opened (a reset's greeting).
    [[nodiscard]] virtual QByteArray Opened() { return {}; }
};

// The Ostrich 2.0: VV, NS, W, R, BR, BE, BRR, BER over eight banks of 64 KB,
// with checksums where the maker's table has them.
class OstrichModel final : public DeviceModel {
public:
    OstrichModel();
    [[nodiscard]] QByteArray Take(QByteArrayView bytes) override;

    std::array<QByteArray, 8> banks;  // erased (0xFF) at first
    int emulated = 0;
    int readWrite = 0;
    int writes = 0;  // W requests carried out

    // Faults.
    int refuseWrite = 0;         // the Nth W (from 1) is answered '?' and not done
    bool refuseEmulate = false;  // BE answered '?'
    bool refuseAll = false;      // '?' to everything but VV
    // Bit 0 of one byte reads back inverted, `flipTimes` times (-1: always).
    int flipBank = -1;
    int flipAddress = 100;
    int flipTimes = -1;
    bool wrongChecksum = false;               // every read's checksum off by one
    std::function<void(char request)> after;  // called after each request answered
    // Called for each W carried out: the bank and address written, and the bytes.
    std::function<void(int bank, int address, QByteArrayView bytes)> written;

private:
    [[nodiscard]] qsizetype Length() const;
    [[nodiscard]] QByteArray Answer(QByteArrayView request);
    QByteArray buffer_;
};

// The EPROM EMU NG, firmware 2.0rc12: text lines ending in CR LF, ":DIR"
// then START and COUNT lines and COUNT raw bytes, one 64 KB memory.
class EmuNgModel final : public DeviceModel {
public:
    EmuNgModel();
    [[nodiscard]] QByteArray Take(QByteArrayView bytes) override;
    [[nodiscard]] QByteArray Opened() override;

    QByteArray memory;    // 64 KB, erased at first
    bool running = true;  // the target released (":EMUON")
    QByteArray bus = "27512";
    int resets = 0;                    // port openings
    int writesWhileRunning = 0;        // data written while the target ran
    std::vector<QByteArray> requests;  // every line received

private:
    enum class Mode { Lines, Start, Count, Data };
    [[nodiscard]] QByteArray Line(const QByteArray& line);
    QByteArray buffer_;
    Mode mode_ = Mode::Lines;
    qsizetype start_ = 0;
    qsizetype count_ = 0;
};

}  // namespace tarvik::testing
