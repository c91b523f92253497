// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Between the image file and the car: the EPROMs an image is burned into,
// the image repeated to fill a larger chip, and what a programmer's
// read-back of such a chip says about the burn.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_bytes.h"
#include "tables/formats/diff.h"

namespace tarvik::tables {

struct ChipType {
    std::string_view name;
    std::size_t bytes;
};

// The 24-pin 2732 the control unit takes, and the 28-pin chips burned for
// it in an adapter when a programmer cannot give a 2732's programming
// voltage.
inline constexpr std::array<ChipType, 13> kChipTypes{{
    {"2732", 4096},
    {"2732A", 4096},
    {"27C32", 4096},
    {"2764", 8192},
    {"27C64", 8192},
    {"28C64", 8192},
    {"27128", 16384},
    {"27C128", 16384},
    {"27256", 32768},
    {"27C256", 32768},
    {"28C256", 32768},
    {"27512", 65536},
    {"27C512", 65536},
}};

// The chip of that name, whatever its letters' case; nullptr when unknown.
[[nodiscard]] const ChipType* FindChip(std::string_view name);

// "2732, 2732A, ... and 27C512"
[[nodiscard]] std::string ChipNames();

// The sizes a read-back can have: every chip's.
[[nodiscard]] bool IsDumpSize(std::size_t bytes);
// "4, 8, 16, 32 or 64 KB"
[[nodiscard]] std::string DumpSizes();

// What a read-back holds when it holds nothing, to follow its name in a
// message: every byte 0xFF ("only 0xFF bytes, as an erased chip or an empty
// socket reads") or every byte 0x00. Empty when it holds anything else.
[[nodiscard]] std::string BlankText(std::span<const std::uint8_t> bytes);

// A chip's contents: the image in every 4 KB copy, so that the control unit
// reads it whatever the adapter does with the upper address lines.
[[nodiscard]] std::vector<std::uint8_t> ChipContents(const ImageBytes& image, std::size_t bytes);

// How many 4 KB copies a dump holds, and one of them.
[[nodiscard]] std::size_t CopyCount(std::span<const std::uint8_t> dump);
[[nodiscard]] ImageBytes CopyOf(std::span<const std::uint8_t> dump, std::size_t copy);
// "copy 2 (0x2000-0x2FFF)"
[[nodiscard]] std::string CopyName(std::size_t copy);

// One copy of a read-back against the image.
struct CopyCheck {
    std::size_t copy = 0;
    std::size_t differing = 0;      // bytes
    bool erased = false;            // every byte 0xFF: never programmed
    ImageDiff diff;                 // image -> chip
    std::size_t notProgrammed = 0;  // bytes with a 1 on the chip where the image has 0
    std::size_t notErased = 0;      // bytes with a 0 on the chip where the image has 1
    // When most bytes differ: where the image stands in the dump instead
    // (at 256-byte steps, wrapping round its end).
    std::vector<std::size_t> imageFoundAt;
};

[[nodiscard]] std::vector<CopyCheck> CheckCopies(const ImageBytes& image, std::span<const std::uint8_t> dump);

// The report of verify: nothing when every copy is the image; otherwise a
// paragraph per copy. `reference` names what the copies were checked
// against: "the image", "copy 0".
// `burned`: the copies come from a chip, whose bits a burn can only clear;
// false for an emulator's RAM, where that says nothing.
[[nodiscard]] std::string FormatCopyChecks(const std::vector<CopyCheck>& checks, std::string_view reference,
                                           bool burned = true);

// The fingerprints programmer software and scripts compare files by.
struct Fingerprint {
    std::uint16_t sum = 0;    // every byte added, modulo 65536
    std::uint32_t crc32 = 0;  // as zlib's crc32 computes it
    std::string sha256;       // lower-case hex
};

[[nodiscard]] Fingerprint FingerprintOf(std::span<const std::uint8_t> bytes);
// "0x1A2B", "0x89ABCDEF"
[[nodiscard]] std::string SumText(std::uint16_t sum);
[[nodiscard]] std::string CrcText(std::uint32_t crc);

}  // namespace tarvik::tables
