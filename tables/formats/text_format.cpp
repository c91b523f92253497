// SPDX-License-Identifier: GPL-3.0-or-later
// text: the tables and diffs for people and for git, which shows a changed
// cell as one changed line. Not read back: apply reads the formats made
// for programs.

#include <algorithm>
#include <optional>

#include "tables/formats/format.h"

namespace tarvik::tables {

namespace {

// Widths of the text dump. They are fixed by the layout, never by the
// values, so that changing one cell changes one line.
constexpr std::size_t kFuelValueWidth = 4;  // up to 1023
constexpr std::size_t kByteValueWidth = 3;  // up to 255
constexpr std::size_t kIndent = 2;

[[nodiscard]] std::string RightAligned(std::string_view text, std::size_t width) {
    std::string padded(width > text.size() ? width - text.size() : 0, ' ');
    padded += text;
    return padded;
}

[[nodiscard]] std::size_t WidestCaption(Family family) {
    std::size_t width = 0;
    for (int i = 0; i < FieldCount(family); ++i) width = std::max(width, CaptionOf(family, i).size());
    return width;
}

void AppendFuelMapText(const FieldTexts& texts, std::string& out) {
    const std::string indent(kIndent, ' ');
    const std::size_t captionWidth = WidestCaption(Family::Data);
    out += Layout(Family::Data).title;
    out += '\n';
    // Column numbers above the values, as the files and messages count them.
    out += indent + std::string(captionWidth + 1, ' ');
    for (int column = 0; column < kFuelSide; ++column)
        out += ' ' + RightAligned(std::to_string(column), kFuelValueWidth);
    out += '\n';
    for (int row = 0; row < kFuelSide; ++row) {
        out += indent + RightAligned(CaptionOf(Family::Data, CellAt(row, 0)), captionWidth) + ' ';
        for (int column = 0; column < kFuelSide; ++column) {
            out += ' ' + RightAligned(texts.At(Family::Data, CellAt(row, column)), kFuelValueWidth);
        }
        out += '\n';
    }
}

void AppendColumnText(Family family, const FieldTexts& texts, std::string& out) {
    const std::size_t captionWidth = WidestCaption(family);
    out += '\n';
    out += Layout(family).title;
    out += '\n';
    for (int i = 0; i < FieldCount(family); ++i) {
        out += std::string(kIndent, ' ') + RightAligned(CaptionOf(family, i), captionWidth) + "  " +
               RightAligned(texts.At(family, i), kByteValueWidth) + '\n';
    }
}

// The fuel map one row a line, then the other tables one cell a line, then
// the rev limit and the control constant; fixed widths, so that a changed
// cell changes one line.
[[nodiscard]] std::string DumpText(const FieldTexts& texts) {
    std::string out;
    AppendFuelMapText(texts, out);
    std::size_t titleWidth = 0;
    for (const Family family : kShownOrder) {
        if (family == Family::Data) continue;
        if (FieldCount(family) > 1) {
            AppendColumnText(family, texts, out);
        } else {
            titleWidth = std::max(titleWidth, Layout(family).title.size());
        }
    }
    out += '\n';
    for (const Family family : kShownOrder) {
        if (FieldCount(family) != 1) continue;
        const std::string_view title = Layout(family).title;
        out += std::string(title) + std::string(titleWidth - title.size() + 2, ' ') + texts.At(family, 0) + '\n';
    }
    return out;
}

[[nodiscard]] std::string OutsideText(const ImageDiff& diff) {
    std::string text = "Outside the tables: " + std::to_string(diff.outsideBytes) +
                       (diff.outsideBytes == 1 ? " byte differs, at " : " bytes differ, at ");
    for (std::size_t i = 0; i < diff.outsideRanges.size(); ++i) {
        if (i > 0) text += ", ";
        text += RangeText(diff.outsideRanges[i]);
    }
    return text + '\n';
}

// Per table its title and one line per changed cell, "old -> new
// (difference)", then one line for the bytes outside the tables; nothing
// when the images are the same.
[[nodiscard]] std::string DiffText(const ImageDiff& diff) {
    std::string out;
    std::optional<Family> heading;
    for (const CellChange& change : diff.cells) {
        if (heading != change.family) {
            heading = change.family;
            out += Layout(change.family).title;
            out += '\n';
        }
        out += "  ";
        if (FieldCount(change.family) > 1) {
            const CellPosition at = PositionOf(change.family, change.index);
            out += "row " + std::to_string(at.row) + " (" + CaptionOf(change.family, change.index) + ")";
            if (change.family == Family::Data) out += " column " + std::to_string(at.column);
            out += ": ";
        }
        out += change.before + " -> " + change.after + " (" + DifferenceText(change) + ")\n";
    }
    if (diff.outsideBytes > 0) out += OutsideText(diff);
    return out;
}

}  // namespace

// The list of formats (format_list.cpp) finds the unit by this name.
extern const TableFormat kTextFormat;
const TableFormat kTextFormat{"text", "text", DumpText, DiffText, nullptr};

}  // namespace tarvik::tables
