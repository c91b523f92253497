// SPDX-License-Identifier: GPL-3.0-or-later
// json: the tables and diffs for programs, one object keyed by the tables'
// stable names, and table files read back as dump writes them.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>

#include "image/codec.h"
#include "platform/to_qstring.h"
#include "tables/formats/format.h"
#include "tables/formats/json_cursor.h"

namespace tarvik::tables {

namespace {

// The version of the JSON written by dump and diff and read by apply.
constexpr int kJsonFormatVersion = 1;

[[nodiscard]] QJsonValue JsonNumber(const std::string& fieldText) { return ParseLeadingNumber(fieldText); }

// One object keyed by the tables' stable names, each with its captions and
// values, and the format's version.
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

// Every table by its key with a list of changes, and "outside_tables".
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
        if (!json_.ok()) return Refused(json_.error());
        if (!problem_.empty()) return Refused(problem_);
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

// An object with any of the tables by their keys, each as dump writes it. A
// null keeps the image's value; "captions" is not read; an optional
// "format_version" must be the one written by dump. A key named twice in
// one object is refused; values are taken as the file writes them and must
// be plain numbers, as in CSV.
[[nodiscard]] EditsResult ReadJsonEdits(std::string_view content) { return JsonEdits(content).Read(); }

}  // namespace

// The list of formats (format_list.cpp) finds the unit by this name.
extern const TableFormat kJsonFormat;
const TableFormat kJsonFormat{"json", "JSON", DumpJson, DiffJson, ReadJsonEdits};

}  // namespace tarvik::tables
