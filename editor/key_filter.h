// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace tarvik {

// The character code a field lets through for one key press, 0 to discard
// it: digits, the space and control codes pass; the decimal point passes
// only where decimalPoint is set; everything else is refused.
[[nodiscard]] constexpr std::uint16_t FilterKeyAscii(std::uint16_t code, bool decimalPoint) {
    if (decimalPoint && code == '.') return code;
    if ((code >= 33 && code <= 47) || code >= 58) return 0;
    return code;
}

}  // namespace tarvik
