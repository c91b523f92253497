// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/demo/demo_image.h"

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "image/codec.h"
#include "image/fields.h"

namespace tarvik {

namespace {

// Fuel-map cell for engine-speed index r and load index l (0 the lowest
// breakpoint of each axis): about 150 at idle and low load, 945 at the top
// corner. Integer arithmetic only, so the map never depends on the
// platform's floating point.
[[nodiscard]] unsigned FuelValue(int r, int l) { return static_cast<unsigned>(150 + 30 * l + 8 * r + l * r); }

// Enrichment while the engine warms up: most when cold, none when hot.
constexpr std::array<int, 17> kWarmUp{180, 165, 150, 136, 122, 109, 96, 84, 72, 61, 50, 40, 31, 23, 16, 10, 5};
// Extra fuel at full load.
constexpr std::array<int, 17> kFullLoad{100, 104, 108, 112, 116, 120, 124, 128, 132,
                                        136, 138, 140, 142, 144, 146, 148, 150};
constexpr std::array<int, 9> kAcceleration{40, 48, 56, 64, 72, 80, 88, 96, 104};
constexpr std::array<int, 9> kIdleSpeed{110, 108, 106, 104, 100, 96, 92, 90, 88};
constexpr int kRevLimit = 195;
constexpr const char* kControlConstant = "1.00";  // stored as byte 128

// Filler for the bytes outside the tables: a 32-bit linear congruential
// sequence with a fixed seed, top byte of each state.
void FillPattern(ImageBytes& image) {
    std::uint32_t state = 0x7A2B1C4Du;
    for (auto& byte : image) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
}

}  // namespace

ImageBytes MakeDemoImage() {
    ImageBytes image{};
    FillPattern(image);

    // The tables go in the way the editor puts them: as field texts, stored.
    FieldTexts texts;
    for (int k = 0; k < kFuelCells; ++k) {
        const int r = 15 - k / 16;
        const int l = 15 - k % 16;
        texts.At(Family::Data, k) = std::to_string(FuelValue(r, l));
    }
    texts.At(Family::RL, 0) = std::to_string(kRevLimit);
    for (int i = 0; i < 17; ++i) texts.At(Family::WE, i) = std::to_string(kWarmUp[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 17; ++i) texts.At(Family::FLE, i) = std::to_string(kFullLoad[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 9; ++i) texts.At(Family::AE, i) = std::to_string(kAcceleration[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 9; ++i) texts.At(Family::IS, i) = std::to_string(kIdleSpeed[static_cast<std::size_t>(i)]);
    texts.At(Family::CC, 0) = kControlConstant;

    const StoreResult result = StoreFieldsToImage(texts, image);
    if (!result.ok) {
        throw std::logic_error("demo image: illegal value in the " + std::string(result.failedTable->name) + " table");
    }
    return image;
}

}  // namespace tarvik
