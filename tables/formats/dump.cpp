// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/dump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

#include "image/codec.h"
#include "platform/to_qstring.h"
#include "tables/formats/csv.h"

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

[[nodiscard]] QJsonValue JsonNumber(const std::string& fieldText) { return ParseLeadingNumber(fieldText); }

[[nodiscard]] std::string DumpJson(const FieldTexts& texts) {
    QJsonObject root;
    root.insert(QStringLiteral("format_version"), kJsonFormatVersion);
    for (const Family family : kShownOrder) {
        const TableLayout& table = Layout(family);
        QJsonObject object;
        if (family == Family::Data) {
            QJsonArray captions;
            QJsonArray rows;
            for (int row = 0; row < kFuelSide; ++row) {
                captions.append(ToQString(CaptionOf(family, CellAt(row, 0))));
                QJsonArray values;
                for (int column = 0; column < kFuelSide; ++column) {
                    values.append(JsonNumber(texts.At(family, CellAt(row, column))));
                }
                rows.append(values);
            }
            object.insert(QStringLiteral("captions"), captions);
            object.insert(QStringLiteral("values"), rows);
        } else if (table.count == 1) {
            object.insert(QStringLiteral("value"), JsonNumber(texts.At(family, 0)));
        } else {
            QJsonArray captions;
            QJsonArray values;
            for (int i = 0; i < table.count; ++i) {
                captions.append(ToQString(CaptionOf(family, i)));
                values.append(JsonNumber(texts.At(family, i)));
            }
            object.insert(QStringLiteral("captions"), captions);
            object.insert(QStringLiteral("values"), values);
        }
        root.insert(ToQString(table.key), object);
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented).toStdString();
}

[[nodiscard]] std::string DumpCsv(const FieldTexts& texts) {
    std::string out(kCsvHeader);
    out += "\r\n";
    for (const Family family : kShownOrder) {
        for (const int index : ShownCells(family)) {
            const CellPosition at = PositionOf(family, index);
            out += CsvLine({std::string(Layout(family).key), std::to_string(at.row), std::to_string(at.column),
                            CaptionOf(family, index), texts.At(family, index)});
        }
    }
    return out;
}

}  // namespace

FieldTexts DecodeTables(const ImageBytes& image) {
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    return texts;
}

std::string DumpTables(const ImageBytes& image, Format format) {
    const FieldTexts texts = DecodeTables(image);
    switch (format) {
        case Format::Text:
            return DumpText(texts);
        case Format::Json:
            return DumpJson(texts);
        case Format::Csv:
            return DumpCsv(texts);
    }
    return {};
}

}  // namespace tarvik::tables
