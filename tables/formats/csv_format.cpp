// SPDX-License-Identifier: GPL-3.0-or-later
// csv: the tables and diffs for spreadsheets, one line per cell, and table
// files read back as dump writes them or as a spreadsheet saves them.

#include <algorithm>
#include <array>
#include <optional>

#include "tables/formats/csv.h"
#include "tables/formats/format.h"

namespace tarvik::tables {

namespace {

// The header line of a CSV dump, without its line end.
constexpr std::string_view kCsvHeader = "table,row,column,caption,value";

// The header, then one line per cell in the order of the text.
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

// One line per changed cell, then one per range of differing bytes outside
// the tables.
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
    // Fields beyond the kept ones are not looked at: such a line is not blank
    // when its kept fields are, and is refused for its count.
    return record.count <= CsvRecord::kKeptFields &&
           std::all_of(record.fields.begin(), record.fields.end(),
                       [](const std::string& field) { return Trimmed(field).empty(); });
}

[[nodiscard]] bool IsHeader(const CsvRecord& record) {
    constexpr std::array<std::string_view, 5> kNames{"table", "row", "column", "caption", "value"};
    if (record.count != kNames.size()) return false;
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (Trimmed(record.fields[i]) != kNames[i]) return false;
    }
    return true;
}

// The header, then one line per cell; "caption" is not read. Blank lines
// are skipped; a cell named twice is refused.
[[nodiscard]] EditsResult ReadCsvEdits(std::string_view content) {
    content = WithoutByteOrderMark(content);
    const std::string expectedHeader = Quoted(kCsvHeader);
    EditsResult result;
    std::string problem;  // the first; the rest of the file is still read for its syntax
    bool headerSeen = false;
    PerFamily<int> namedOn;  // the line naming each cell; 0: none yet

    const auto take = [&](const CsvRecord& record) {
        if (!problem.empty() || IsBlankRecord(record)) return;
        const std::string line = "line " + std::to_string(record.line);
        if (!headerSeen) {
            headerSeen = true;
            if (!IsHeader(record)) problem = line + ": the first line must be " + expectedHeader;
            return;
        }
        const auto& fields = record.fields;
        if (record.count != 5) {
            problem = line + ": " + Counted(record.count, "field") + "; each line has 5: " + std::string(kCsvHeader);
            return;
        }
        const std::string_view key = Trimmed(fields[0]);
        const TableLayout* table = FindTable(key);
        if (table == nullptr) {
            problem = line + ": there is no table " + Quoted(key);
            return;
        }
        const std::optional<int> row = WholeNumber(fields[1]);
        if (!row) {
            problem = line + ": row " + Quoted(fields[1]) + " is not a whole number";
            return;
        }
        const std::optional<int> column = WholeNumber(fields[2]);
        if (!column) {
            problem = line + ": column " + Quoted(fields[2]) + " is not a whole number";
            return;
        }
        const std::optional<int> index = IndexAt(table->family, *row, *column);
        if (!index) {
            problem = line + ": " + std::string(key) + " has no cell at row " + std::to_string(*row) + ", column " +
                      std::to_string(*column);
            return;
        }
        const std::string cell = DescribeCell(table->family, *index);
        const std::string_view value = Trimmed(fields[4]);
        if (const std::string_view reason = PlainNumberProblem(value); !reason.empty()) {
            problem = line + ", " + cell + ": the value " + Quoted(value) + " " + std::string(reason);
            if (reason == kDecimalComma) {
                std::string withPoint(value);
                std::replace(withPoint.begin(), withPoint.end(), ',', '.');
                problem += "; write it with a point: " + withPoint;
            }
            return;
        }
        int& first = namedOn.At(table->family, *index);
        if (first != 0) {
            problem = line + ": " + cell + " is named a second time (first on line " + std::to_string(first) + ")";
            return;
        }
        first = record.line;
        result.edits.push_back({table->family, *index, std::string(value), line});
    };

    const CsvError csv = ReadCsv(content, DetectSeparator(content), take);
    if (!csv.error.empty()) return Refused("line " + std::to_string(csv.line) + ": " + csv.error);
    if (!headerSeen) return Refused("the file is empty; its first line must be " + expectedHeader);
    if (!problem.empty()) return Refused(problem);
    return result;
}

}  // namespace

// The list of formats (format_list.cpp) finds the unit by this name.
extern const TableFormat kCsvFormat;
const TableFormat kCsvFormat{"csv", "CSV", DumpCsv, DiffCsv, ReadCsvEdits};

}  // namespace tarvik::tables
