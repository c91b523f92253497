// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Comma-separated values as RFC 4180 describes them, and as spreadsheets in
// many locales write them: ";" between fields, a byte-order mark in front,
// CRLF or LF at the line ends.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvik::tables {

// One record and the line it begins on (1 = the first line).
struct CsvRecord {
    int line = 0;
    // The first kKeptFields fields; a record has count fields in all. A line
    // of a million separators costs no more than a line of a few.
    std::vector<std::string> fields;
    std::size_t count = 0;
    static constexpr std::size_t kKeptFields = 8;
};

// Why a text is not CSV, and the line; an empty error when it is.
struct CsvError {
    std::string error;
    int line = 0;
};

// The text without a UTF-8 byte-order mark in front.
[[nodiscard]] std::string_view WithoutByteOrderMark(std::string_view text);

// The separator of a file whose first line (blank lines aside) is a header
// of plain words: the first "," or ";" in it; "," when there is neither.
[[nodiscard]] char DetectSeparator(std::string_view text);

// Hands each record of the text to `take` as it is read, one at a time, so
// that reading needs little more memory than the text. Quoted fields may
// hold separators, doubled quotes and line breaks. A line break at the very
// end ends the last record; it does not start an empty one.
[[nodiscard]] CsvError ReadCsv(std::string_view text, char separator,
                               const std::function<void(const CsvRecord&)>& take);

// One field as written with "," between fields: quoted when it holds a
// comma, a quote or a line break.
[[nodiscard]] std::string CsvField(std::string_view field);

// One record with "," between its fields and CRLF at its end.
[[nodiscard]] std::string CsvLine(const std::vector<std::string>& fields);

}  // namespace tarvik::tables
