// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/edits.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <algorithm>
#include <array>
#include <optional>

#include "image/codec.h"
#include "tables/csv.h"
#include "tables/dump.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] EditsResult Fail(std::string error) { return {{}, std::move(error)}; }

// "1 row", "15 rows".
[[nodiscard]] std::string Counted(qsizetype count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

[[nodiscard]] std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A JSON value as a message shows it.
[[nodiscard]] std::string JsonValueText(const QJsonValue& value) {
    switch (value.type()) {
        case QJsonValue::Null:
            return "null";
        case QJsonValue::Bool:
            return value.toBool() ? "true" : "false";
        case QJsonValue::Double:
            return NumberText(value.toDouble());
        case QJsonValue::String:
            return Quoted(value.toString().toStdString());
        case QJsonValue::Array:
            return "a list";
        case QJsonValue::Object:
            return "an object";
        case QJsonValue::Undefined:
            break;
    }
    return "nothing";
}

// "line 3, column 14" of a byte offset into the file.
[[nodiscard]] std::string LineAndColumn(const QByteArray& content, qsizetype offset) {
    offset = std::clamp<qsizetype>(offset, 0, content.size());
    int line = 1;
    qsizetype lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (content[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(offset - lineStart + 1);
}

// Reads the cells of one table from its JSON object.
class JsonTableReader {
public:
    JsonTableReader(const TableLayout& table, EditsResult& result) : table_(table), result_(result) {}

    // False when the object cannot be used; result_.error then says why.
    [[nodiscard]] bool Read(const QJsonObject& object) {
        const std::string key(table_.key);
        const QString valueKey = table_.count == 1 ? QStringLiteral("value") : QStringLiteral("values");
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (it.key() == QLatin1String("captions")) continue;
            const std::string place = key + "." + it.key().toStdString();
            if (it.key() != valueKey) {
                return Failed(place + ": " + key + " has no such entry; it holds \"" + valueKey.toStdString() + "\"");
            }
            if (table_.count == 1) {
                if (!Cell(it.value(), 0, place)) return false;
            } else if (table_.family == Family::Data) {
                if (!Rows(it.value(), place)) return false;
            } else {
                if (!List(it.value(), table_.count, place, [](int i) { return i; })) return false;
            }
        }
        return true;
    }

private:
    [[nodiscard]] bool Failed(std::string error) {
        result_.error = std::move(error);
        return false;
    }

    [[nodiscard]] bool Rows(const QJsonValue& value, const std::string& place) {
        if (!value.isArray()) return Failed(place + ": " + JsonValueText(value) + " is not a list of rows");
        const QJsonArray rows = value.toArray();
        if (rows.size() != kFuelSide) {
            return Failed(place + ": " + Counted(rows.size(), "row") + "; the fuel map has " +
                          std::to_string(kFuelSide));
        }
        for (int row = 0; row < kFuelSide; ++row) {
            const std::string rowPlace = place + "[" + std::to_string(row) + "]";
            if (!List(rows[row], kFuelSide, rowPlace, [row](int column) { return CellAt(row, column); })) return false;
        }
        return true;
    }

    template <typename IndexOf>
    [[nodiscard]] bool List(const QJsonValue& value, int count, const std::string& place, IndexOf indexOf) {
        if (!value.isArray()) return Failed(place + ": " + JsonValueText(value) + " is not a list of values");
        const QJsonArray values = value.toArray();
        if (values.size() != count) {
            return Failed(place + ": " + Counted(values.size(), "value") + "; it takes " + std::to_string(count) +
                          " (null keeps a cell as it is)");
        }
        for (int i = 0; i < count; ++i) {
            if (!Cell(values[i], indexOf(i), place + "[" + std::to_string(i) + "]")) return false;
        }
        return true;
    }

    [[nodiscard]] bool Cell(const QJsonValue& value, int index, const std::string& place) {
        if (value.isNull()) return true;
        if (!value.isDouble()) return Failed(place + ": " + JsonValueText(value) + " is not a number");
        result_.edits.push_back({table_.family, index, NumberText(value.toDouble()), place});
        return true;
    }

    const TableLayout& table_;
    EditsResult& result_;
};

// A row or column number: digits only.
[[nodiscard]] std::optional<int> WholeNumber(std::string_view text) {
    text = Trimmed(text);
    if (text.empty() || text.size() > 6) return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

[[nodiscard]] bool IsBlankRecord(const CsvRecord& record) {
    return std::all_of(record.fields.begin(), record.fields.end(),
                       [](const std::string& field) { return Trimmed(field).empty(); });
}

[[nodiscard]] bool IsHeader(const CsvRecord& record) {
    constexpr std::array<std::string_view, 5> kNames{"table", "row", "column", "caption", "value"};
    if (record.fields.size() != kNames.size()) return false;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (Trimmed(record.fields[i]) != kNames[i]) return false;
    }
    return true;
}

}  // namespace

EditsResult ReadJsonEdits(const QByteArray& content) {
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(content, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return Fail(LineAndColumn(content, parseError.offset) + ": " + parseError.errorString().toStdString());
    }
    if (!document.isObject()) return Fail("the file holds no JSON object");

    EditsResult result;
    const QJsonObject root = document.object();
    for (auto it = root.begin(); it != root.end(); ++it) {
        const std::string key = it.key().toStdString();
        if (key == "format_version") {
            if (!(it.value().isDouble() && it.value().toDouble() == kJsonFormatVersion)) {
                return Fail(key + ": " + JsonValueText(it.value()) + " is not a format this program reads (it reads " +
                            std::to_string(kJsonFormatVersion) + ")");
            }
            continue;
        }
        const TableLayout* table = FindTable(key);
        if (table == nullptr) return Fail(key + ": there is no such table");
        if (!it.value().isObject()) return Fail(key + ": " + JsonValueText(it.value()) + " is not an object");
        JsonTableReader reader(*table, result);
        if (!reader.Read(it.value().toObject())) return Fail(result.error);
    }
    return result;
}

EditsResult ReadCsvEdits(std::string_view content) {
    content = WithoutByteOrderMark(content);
    const CsvReadResult csv = ReadCsv(content, DetectSeparator(content));
    if (!csv.error.empty()) return Fail("line " + std::to_string(csv.errorLine) + ": " + csv.error);

    const std::string expectedHeader = Quoted(kCsvHeader);
    auto record = std::find_if_not(csv.records.begin(), csv.records.end(), IsBlankRecord);
    if (record == csv.records.end()) return Fail("the file is empty; its first line must be " + expectedHeader);
    if (!IsHeader(*record))
        return Fail("line " + std::to_string(record->line) + ": the first line must be " + expectedHeader);

    EditsResult result;
    PerFamily<int> namedOn;  // the line naming each cell; 0: none yet
    for (++record; record != csv.records.end(); ++record) {
        if (IsBlankRecord(*record)) continue;
        const std::string line = "line " + std::to_string(record->line);
        const auto& fields = record->fields;
        if (fields.size() != 5) {
            return Fail(line + ": " + Counted(static_cast<qsizetype>(fields.size()), "field") +
                        "; each line has 5: " + std::string(kCsvHeader));
        }
        const std::string_view key = Trimmed(fields[0]);
        const TableLayout* table = FindTable(key);
        if (table == nullptr) return Fail(line + ": there is no table " + Quoted(key));
        const std::optional<int> row = WholeNumber(fields[1]);
        if (!row) return Fail(line + ": row " + Quoted(fields[1]) + " is not a whole number");
        const std::optional<int> column = WholeNumber(fields[2]);
        if (!column) return Fail(line + ": column " + Quoted(fields[2]) + " is not a whole number");
        const std::optional<int> index = IndexAt(table->family, *row, *column);
        if (!index) {
            return Fail(line + ": " + std::string(key) + " has no cell at row " + std::to_string(*row) + ", column " +
                        std::to_string(*column));
        }
        const std::string cell = DescribeCell(table->family, *index);
        const std::string_view value = Trimmed(fields[4]);
        if (const std::string_view problem = PlainNumberProblem(value); !problem.empty()) {
            std::string error = line + ", " + cell + ": the value " + Quoted(value) + " " + std::string(problem);
            if (problem == kDecimalComma) {
                std::string withPoint(value);
                std::replace(withPoint.begin(), withPoint.end(), ',', '.');
                error += "; write it with a point: " + withPoint;
            }
            return Fail(error);
        }
        int& first = namedOn.At(table->family, *index);
        if (first != 0)
            return Fail(line + ": " + cell + " is named a second time (first on line " + std::to_string(first) + ")");
        first = record->line;
        result.edits.push_back({table->family, *index, std::string(value), line});
    }
    return result;
}

ApplyResult ApplyEdits(const ImageBytes& image, const std::vector<CellEdit>& edits) {
    FieldTexts texts = DecodeTables(image);
    for (const CellEdit& edit : edits) texts.At(edit.family, edit.index) = edit.text;

    ApplyResult result{image, {}};
    const StoreResult stored = StoreFieldsToImage(texts, result.image);
    if (stored.ok) return result;

    result.error = "Illegal value in the " + std::string(stored.failedTable) + " field(s)";
    const auto table = std::find_if(kStoreOrder.begin(), kStoreOrder.end(),
                                    [&](const TableLayout& t) { return t.name == stored.failedTable; });
    if (table == kStoreOrder.end() || stored.failedIndex < 0) return result;
    const Family family = table->family;
    const int index = stored.failedIndex;
    result.error += "\n" + DescribeCell(family, index) + ": " + Quoted(texts.At(family, index));
    // Values the image itself holds are always legal: the culprit is in the file.
    const auto edit = std::find_if(edits.rbegin(), edits.rend(),
                                   [&](const CellEdit& e) { return e.family == family && e.index == index; });
    if (edit != edits.rend()) result.error += " (" + edit->source + ")";
    return result;
}

}  // namespace tarvik::tables
