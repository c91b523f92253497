// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tarvik {

// The whole EPROM, index == offset in the image file. Where the tables lie
// in it: image/layout.h.
inline constexpr std::size_t kImageSize = 4096;
using ImageBytes = std::array<std::uint8_t, kImageSize>;

}  // namespace tarvik
