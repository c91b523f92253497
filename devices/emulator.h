// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An EPROM emulator as the table tool and the editor need one: who it is,
// its banks of RAM and which one the engine runs, writing and, where the
// device can, reading back. One unit per device, each in one list
// (device_list.h) that the commands, their help and the editor come from.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "devices/serial_link.h"

namespace tarvik::devices {

class Emulator {
public:
    virtual ~Emulator() = default;
    // What a device does once its port is open, before the first request
    // (wait out a reset, forget a greeting).
    [[nodiscard]] virtual Fault Start() = 0;
    // Who answers at the port, in words: "Ostrich 2.0, firmware revision
    // 7, serial number ...".
    [[nodiscard]] virtual Fault Identify(QString& identity) = 0;
    // The bank the engine runs now.
    [[nodiscard]] virtual Fault EmulatedBank(int& bank) = 0;
    // Makes the engine run `bank`.
    [[nodiscard]] virtual Fault Emulate(int bank) = 0;
    // Writing: begun for one bank, then bytes at addresses of it (at most
    // the device's block at a time), then ended.
    [[nodiscard]] virtual Fault BeginWrite(int bank) = 0;
    [[nodiscard]] virtual Fault Write(std::uint32_t address, std::span<const std::uint8_t> bytes) = 0;
    [[nodiscard]] virtual Fault EndWrite() = 0;
    // Reading back, where the device can: begun for one bank, then bytes.
    [[nodiscard]] virtual Fault BeginRead(int bank) = 0;
    [[nodiscard]] virtual Fault Read(std::uint32_t address, std::size_t count, std::vector<std::uint8_t>& bytes) = 0;
    // Before a command says it is done: nothing left on the line that no
    // request asked for.
    [[nodiscard]] virtual Fault Finish() = 0;
};

// What a command may need of a device that not every device can do.
enum class Need {
    ReadBack,           // verify, download, upload's read-back
    WriteWhileRunning,  // watch, the editor's live link: a change reaches a running engine
};

// A kind of emulator: its name for --device, its geometry and what it can
// do, and how its protocol is made on a line.
struct DeviceKind {
    std::string_view name;  // "ostrich2"
    QString title;          // "Ostrich 2.0"
    int baud;               // its usual speed; --baud overrides it
    int banks;              // banks of RAM; the engine runs one of them
    std::size_t bankBytes;
    // The image stands at every multiple of kImageSize below this in a bank:
    // the whole bank when the socket's upper address lines may be tied either
    // way, one image when the device maps only that.
    std::size_t imageSpan;
    std::size_t blockBytes;   // the most one write carries
    bool readsBack;           // its memory can be read back
    bool writesWhileRunning;  // false: every write holds the control unit in reset
    std::function<std::unique_ptr<Emulator>(Wire& wire)> make;

    // Why this device cannot do what is needed ("this emulator cannot read
    // its memory back"); empty when it can.
    [[nodiscard]] QString Cannot(Need need) const;
    [[nodiscard]] std::size_t Slots() const;
};

}  // namespace tarvik::devices
