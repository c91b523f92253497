// SPDX-License-Identifier: GPL-3.0-or-later
// Reading table files: what spreadsheets and people write is read; anything
// else is refused with the place in the file and the reason.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "tables/formats/edits.h"
#include "tables/formats/format_list.h"

namespace tarvik::tables {
namespace {

using Cell = std::tuple<Family, int, std::string>;  // family, index, text

const std::string kHeader = "table,row,column,caption,value\n";
const std::string kFirstLine = "\"table,row,column,caption,value\"";

const TableFormat& kCsv = *FindFormat("csv");
const TableFormat& kJson = JsonFormat();

[[nodiscard]] EditsResult Read(const TableFormat& format, const std::string& content) {
    return ReadEdits(format, content);
}

// Fuel map row 0 column 0 is cell 15; row 15 column 15 is cell 240.
TEST(Read, ReadsWhatSpreadsheetsAndPeopleWrite) {
    const struct {
        const char* name;
        const TableFormat& format;
        std::string content;
        std::vector<Cell> cells;  // what it names
    } cases[] = {
        {"CommaAndLf",
         kCsv,
         kHeader + "fuel_map,0,0,6096 rpm,512\nfuel_map,15,15,502 rpm,7\n",
         {{Family::Data, 15, "512"}, {Family::Data, 240, "7"}}},
        {"SemicolonCrLfAndByteOrderMark",
         kCsv,
         "\xEF\xBB\xBFtable;row;column;caption;value\r\nidle_speed;8;0;< -40;88\r\ncontrol_constant;0;0;;1.5\r\n",
         {{Family::IS, 8, "88"}, {Family::CC, 0, "1.5"}}},
        {"QuotedFieldsAndNoFinalLineEnd",
         kCsv,
         kHeader + "\"warmup_enrichment\",\"3\",0,\"a; \"\"b\"\"\nc\",\"56\"\r\nrev_limit,0,0,,200",
         {{Family::WE, 3, "56"}, {Family::RL, 0, "200"}}},
        {"BlankLinesAndBlanks",
         kCsv,
         "\ntable ; row ; column ; caption ; value\n\n;;;;\nfull_load_enrichment; 16 ;0;480;  150 \n\n",
         {{Family::FLE, 16, "150"}}},
        {"PlainNumbers",
         kCsv,
         kHeader + "rev_limit,0,0,,+7\ncontrol_constant,0,0,,.5\nfuel_map,0,1,x,-0.4\n",
         {{Family::RL, 0, "+7"}, {Family::CC, 0, ".5"}, {Family::Data, 14, "-0.4"}}},
        {"NullKeepsACell",
         kJson,
         R"({"format_version": 1, "idle_speed": {"captions": [], "values": [null, 12, null, null, null, null,
                     null, null, 0.5]}})",
         {{Family::IS, 1, "12"}, {Family::IS, 8, "0.5"}}},
        // Numbers as the file writes them, however many digits.
        {"NumbersAsWritten",
         kJson,
         R"({"rev_limit": {"value": 9007199254740993}, "control_constant": {"value": -0.50}})",
         {{Family::RL, 0, "9007199254740993"}, {Family::CC, 0, "-0.50"}}},
    };
    for (const auto& c : cases) {
        const EditsResult result = Read(c.format, c.content);
        EXPECT_EQ(result.error, "") << c.name;
        std::vector<Cell> cells;
        for (const CellEdit& edit : result.edits) cells.emplace_back(edit.family, edit.index, edit.text);
        EXPECT_EQ(cells, c.cells) << c.name;
    }
}

