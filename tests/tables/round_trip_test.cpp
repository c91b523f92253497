// SPDX-License-Identifier: GPL-3.0-or-later
// The table tool against the editor: a dump holds what Open puts into the
// fields, applying a dump gives back the image, and applying texts stores
// what Save As stores for the same texts.

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonValue>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "image/codec.h"
#include "tables/formats/csv.h"
#include "tables/formats/dump.h"
#include "tables/formats/edits.h"
#include "tables/formats/format_list.h"
#include "tests/support/image_oracle.h"
#include "tests/support/printers.h"

namespace tarvik::tables {
namespace {

namespace oracle = tarvik::testing::oracle;
using tarvik::testing::SameImage;

// The tables of `tables` over every other byte of `rest`, from the layout's
// literal ranges.
[[nodiscard]] ImageBytes TablesOver(const ImageBytes& tables, const ImageBytes& rest) {
    ImageBytes merged = rest;
    for (const std::size_t offset : oracle::TableOffsets()) merged[offset] = tables[offset];
    return merged;
}

// ---------------------------------------------------------------------------
// dump, then apply of that dump onto another image: the first image's tables
// over every other byte of the second.

class RoundTripTest : public ::testing::TestWithParam<const TableFormat*> {
protected:
    void ExpectRoundTrip(const ImageBytes& image, const ImageBytes& other, const std::string& what) {
        const EditsResult edits = ReadEdits(*GetParam(), DumpTables(image, *GetParam()));
        ASSERT_EQ(edits.error, "") << what;
        ASSERT_EQ(edits.edits.size(), static_cast<std::size_t>(kFieldCount)) << what;
        const ApplyResult applied = ApplyEdits(other, edits.edits);
        ASSERT_EQ(applied.error, "") << what;
        ASSERT_TRUE(SameImage(applied.image, TablesOver(image, other))) << what;
    }
};

TEST_P(RoundTripTest, AThousandRandomImages) {
    std::mt19937 rng(20240611);
    for (int n = 0; n < 1000; ++n) {
        const ImageBytes image = oracle::RandomImage(rng);
        const ImageBytes other = oracle::RandomImage(rng);
        ExpectRoundTrip(image, other, "image " + std::to_string(n));
        if (HasFatalFailure()) return;
    }
}

TEST_P(RoundTripTest, CraftedImages) {
    std::mt19937 rng(7);
    const ImageBytes other = oracle::RandomImage(rng);
    ImageBytes zeros{};
    ImageBytes ones{};
    ones.fill(0xFF);  // every fuel cell 1023, every byte 255, the control constant 1.9921875
    ImageBytes largest = oracle::RandomImage(rng);
    for (int cell = 0; cell < kFuelCells; ++cell) oracle::PutFuelCell(largest, cell, 1023);
    ExpectRoundTrip(zeros, ones, "all zero");
    ExpectRoundTrip(ones, zeros, "all ones");
    ExpectRoundTrip(largest, other, "fuel cells of 1023");
    for (int byte = 0; byte < 256; ++byte) {
        ImageBytes image = other;
        image[3235] = static_cast<std::uint8_t>(byte);
        ExpectRoundTrip(image, ones, "control constant byte " + std::to_string(byte));
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTripTest, ::testing::ValuesIn(ReadableFormats()),
                         [](const auto& info) { return std::string(info.param->title); });

// ---------------------------------------------------------------------------
// The values of a dump are the editor's field texts after Open

// Each cell where the editor shows it, written out from the screen rather
// than taken from the code under test: the fuel map's cell 0 is the top
// right, cell 15 the top left; the other tables run down from cell 0.
[[nodiscard]] std::vector<std::vector<std::string>> ShownLines(const FieldTexts& texts) {
    std::vector<std::vector<std::string>> lines{{"table", "row", "column", "caption", "value"}};
    for (int row = 0; row < 16; ++row) {
        const std::string rpm = std::to_string(kRpmBreakpoints[static_cast<std::size_t>(15 - row)]) + " rpm";
        for (int column = 0; column < 16; ++column) {
            lines.push_back({"fuel_map", std::to_string(row), std::to_string(column), rpm,
                             texts.At(Family::Data, 16 * row + 15 - column)});
        }
    }
    const struct {
        const char* key;
        Family family;
        std::span<const std::string_view> captions;
    } columns[] = {{"full_load_enrichment", Family::FLE, kFullLoadCaptions},
                   {"warmup_enrichment", Family::WE, kWarmupCaptions},
                   {"acceleration_enrichment", Family::AE, kTemperatureCaptions},
                   {"idle_speed", Family::IS, kTemperatureCaptions}};
    for (const auto& table : columns) {
        for (std::size_t i = 0; i < table.captions.size(); ++i) {
            lines.push_back({table.key, std::to_string(i), "0", std::string(table.captions[i]),
                             texts.At(table.family, static_cast<int>(i))});
        }
    }
    lines.push_back({"rev_limit", "0", "0", "", texts.At(Family::RL, 0)});
    lines.push_back({"control_constant", "0", "0", "", texts.At(Family::CC, 0)});
    return lines;
}

TEST(Dump, HoldsEveryFieldTextWhereTheEditorShowsIt) {
    std::mt19937 rng(11);
    for (int n = 0; n < 50; ++n) {
        const ImageBytes image = oracle::RandomImage(rng);
        FieldTexts texts;
        LoadFieldsFromImage(image, texts);
        const std::vector<std::vector<std::string>> expected = ShownLines(texts);

        std::vector<std::vector<std::string>> records;
        const CsvError csv = ReadCsv(DumpTables(image, *FindFormat("csv")), ',',
                                     [&](const CsvRecord& record) { records.push_back(record.fields); });
        ASSERT_EQ(csv.error, "");
        ASSERT_EQ(records, expected);

        // JSON: the fuel map as rows of values beside their captions.
        const QJsonValue fuel =
            QJsonDocument::fromJson(QByteArray::fromStdString(DumpTables(image, JsonFormat())))[u"fuel_map"];
        for (std::size_t line = 1; line <= 256; ++line) {
            const std::vector<std::string>& cell = expected[line];  // fuel_map, row, column, caption, value
            const int row = std::stoi(cell[1]);
            EXPECT_EQ(fuel[u"values"][row][std::stoi(cell[2])].toDouble(), std::stod(cell[4])) << "line " << line;
            EXPECT_EQ(fuel[u"captions"][row].toString().toStdString(), cell[3]) << "line " << line;
        }
    }
}

// ---------------------------------------------------------------------------
// apply stores what Save As stores for the same texts

// A plain number near or beyond the edges of the cell's range, whole or
// with a fraction, halves included.
[[nodiscard]] std::string RandomText(Family family, std::mt19937& rng) {
    const double top = family == Family::Data ? 1030.0 : family == Family::CC ? 2.01 : 258.0;
    std::uniform_real_distribution<double> value(-0.02 * top, top);
    std::uniform_int_distribution<int> kind(0, 3);
    const double x = value(rng);
    switch (kind(rng)) {
        case 0:
            return std::to_string(static_cast<int>(x));
        case 1:
            return std::to_string(static_cast<int>(x)) + ".5";
        case 2:
            return NumberText(x);
        default:
            return NumberText(static_cast<double>(static_cast<int>(x * 128.0)) / 128.0);
    }
}

TEST(Apply, StoresWhatSaveAsStoresForTheSameTexts) {
    std::mt19937 rng(99);
    std::bernoulli_distribution edited(0.05);
    int stored = 0;
    int refused = 0;
    for (int n = 0; n < 500; ++n) {
        const ImageBytes image = oracle::RandomImage(rng);
        FieldTexts texts;
        LoadFieldsFromImage(image, texts);
        std::vector<CellEdit> edits;
        for (const TableLayout& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) {
                if (!edited(rng)) continue;
                edits.push_back({table.family, i, RandomText(table.family, rng), "test"});
                texts.At(table.family, i) = edits.back().text;
            }
        }

        ImageBytes saved = image;
        const StoreResult saveAs = StoreFieldsToImage(texts, saved);
        const ApplyResult applied = ApplyEdits(image, edits);

        if (saveAs.ok) {
            ++stored;
            ASSERT_EQ(applied.error, "") << "round " << n;
            ASSERT_TRUE(SameImage(applied.image, saved)) << "round " << n;
        } else {
            ++refused;
            ASSERT_TRUE(applied.error.starts_with("Illegal value in the " + std::string(saveAs.failedTable->name) +
                                                  " field(s)\n"))
                << "round " << n << ": " << applied.error;
        }
    }
    // Both outcomes must have been met for the comparison to mean anything.
    EXPECT_GT(stored, 50);
    EXPECT_GT(refused, 50);
}

// Fuel-map cells by screen position: row 3, columns 4 and 5 are cells 59
// and 58; row 0 column 0 is cell 15, row 15 column 15 cell 240. The
// editor's message names the first table in store order; every illegal
// cell follows, in the order of the file.
TEST(Apply, NamesEveryIllegalCellInTheOrderOfTheFile) {
    const struct {
        const char* name;
        std::vector<CellEdit> edits;
        std::string message;
    } cases[] = {
        {"ByteTable",
         {{Family::FLE, 3, "300", "line 2"}},
         "Illegal value in the full load enrichment field(s)\n"
         "full_load_enrichment row 3 (3048): \"300\" (line 2)"},
        {"FirstTableInStoreOrderThenFileOrder",
         {{Family::FLE, 3, "300", "line 2"}, {Family::RL, 0, "-1", "line 3"}},
         "Illegal value in the rev limit field(s)\nfull_load_enrichment row 3 (3048): \"300\" (line 2)\n"
         "rev_limit: \"-1\" (line 3)"},
        {"ControlConstant",
         {{Family::CC, 0, "2", "control_constant.value"}},
         "Illegal value in the control constant field(s)\ncontrol_constant: \"2\" (control_constant.value)"},
        {"FourCellsInThreeTablesAmongLegalOnes",
         {{Family::Data, 59, "1024", "fuel_map.values[3][4]"},
          {Family::WE, 16, "256", "warmup_enrichment.values[16]"},
          {Family::WE, 2, "7", "warmup_enrichment.values[2]"},
          {Family::Data, 58, "-1", "fuel_map.values[3][5]"},
          {Family::CC, 0, "1e3", "control_constant.value"}},
         "Illegal value in the warmup enrichment field(s)\n"
         "fuel_map row 3 (4161 rpm) column 4: \"1024\" (fuel_map.values[3][4])\n"
         "warmup_enrichment row 16 (< -40): \"256\" (warmup_enrichment.values[16])\n"
         "fuel_map row 3 (4161 rpm) column 5: \"-1\" (fuel_map.values[3][5])"},
        {"PackingAndConversionBothNamed",
         {{Family::Data, 240, "1100", "line 2"},
          {Family::Data, 15, "1024", "line 3"},
          {Family::RL, 0, "\x1b", "line 4"}},
         "Illegal value in the kennfelt field(s)\nfuel_map row 15 (502 rpm) column 15: \"1100\" (line 2)\n"
         "fuel_map row 0 (6096 rpm) column 0: \"1024\" (line 3)"},
    };
    std::mt19937 rng(5);
    const ImageBytes image = oracle::RandomImage(rng);
    for (const auto& c : cases) EXPECT_EQ(ApplyEdits(image, c.edits).error, c.message) << c.name;
}

}  // namespace
}  // namespace tarvik::tables
