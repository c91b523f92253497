// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <string_view>

namespace tarvik {

// A text of the calibration's layout or codec (a table's title, a decoded
// cell, a table named in a message), UTF-8, as the window and the table
// tool's files show it.
[[nodiscard]] inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tarvik
