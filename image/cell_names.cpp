// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/cell_names.h"

namespace tarvik {

std::string CellCaption(Family family, int index) {
    if (family == Family::Data) return std::to_string(RowRpm(GridRow(index))) + " rpm";
    const auto captions = Layout(family).captions;
    if (captions.empty()) return {};
    return std::string(captions[static_cast<std::size_t>(index)]);
}

std::string CellName(Family family, int index) {
    std::string text(Layout(family).key);
    if (FieldCount(family) == 1) return text;
    const int row = family == Family::Data ? GridRow(index) : index;
    text += " row " + std::to_string(row) + " (" + CellCaption(family, index) + ")";
    if (family == Family::Data) text += " column " + std::to_string(GridColumn(index));
    return text;
}

}  // namespace tarvik
