// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How a person reads a cell's place: the caption beside it and its name in
// messages and logs, for the table tool and the editor alike.

#include <string>

#include "image/layout.h"

namespace tarvik {

// The caption the editor shows beside a cell: "6096 rpm" for a fuel-map row,
// "> 99" or "6899" in the other tables; empty for the rev limit and the
// control constant, which stand alone.
[[nodiscard]] std::string CellCaption(Family family, int index);

// "fuel_map row 0 (6096 rpm) column 3", "warmup_enrichment row 15 (< -40)",
// "rev_limit": the table's key, then the cell's row (and column) counted
// from 0 as the editor shows them, with its caption.
[[nodiscard]] std::string CellName(Family family, int index);

}  // namespace tarvik
