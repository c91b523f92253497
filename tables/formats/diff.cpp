// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/diff.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <optional>

#include "image/codec.h"
#include "platform/to_qstring.h"
#include "tables/formats/csv.h"
#include "tables/formats/dump.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] std::string DifferenceText(const CellChange& change) {
    const double difference = ParseLeadingNumber(change.after) - ParseLeadingNumber(change.before);
    return (difference > 0 ? "+" : "") + NumberText(difference);
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

[[nodiscard]] std::string DiffJson(const ImageDiff& diff) {
    QJsonObject root;
    root.insert(QStringLiteral("format_version"), kJsonFormatVersion);
    for (const TableLayout& table : kStoreOrder) {
        QJsonArray changes;
        for (const CellChange& change : diff.cells) {
            if (change.family != table.family) continue;
            const CellPosition at = PositionOf(change.family, change.index);
            changes.append(QJsonObject{
                {QStringLiteral("row"), at.row},
                {QStringLiteral("column"), at.column},
                {QStringLiteral("caption"), ToQString(CaptionOf(change.family, change.index))},
                {QStringLiteral("old"), ParseLeadingNumber(change.before)},
                {QStringLiteral("new"), ParseLeadingNumber(change.after)},
                {QStringLiteral("difference"), ParseLeadingNumber(change.after) - ParseLeadingNumber(change.before)},
            });
        }
        root.insert(ToQString(table.key), changes);
    }
    QJsonArray ranges;
    for (const ByteRange& range : diff.outsideRanges) {
        ranges.append(QJsonObject{{QStringLiteral("first"), static_cast<qint64>(range.first)},
                                  {QStringLiteral("last"), static_cast<qint64>(range.last)}});
    }
    root.insert(QStringLiteral("outside_tables"),
                QJsonObject{{QStringLiteral("bytes"), static_cast<qint64>(diff.outsideBytes)},
                            {QStringLiteral("ranges"), ranges}});
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

[[nodiscard]] std::string DiffCsv(const ImageDiff& diff) {
    std::string out = "table,row,column,caption,old,new,difference\r\n";
    for (const CellChange& change : diff.cells) {
        const CellPosition at = PositionOf(change.family, change.index);
        out += CsvLine({std::string(Layout(change.family).key), std::to_string(at.row), std::to_string(at.column),
                        CaptionOf(change.family, change.index), change.before, change.after, DifferenceText(change)});
    }
    for (const ByteRange& range : diff.outsideRanges)
        out += CsvLine({"outside_tables", "", "", RangeText(range), "", "", ""});
    return out;
}

}  // namespace

std::string OffsetText(std::size_t offset) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04zX", offset);
    return buffer;
}

std::string RangeText(const ByteRange& range) {
    if (range.first == range.last) return OffsetText(range.first);
    return OffsetText(range.first) + '-' + OffsetText(range.last);
}

ImageDiff DiffImages(const ImageBytes& before, const ImageBytes& after) {
    ImageDiff diff;
    const FieldTexts old = DecodeTables(before);
    const FieldTexts now = DecodeTables(after);
    for (const Family family : kShownOrder) {
        for (const int index : ShownCells(family)) {
            const std::string& a = old.At(family, index);
            const std::string& b = now.At(family, index);
            if (a != b) diff.cells.push_back({family, index, a, b});
        }
    }
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        if (IsTableByte(offset) || before[offset] == after[offset]) continue;
        ++diff.outsideBytes;
        if (!diff.outsideRanges.empty() && diff.outsideRanges.back().last + 1 == offset) {
            diff.outsideRanges.back().last = offset;
        } else {
            diff.outsideRanges.push_back({offset, offset});
        }
    }
    return diff;
}

std::string FormatDiff(const ImageDiff& diff, Format format) {
    switch (format) {
        case Format::Text:
            return DiffText(diff);
        case Format::Json:
            return DiffJson(diff);
        case Format::Csv:
            return DiffCsv(diff);
    }
    return {};
}

}  // namespace tarvik::tables
