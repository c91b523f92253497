// SPDX-License-Identifier: GPL-3.0-or-later
#include "tables/formats/edits.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <optional>

#include "image/codec.h"
#include "tables/formats/csv.h"
#include "tables/formats/dump.h"
#include "tables/formats/json_cursor.h"

namespace tarvik::tables {

namespace {

[[nodiscard]] EditsResult Fail(std::string error) { return {{}, std::move(error)}; }

// "1 row", "15 rows".
[[nodiscard]] std::string Counted(std::size_t count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

// Text from the file in quotes, as a message shows it; a long one is cut
// short, as no cell or table is named by more than a few words.
[[nodiscard]] std::string Quoted(std::string_view text) {
    constexpr std::size_t kShown = 200;
    if (text.size() <= kShown) return "\"" + Printable(text) + "\"";
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // not inside a character
    return "\"" + Printable(text.substr(0, cut)) + "...\"";
}

// The cells a JSON table file names, read in one pass. The first fault in
// the file's meaning (an unknown table, a value that is not a number, a key
// named twice) is kept while the rest is read on, so that a file that is
// not JSON at all is always refused as such first.
class JsonEdits {
public:
    explicit JsonEdits(std::string_view content) : json_(content) {}

    [[nodiscard]] EditsResult Read() {
        if (json_.Next() != JsonCursor::Kind::Object) {
            json_.Skip();
            Problem("the file holds no JSON object");
        } else {
            Members("", [this](const std::string& key, const std::string& place) {
                if (key == "format_version") return FormatVersion(place);
                const TableLayout* table = FindTable(key);
                if (table == nullptr) {
                    json_.Skip();
                    return Problem(place + ": there is no such table");
                }
                Table(*table, place);
            });
        }
        json_.End();
        if (!json_.ok()) return Fail(json_.error());
        if (!problem_.empty()) return Fail(problem_);
        return std::move(result_);
    }

private:
    void Problem(std::string text) {
        if (problem_.empty()) problem_ = std::move(text);
    }

    [[nodiscard]] bool Failed() const { return !problem_.empty() || !json_.ok(); }

    // Each member of the object that is next, given to `take` with its key
    // path; a key named twice in one object is refused, as a CSV file may
    // not name a cell twice.
    template <typename Take>
    void Members(const std::string& parent, Take take) {
        json_.EnterObject();
        std::vector<std::string> seen;
        std::string key;
        while (json_.Member(key)) {
            if (Failed()) {
                json_.Skip();
                continue;
            }
            const std::string place = parent.empty() ? Printable(key) : parent + "." + Printable(key);
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
                json_.Skip();
                Problem(place + ": " + Quoted(key) + " is named a second time in its object");
                continue;
            }
            seen.push_back(key);
            take(key, place);
        }
    }

    // Reads over the next value and says how a message shows it.
    [[nodiscard]] std::string Described() {
        switch (json_.Next()) {
            case JsonCursor::Kind::Number:
                return std::string(json_.Number());
            case JsonCursor::Kind::String:
                return Quoted(json_.String());
            case JsonCursor::Kind::Literal:
                return std::string(json_.Literal());
            case JsonCursor::Kind::Array:
                json_.Skip();
                return "a list";
            case JsonCursor::Kind::Object:
                json_.Skip();
                return "an object";
            case JsonCursor::Kind::Bad:
                break;
        }
        json_.Skip();
        return "nothing";
    }

    void FormatVersion(const std::string& place) {
        const bool number = json_.Next() == JsonCursor::Kind::Number;
        const std::string text = Described();
        double version = 0;
        if (number) (void)std::from_chars(text.data(), text.data() + text.size(), version);
        if (!(number && version == kJsonFormatVersion)) {
            Problem(place + ": " + text + " is not a format this program reads (it reads " +
                    std::to_string(kJsonFormatVersion) + ")");
        }
    }

    void Table(const TableLayout& table, const std::string& key) {
        if (json_.Next() != JsonCursor::Kind::Object) return Problem(key + ": " + Described() + " is not an object");
        const std::string valueKey = table.count == 1 ? "value" : "values";
        Members(key, [&](const std::string& entry, const std::string& place) {
            if (entry == "captions") return json_.Skip();
            if (entry != valueKey) {
                json_.Skip();
                return Problem(place + ": " + key + " has no such entry; it holds \"" + valueKey + "\"");
            }
            if (table.count == 1) return Cell(table.family, 0, place);
            if (table.family == Family::Data) return Rows(place);
            List(table.family, table.count, place, [](int i) { return i; });
        });
    }

    void Rows(const std::string& place) {
        if (json_.Next() != JsonCursor::Kind::Array)
            return Problem(place + ": " + Described() + " is not a list of rows");
        json_.EnterArray();
        std::size_t rows = 0;
        while (json_.Element()) {
            const int row = static_cast<int>(rows++);
            if (Failed() || row >= kFuelSide) {
                json_.Skip();
                continue;
            }
            List(Family::Data, kFuelSide, place + "[" + std::to_string(row) + "]",
                 [row](int column) { return CellAt(row, column); });
        }
        // A wrong count says more than any one value in it: it comes first.
        if (rows != static_cast<std::size_t>(kFuelSide))
            problem_ = place + ": " + Counted(rows, "row") + "; the fuel map has " + std::to_string(kFuelSide);
    }

    template <typename IndexOf>
    void List(Family family, int count, const std::string& place, IndexOf indexOf) {
        if (json_.Next() != JsonCursor::Kind::Array)
            return Problem(place + ": " + Described() + " is not a list of values");
        json_.EnterArray();
        std::size_t values = 0;
        while (json_.Element()) {
            const int i = static_cast<int>(values++);
            if (Failed() || i >= count) {
                json_.Skip();
                continue;
            }
            Cell(family, indexOf(i), place + "[" + std::to_string(i) + "]");
        }
        if (values != static_cast<std::size_t>(count)) {
            problem_ = place + ": " + Counted(values, "value") + "; it takes " + std::to_string(count) +
                       " (null keeps a cell as it is)";
        }
    }

    void Cell(Family family, int index, const std::string& place) {
        const JsonCursor::Kind kind = json_.Next();
        if (kind == JsonCursor::Kind::Literal) {
            const std::string_view word = json_.Literal();
            if (word == "null" || !json_.ok()) return;
            return Problem(place + ": " + std::string(word) + " is not a number");
        }
        if (kind != JsonCursor::Kind::Number) return Problem(place + ": " + Described() + " is not a number");
        // The number as the file writes it, judged by the rule a CSV value
        // meets: a field reads "2e2" as 2, so only plain numbers are taken.
        const std::string_view text = json_.Number();
        if (!json_.ok()) return;
        if (const std::string_view problem = PlainNumberProblem(text); !problem.empty())
            return Problem(place + ": the value " + Quoted(text) + " " + std::string(problem));
        result_.edits.push_back({family, index, std::string(text), place});
    }

    JsonCursor json_;
    EditsResult result_;
    std::string problem_;
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

}  // namespace

EditsResult ReadJsonEdits(std::string_view content) { return JsonEdits(content).Read(); }

EditsResult ReadCsvEdits(std::string_view content) {
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
    if (!csv.error.empty()) return Fail("line " + std::to_string(csv.line) + ": " + csv.error);
    if (!headerSeen) return Fail("the file is empty; its first line must be " + expectedHeader);
    if (!problem.empty()) return Fail(problem);
    return result;
}

EditsResult ReadEdits(Format format, std::string_view content) {
    return format == Format::Json ? ReadJsonEdits(content) : ReadCsvEdits(content);
}

ApplyResult ApplyEdits(const ImageBytes& image, const std::vector<CellEdit>& edits) {
    const FieldTexts own = DecodeTables(image);
    FieldTexts texts = own;
    for (const CellEdit& edit : edits) texts.At(edit.family, edit.index) = edit.text;

    ApplyResult result{image, {}};
    StoreResult stored = StoreFieldsToImage(texts, result.image);
    if (stored.ok) return result;
    // The editor's message names the first table in store order.
    result.error = IllegalValueMessage(stored.failedTable->name);

    // Every illegal cell of the file: a cell is judged on its own value, so
    // each one found is put back to the image's own (always legal) value and
    // the store run again until it goes through.
    struct Illegal {
        std::size_t edit;  // its place in the file
        Family family;
        int index;
    };
    std::vector<Illegal> illegal;
    while (!stored.ok && stored.failedIndex >= 0) {
        const Family family = stored.failedTable->family;
        const int index = stored.failedIndex;
        const auto edit = std::find_if(edits.begin(), edits.end(),
                                       [&](const CellEdit& e) { return e.family == family && e.index == index; });
        if (edit == edits.end() || texts.At(family, index) == own.At(family, index)) break;
        illegal.push_back({static_cast<std::size_t>(edit - edits.begin()), family, index});
        texts.At(family, index) = own.At(family, index);
        ImageBytes scratch = image;
        stored = StoreFieldsToImage(texts, scratch);
    }
    std::sort(illegal.begin(), illegal.end(), [](const Illegal& a, const Illegal& b) { return a.edit < b.edit; });
    for (const Illegal& cell : illegal) {
        const CellEdit& edit = edits[cell.edit];
        result.error +=
            "\n" + DescribeCell(cell.family, cell.index) + ": " + Quoted(edit.text) + " (" + edit.source + ")";
    }
    return result;
}

}  // namespace tarvik::tables
