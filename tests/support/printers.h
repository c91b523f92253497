// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Readable failures for the image's types, shared by every test: a table's
// family by its name, and two images compared byte for byte, naming the
// offsets where they part instead of printing 4096 numbers.

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <ostream>

#include "image/image_bytes.h"
#include "image/layout.h"

namespace tarvik::testing {

[[nodiscard]] inline const char* FamilyName(Family family) {
    // In the order Family declares them.
    constexpr const char* kNames[] = {"Data", "RL", "WE", "FLE", "AE", "IS", "CC"};
    static_assert(std::size(kNames) == kStoreOrder.size(), "a family without a name");
    const auto i = static_cast<std::size_t>(family);
    return i < std::size(kNames) ? kNames[i] : "Family(?)";
}

// EXPECT_TRUE(SameImage(actual, expected)): on a difference, how many bytes
// differ and the first few of them with both values.
[[nodiscard]] inline ::testing::AssertionResult SameImage(const ImageBytes& actual, const ImageBytes& expected) {
    if (actual == expected) return ::testing::AssertionSuccess();
    constexpr std::size_t kShown = 8;
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    std::size_t differing = 0;
    for (std::size_t offset = 0; offset < actual.size(); ++offset) {
        if (actual[offset] == expected[offset]) continue;
        if (differing < kShown) {
            failure << (differing == 0 ? "" : ", ") << "offset " << offset << " holds " << int{actual[offset]}
                    << " instead of " << int{expected[offset]};
        }
        ++differing;
    }
    return failure << (differing > kShown ? ", ..." : "") << " (" << differing << " bytes differ)";
}

}  // namespace tarvik::testing

namespace tarvik {

// Found by GoogleTest through argument-dependent lookup, so it lives beside
// Family.
inline void PrintTo(Family family, std::ostream* os) { *os << testing::FamilyName(family); }

}  // namespace tarvik