TEST(Read, RefusesSayingWhereAndWhy) {
    const struct {
        const char* name;
        const TableFormat& format;
        std::string content;
        std::string error;
    } cases[] = {
        {"Empty", kCsv, "", "the file is empty; its first line must be " + kFirstLine},
        {"NoHeader", kCsv, "fuel_map,0,0,6096 rpm,512\n", "line 1: the first line must be " + kFirstLine},
        {"FieldMissing", kCsv, kHeader + "fuel_map,0,0,512\n",
         "line 2: 4 fields; each line has 5: table,row,column,caption,value"},
        {"UnknownTable", kCsv, kHeader + "fuelmap,0,0,,512\n", "line 2: there is no table \"fuelmap\""},
        {"RowNotWhole", kCsv, kHeader + "fuel_map,1.0,0,,5\n", "line 2: row \"1.0\" is not a whole number"},
        {"RowOutside", kCsv, kHeader + "fuel_map,16,0,,5\n", "line 2: fuel_map has no cell at row 16, column 0"},
        {"ColumnOfAColumnTable", kCsv, kHeader + "warmup_enrichment,0,1,,5\n",
         "line 2: warmup_enrichment has no cell at row 0, column 1"},
        {"DecimalComma", kCsv, "table;row;column;caption;value\r\nwarmup_enrichment;2;0;72;1,5\r\n",
         "line 2, warmup_enrichment row 2 (72): the value \"1,5\" has a decimal comma; write it with a point: 1.5"},
        {"Letter", kCsv, kHeader + "\nidle_speed,0,0,> 99,1O0\n",
         "line 3, idle_speed row 0 (> 99): the value \"1O0\" is not a plain number"},
        {"EmptyValue", kCsv, kHeader + "fuel_map,0,3,6096 rpm, \n",
         "line 2, fuel_map row 0 (6096 rpm) column 3: the value \"\" is empty"},
        // A field would read "2e2" as 2.
        {"Exponent", kCsv, kHeader + "rev_limit,0,0,,2e2\n",
         "line 2, rev_limit: the value \"2e2\" is not a plain number"},
        {"NamedTwice", kCsv, kHeader + "fuel_map,0,3,,1\nrev_limit,0,0,,2\nfuel_map,0,3,,3\n",
         "line 4: fuel_map row 0 (6096 rpm) column 3 is named a second time (first on line 2)"},
        {"QuoteNeverClosed", kCsv, kHeader + "fuel_map,0,3,\"6096 rpm,1\n\n",
         "line 2: a quoted field begins here and is never closed"},
        // Line numbers count the line breaks inside quoted fields.
        {"LineAfterAQuotedLineBreak", kCsv, kHeader + "fuel_map,0,3,\"a\r\nb\",1\nrev_limit,0,0,,x\n",
         "line 4, rev_limit: the value \"x\" is not a plain number"},
        {"Syntax", kJson, "{\n  \"rev_limit\": {\"value\": 1,}\n}",
         "line 2, column 28: object is missing after a comma"},
        // Not JSON at all is said first, even after a fault in its meaning.
        {"SyntaxAfterAnUnknownTable", kJson, R"({"fuelmap": 1, "rev_limit": {"value": 01}})",
         "line 1, column 40: invalid termination by number"},
        // A field would read "2e2" as 2: values are plain numbers, as in CSV.
        {"JsonExponent", kJson, R"({"rev_limit": {"value": 2e2}})",
         "rev_limit.value: the value \"2e2\" is not a plain number"},
        {"JsonTinyExponent", kJson, R"({"control_constant": {"value": 4.9e-324}})",
         "control_constant.value: the value \"4.9e-324\" is not a plain number"},
        {"TableNamedTwice", kJson, R"({"rev_limit": {"value": 100}, "rev_limit": {"value": 101}})",
         "rev_limit: \"rev_limit\" is named a second time in its object"},
        {"ValueNamedTwice", kJson, R"({"rev_limit": {"value": 100, "value": 101}})",
         "rev_limit.value: \"value\" is named a second time in its object"},
        {"ControlCharactersShownEscaped", kJson, "{\"fuel\\u001b[2J\\u0000\": {}}",
         "fuel\\x1b[2J\\x00: there is no such table"},
        {"CsvControlCharacters", kCsv, kHeader + "\"fuel\x1b\nmap\",0,0,,1\n",
         "line 2: there is no table \"fuel\\x1b\\x0amap\""},
        {"UnknownTable", kJson, R"({"fuelmap": {}})", "fuelmap: there is no such table"},
        {"UnknownEntry", kJson, R"({"rev_limit": {"values": [200]}})",
         "rev_limit.values: rev_limit has no such entry; it holds \"value\""},
        {"TooFewValues", kJson, R"({"idle_speed": {"values": [1, 2]}})",
         "idle_speed.values: 2 values; it takes 9 (null keeps a cell as it is)"},
        {"OneRow", kJson, R"({"fuel_map": {"values": [[1]]}})", "fuel_map.values: 1 row; the fuel map has 16"},
        {"Text", kJson, R"({"idle_speed": {"values": [null, "1,5", null, null, null, null, null, null, 1]}})",
         "idle_speed.values[1]: \"1,5\" is not a number"},
        {"LaterVersion", kJson, R"({"format_version": 2})",
         "format_version: 2 is not a format this program reads (it reads 1)"},
        // Read by no other format's reader: a text dump is for people only.
        {"TextIsNotReadBack", TextFormat(), kHeader + "rev_limit,0,0,,200\n",
         "a text file is written for people and cannot be read back"},
    };
    for (const auto& c : cases) {
        const EditsResult result = Read(c.format, c.content);
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_TRUE(result.edits.empty()) << c.name;
    }
}

}  // namespace
}  // namespace tarvik::tables
