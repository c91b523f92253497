// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Comma-separated values as RFC 4180 describes them, and as spreadsheets in
// many locales write them: ";" between fields, a byte-order mark in front,
// CRLF or LF at the line ends.

#include <string>
#include <string_view>
#include <vector>

namespace tarvik::tables {

// One record and the line it begins on (1 = the first line).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> fields;
};

struct CsvReadResult {
    std::vector<CsvRecord> records;
    std::string error;  // empty when the whole text was read
    int errorLine = 0;
};

// The text without a UTF-8 byte-order mark in front.
[[nodiscard]] std::string_view WithoutByteOrderMark(std::string_view text);

// The separator of a file whose first line (blank lines aside) is a header
// of plain words: the first "," or ";" in it; "," when there is neither.
[[nodiscard]] char DetectSeparator(std::string_view text);

// Every record of the text. Quoted fields may hold separators, doubled
// quotes and line breaks. A line break at the very end ends the last
// record; it does not start an empty one.
[[nodiscard]] CsvReadResult ReadCsv(std::string_view text, char separator);

// One field as written with "," between fields: quoted when it holds a
// comma, a quote or a line break.
[[nodiscard]] std::string CsvField(std::string_view field);

// One record with "," between its fields and CRLF at its end.
[[nodiscard]] std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace tarvik::tables
