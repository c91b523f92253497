// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Moates Ostrich 2.0 EPROM emulator, by the commands of its maker's
// published table: eight banks of 64 KB of RAM, one read and written by the
// host, one emulated in the EPROM socket. Every call returns the reason it
// failed, empty when it did not.

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "image/image_bytes.h"
#include "tables/devices/serial_link.h"

namespace tarvik::tables {

inline constexpr int kOstrichBaud = 921600;
inline constexpr int kOstrichBanks = 8;
inline constexpr std::size_t kBankBytes = 65536;
inline constexpr std::size_t kBlockBytes = 256;  // the most one write or read carries
// No answer within this is a lost emulator; answers normally come in 10 to
// 20 ms.
inline constexpr int kAnswerMilliseconds = 500;

class Ostrich {
public:
    explicit Ostrich(SerialLink& link) : link_(link) {}

    // 'V' 'V': the model (10: Ostrich 1, 20: Ostrich 2.0) and the firmware
    // revision.
    [[nodiscard]] QString Version(int& model, int& revision);
    // 'N' 'S': the vendor byte and the eight serial-number bytes, in hex.
    [[nodiscard]] QString SerialNumber(QString& serial);
    // 'B' 'R' n: the bank the host reads and writes; 'B' 'E' n: the bank in
    // the socket, until power off.
    [[nodiscard]] QString SelectReadWriteBank(int bank);
    [[nodiscard]] QString SelectEmulatedBank(int bank);
    // 'W': 1 to 256 bytes at an address of the read/write bank. Does not
    // disturb the running engine.
    [[nodiscard]] QString Write(std::uint16_t address, std::span<const std::uint8_t> bytes);
    // 'R': 1 to 256 bytes. Usually disturbs the running engine.
    [[nodiscard]] QString Read(std::uint16_t address, std::size_t count, std::vector<std::uint8_t>& bytes);

private:
    [[nodiscard]] QString Request(QByteArray request, qsizetype answer, QByteArray& data);
    [[nodiscard]] QString Acknowledged(const QByteArray& request);

    SerialLink& link_;
};

// Told how far a long transfer has come (done of total blocks); false
// stops it.
using TransferProgress = std::function<bool(std::size_t done, std::size_t total)>;

// The 256-byte blocks of the image (0 to 15) that differ between two images.
[[nodiscard]] std::vector<std::size_t> ChangedBlocks(const ImageBytes& before, const ImageBytes& after);

// Writes the given blocks of the image into every 4 KB slot of the
// read/write bank: the 24-pin socket's upper address lines may be tied
// either way, and a repeated image is read whatever they do.
[[nodiscard]] QString WriteBlocks(Ostrich& ostrich, const ImageBytes& image, const std::vector<std::size_t>& blocks,
                                  const TransferProgress& progress);
// Every block of the image into every slot.
[[nodiscard]] QString WriteImage(Ostrich& ostrich, const ImageBytes& image, const TransferProgress& progress);
// The given blocks of every slot, in place in a bank-sized copy.
[[nodiscard]] QString ReadBlocks(Ostrich& ostrich, const std::vector<std::size_t>& blocks,
                                 std::vector<std::uint8_t>& bank, const TransferProgress& progress);
// The whole read/write bank.
[[nodiscard]] QString ReadBank(Ostrich& ostrich, std::vector<std::uint8_t>& bank, const TransferProgress& progress);

}  // namespace tarvik::tables
