// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/csv.h"

namespace tarvik::tables {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

[[nodiscard]] bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

}  // namespace

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    return text;
}

char DetectSeparator(std::string_view text) {
    bool inLine = false;  // blank lines before the header are passed over
    for (const char c : text) {
        if (c == ',' || c == ';') return c;
        if (IsLineEnd(c)) {
            if (inLine) break;
        } else {
            inLine = true;
        }
    }
    return ',';
}

CsvError ReadCsv(std::string_view text, char separator, const std::function<void(const CsvRecord&)>& take) {
    std::size_t pos = 0;
    int line = 1;
    const auto atFieldEnd = [&] { return pos >= text.size() || text[pos] == separator || IsLineEnd(text[pos]); };
    CsvRecord record;
    std::string field;

    while (pos < text.size()) {
        record.line = line;
        record.fields.clear();
        record.count = 0;
        for (;;) {
            // Only the fields a record is judged by are kept; the others are read over.
            const bool keep = record.count < CsvRecord::kKeptFields;
            field.clear();
            if (text[pos] == '"') {
                const int opened = line;
                ++pos;
                for (;;) {
                    if (pos >= text.size()) return {"a quoted field begins here and is never closed", opened};
                    const char c = text[pos++];
                    if (c == '"') {
                        if (pos < text.size() && text[pos] == '"') {
                            if (keep) field += '"';
                            ++pos;
                            continue;
                        }
                        break;
                    }
                    // A CRLF inside the quotes is one line break, counted at its LF.
                    if (c == '\n' || (c == '\r' && (pos >= text.size() || text[pos] != '\n'))) ++line;
                    if (keep) field += c;
                }
                if (!atFieldEnd()) return {"text follows the closing quote of a field", line};
            } else {
                const std::size_t start = pos;
                while (!atFieldEnd()) ++pos;
                if (keep) field.assign(text.substr(start, pos - start));
            }
            if (keep) record.fields.push_back(field);
            ++record.count;
            if (pos < text.size() && text[pos] == separator) {
                ++pos;
                if (pos == text.size()) {
                    if (record.count < CsvRecord::kKeptFields) record.fields.emplace_back();
                    ++record.count;
                }
                if (pos < text.size()) continue;
            }
            break;
        }
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        ++line;
        take(record);
    }
    return {};
}

std::string CsvField(std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(field);
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        line += CsvField(fields[i]);
    }
    line += "\r\n";
    return line;
}

}  // namespace tarvik::tables
