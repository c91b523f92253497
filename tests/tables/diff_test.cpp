// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing images, and the text dump's promise to git: a changed cell
// changes one line.

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tables/formats/diff.h"
#include "tables/formats/dump.h"
#include "tables/formats/format_list.h"
#include "tests/support/image_oracle.h"

namespace tarvik::tables {
namespace {

namespace oracle = tarvik::testing::oracle;

[[nodiscard]] std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

[[nodiscard]] QJsonObject Json(const std::string& text) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(text)).object();
}

[[nodiscard]] ImageBytes DemoLikeImage() {
    std::mt19937 rng(3);
    ImageBytes image = oracle::RandomImage(rng);
    for (int cell = 0; cell < kFuelCells; ++cell) oracle::PutFuelCell(image, cell, static_cast<unsigned>(4 * cell));
    image[3235] = 128;  // control constant 1.00
    return image;
}

// ---------------------------------------------------------------------------
// One changed cell, one changed line of the text dump

// Widths change on purpose (12 -> 1023, 5 -> 255) to show that the values
// of other lines keep their place.
TEST(TextDump, OneChangedCellChangesOneLine) {
    const struct {
        const char* name;
        std::function<void(ImageBytes&)> change;
        std::string line;  // the changed line, as it reads afterwards
    } cases[] = {
        {"FuelMapTopLeft", [](ImageBytes& i) { oracle::PutFuelCell(i, 15, 1023); },
         "  6096 rpm  1023   56   52   48   44   40   36   32   28   24   20   16   12    8    4    0"},
        {"FuelMapBottomRight", [](ImageBytes& i) { oracle::PutFuelCell(i, 240, 7); },
         "   502 rpm  1020 1016 1012 1008 1004 1000  996  992  988  984  980  976  972  968  964    7"},
        {"FullLoadFirst", [](ImageBytes& i) { i[2086] = 255; }, "  6899  255"},
        {"WarmupLastOfTwinCaptions", [](ImageBytes& i) { i[2066] = 5; }, "  < -40    5"},
        {"IdleSpeedFirst", [](ImageBytes& i) { i[2178] = 100; }, "   > 99  100"},
        {"RevLimit", [](ImageBytes& i) { i[1438] = 9; }, "Rev limit         9"},
        {"ControlConstant", [](ImageBytes& i) { i[3235] = 255; }, "Control constant  1.9921875"},
    };
    const ImageBytes before = DemoLikeImage();
    const std::vector<std::string> old = Lines(DumpTables(before, TextFormat()));
    for (const auto& c : cases) {
        ImageBytes after = before;
        c.change(after);
        const std::vector<std::string> now = Lines(DumpTables(after, TextFormat()));
        ASSERT_EQ(old.size(), now.size()) << c.name;
        std::vector<std::string> changed;
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (old[i] != now[i]) changed.push_back(now[i]);
        }
        EXPECT_EQ(changed, std::vector<std::string>{c.line}) << c.name;
    }
}

// ---------------------------------------------------------------------------
// diff

TEST(Diff, FindsTheChangedCellsAndBytes) {
    const struct {
        const char* name;
        std::function<void(ImageBytes&)> change;
        std::vector<std::pair<Family, int>> cells;  // in the order of a dump
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        std::size_t outsideBytes;
    } cases[] = {
        {"Identical", [](ImageBytes&) {}, {}, {}, 0},
        {"OneFuelLowByte", [](ImageBytes& i) { i[768 + 15] ^= 1; }, {{Family::Data, 15}}, {}, 0},
        // One packed byte holds the high bits of four cells; shown right to left.
        {"OnePackedByte",
         [](ImageBytes& i) { i[2304] ^= 0xFF; },
         {{Family::Data, 3}, {Family::Data, 2}, {Family::Data, 1}, {Family::Data, 0}},
         {},
         0},
        // A table byte between two changed bytes splits their range.
        {"OutsideTheTables",
         [](ImageBytes& i) {
             for (const std::size_t o : {0, 16, 17, 18, 1437, 1439, 4095}) i[o] ^= 0x01;
         },
         {},
         {{0, 0}, {16, 18}, {1437, 1437}, {1439, 1439}, {4095, 4095}},
         7},
        {"BothKinds",
         [](ImageBytes& i) {
             for (const std::size_t o : {1438, 1439, 2086}) i[o] ^= 2;
         },
         {{Family::FLE, 0}, {Family::RL, 0}},
         {{1439, 1439}},
         1},
    };
    std::mt19937 rng(17);
    const ImageBytes before = oracle::RandomImage(rng);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ImageBytes after = before;
        c.change(after);
        const ImageDiff diff = DiffImages(before, after);
        std::vector<std::pair<Family, int>> cells;
        for (const CellChange& change : diff.cells) cells.emplace_back(change.family, change.index);
        EXPECT_EQ(cells, c.cells);
        std::vector<std::pair<std::size_t, std::size_t>> ranges;
        for (const ByteRange& range : diff.outsideRanges) ranges.emplace_back(range.first, range.last);
        EXPECT_EQ(ranges, c.ranges);
        EXPECT_EQ(diff.outsideBytes, c.outsideBytes);
        EXPECT_EQ(diff.Same(), cells.empty() && ranges.empty());
    }
}

TEST(DiffFormats, ShowCaptionsOldNewAndDifference) {
    ImageBytes before = DemoLikeImage();
    before[2066] = 20;    // warm-up, the second "< -40"
    before[1100] = 0x11;  // outside the tables
    ImageBytes after = before;
    oracle::PutFuelCell(after, 12, 1000);  // row 0 column 3, was 48
    after[2066] = 12;
    after[3235] = 129;
    after[1100] = 0x12;
    after[1101] ^= 0xFF;
    const ImageDiff diff = DiffImages(before, after);

    EXPECT_EQ(TextFormat().diff(diff),
              "Kennfellt\n"
              "  row 0 (6096 rpm) column 3: 48 -> 1000 (+952)\n"
              "Warmup enrichment\n"
              "  row 16 (< -40): 20 -> 12 (-8)\n"
              "Control constant\n"
              "  1.00 -> 1.0078125 (+0.0078125)\n"
              "Outside the tables: 2 bytes differ, at 0x044C-0x044D\n");
    EXPECT_EQ(FindFormat("csv")->diff(diff),
              "table,row,column,caption,old,new,difference\r\n"
              "fuel_map,0,3,6096 rpm,48,1000,+952\r\n"
              "warmup_enrichment,16,0,< -40,20,12,-8\r\n"
              "control_constant,0,0,,1.00,1.0078125,+0.0078125\r\n"
              "outside_tables,,,0x044C-0x044D,,,\r\n");

    const QJsonObject json = Json(JsonFormat().diff(diff));
    EXPECT_EQ(json[u"fuel_map"][0].toObject(),
              Json(R"({"row": 0, "column": 3, "caption": "6096 rpm", "old": 48, "new": 1000, "difference": 952})"));
    EXPECT_EQ(json[u"control_constant"][0][u"difference"], 0.0078125);
    EXPECT_TRUE(json[u"idle_speed"].toArray().isEmpty());
    EXPECT_EQ(json[u"outside_tables"].toObject(), Json(R"({"bytes": 2, "ranges": [{"first": 1100, "last": 1101}]})"));
}

}  // namespace
}  // namespace tarvik::tables
