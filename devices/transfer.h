// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Images in and out of an emulator's banks, for any device of the list:
// ranges of the image written into every slot it occupies, read back, and
// an upload that never lets the engine run a half-written image unless the
// user chose the bank it runs; with what each leaves the banks holding, said
// as it is.

#include <QString>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "devices/emulator.h"
#include "image/image_bytes.h"

namespace tarvik::devices {

// Told how far a transfer has come: done of total writes or reads.
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// Bytes of the image, first to first + count - 1.
struct ByteRange {
    std::size_t first = 0;
    std::size_t count = 0;
};

// The whole image in the device's blocks.
[[nodiscard]] std::vector<ByteRange> WholeImage(const DeviceKind& kind);
// The device's blocks of the image that differ between two images.
[[nodiscard]] std::vector<ByteRange> ChangedBlocks(const DeviceKind& kind, const ImageBytes& before,
                                                   const ImageBytes& after);

struct Transferred {
    Fault fault;
    std::size_t done = 0;   // writes or reads that went through
    std::size_t total = 0;  // that were to go
};

// The ranges of the image into every slot of `bank`, at most a block a
// write.
[[nodiscard]] Transferred WriteRanges(Emulator& emulator, const DeviceKind& kind, int bank, const ImageBytes& image,
                                      const std::vector<ByteRange>& ranges, const Progress& progress);
// The ranges of every slot of `bank`, into a copy of the bank's bytes.
[[nodiscard]] Transferred ReadRanges(Emulator& emulator, const DeviceKind& kind, int bank,
                                     const std::vector<ByteRange>& ranges, std::vector<std::uint8_t>& bytes,
                                     const Progress& progress);
// Whether every slot of the bank's bytes holds the image.
[[nodiscard]] bool HoldsImage(const DeviceKind& kind, const std::vector<std::uint8_t>& bytes, const ImageBytes& image);

struct UploadOptions {
    std::optional<int> bank;  // none: a bank the engine does not run
    bool verify = true;       // read back before the engine is given the bank
};

struct UploadOutcome {
    enum class End {
        Emulated,  // written (and read back the same), and the engine runs it
        Differs,   // written, but the read-back differs
        Failed,    // a fault, or the user's stop, before the end
    };
    End end = End::Failed;
    Fault fault;                      // why it failed
    int bank = -1;                    // the bank written into; -1 before one was chosen
    int before = -1;                  // the bank the engine ran at the start; -1 unknown
    int now = -1;                     // the bank the engine runs at the end; -1 unknown
    std::size_t written = 0;          // writes done
    std::size_t total = 0;            // writes of the whole image
    bool wroteWhole = false;          // every write done
    bool readBack = false;            // read back the same
    std::vector<std::uint8_t> bytes;  // the read-back, when it differs
};

// Writes the image into a bank, reads it back where the device can and
// then has the engine run it: without a bank named, one the engine does not
// run, so that it never runs a half-written image; a bank named is written
// even when the engine runs it (the user's choice).
[[nodiscard]] UploadOutcome Upload(Emulator& emulator, const DeviceKind& kind, const ImageBytes& image,
                                   const UploadOptions& options, const Progress& writing, const Progress& reading);

// What the banks hold and what the engine runs after an upload, in a
// sentence: "Bank 1: 91 of 256 blocks written, not emulated; the engine
// runs bank 0, as before."
[[nodiscard]] QString BankState(const DeviceKind& kind, const UploadOutcome& outcome);
// What a command that failed before its first write has left.
[[nodiscard]] inline QString NothingWritten() { return QStringLiteral("Nothing was written."); }

// How long a link with nothing to write leaves its line unheard. A cable
// pulled while the engine runs, or bytes nobody asked for, are then said
// within this time, not at the next change, which may be long after.
inline constexpr std::chrono::milliseconds kListenWhenIdle{1000};

// Whether the line still stands while nothing is asked of the device: the
// port open and no byte come unasked.
[[nodiscard]] inline Fault Listen(Emulator& emulator) { return emulator.Finish(); }

}  // namespace tarvik::devices
