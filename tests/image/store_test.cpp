// SPDX-License-Identifier: GPL-3.0-or-later
// Storing the field texts into the image: values, rounding, packing, and the
// exact state an illegal value leaves behind.
//
// Every case starts from a random image and random legal field values; the
// expected image is built from the layout helpers, never by the codec.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "image/codec.h"
#include "tests/support/image_oracle.h"
#include "tests/support/printers.h"

namespace tarvik::testing {
namespace {

using oracle::Calibration;

const std::string kHuge = "1" + std::string(400, '0');

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }

    // The same random image and legal values for every case.
    void Reset() {
        std::mt19937 rng(4242);
        base = oracle::RandomImage(rng);
        cal = oracle::RandomCalibration(rng);
        texts = oracle::TextsFor(cal);
        image = base;
    }

    // A store refused in `table` at field `index`.
    void ExpectRefused(const StoreResult& result, std::string_view table, int index) const {
        ASSERT_FALSE(result.ok);
        EXPECT_EQ(result.failedTable->name, table);
        EXPECT_EQ(result.failedIndex, index);
    }

    ImageBytes base{};
    ImageBytes image{};
    Calibration cal;
    FieldTexts texts;
};

// ---------------------------------------------------------------------------
// Legal texts and the value they store

TEST_F(StoreTest, StoresTheRoundedValue) {
    const struct {
        const char* name;
        Family family;
        int index;
        std::string text;
        unsigned stored;  // byte, or the fuel-map cell value
    } cases[] = {
        {"EmptyRevLimit", Family::RL, 0, "", 0},
        {"RevLimit255", Family::RL, 0, "255", 255},
        {"BlankInside", Family::WE, 3, "1 2", 12},
        {"HalfDownToEven", Family::FLE, 0, "2.5", 2},
        {"HalfUpToEven", Family::AE, 8, "3.5", 4},
        {"JustBelowTheLimit", Family::IS, 4, "255.4", 255},
        {"Half254", Family::WE, 16, "254.5", 254},
        {"NonNumericIsZero", Family::FLE, 16, "abc", 0},
        {"SmallNegativeRoundsToZero", Family::IS, 0, "-0.4", 0},
        {"SignAndLeadingZeros", Family::AE, 0, "+007", 7},
        {"TrailingLetters", Family::RL, 0, "195rpm", 195},
        // The control constant
        {"Half", Family::CC, 0, "0.5", 64},
        {"HalfNoZero", Family::CC, 0, ".5", 64},
        {"One", Family::CC, 0, "1.00", 128},
        {"RoundsUpTo255", Family::CC, 0, "1.99", 255},
        {"HalfBelow256", Family::CC, 0, "1.996", 255},
        {"Empty", Family::CC, 0, "", 0},
        {"Zero", Family::CC, 0, "0.00", 0},
        {"PointThree", Family::CC, 0, "0.3", 38},
        {"SmallestStep", Family::CC, 0, "0.0078125", 1},
        {"LargestShown", Family::CC, 0, "1.9921875", 255},
        {"HalfStepToEvenZero", Family::CC, 0, "0.00390625", 0},
        {"OneAndAHalfStepsToEvenTwo", Family::CC, 0, "0.01171875", 2},
        // The fuel map
        {"NineNineNine", Family::Data, 0, "999", 999},
        {"Largest", Family::Data, 255, "1023", 1023},
        {"Zero", Family::Data, 17, "0", 0},
        {"BelowTheHalf", Family::Data, 100, "767.4", 767},
        {"HalfIntoNextHigh", Family::Data, 130, "256.5", 256},
        {"HalfToEvenLow", Family::Data, 131, "257.5", 258},
        {"BlanksInside", Family::Data, 5, "1 0 2 3", 1023},
        {"EmptyCell", Family::Data, 6, "", 0},
        {"ExponentNotRead", Family::Data, 7, "1e3", 1},
        {"HighPartOnly", Family::Data, 64, "768", 768},
        {"JustBelowLargest", Family::Data, 191, "1023.4", 1023},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        texts.At(c.family, c.index) = c.text;
        if (c.family == Family::Data) {
            cal.fuel[static_cast<std::size_t>(c.index)] = c.stored;
        } else {
            cal.Byte(c.family, c.index) = static_cast<std::uint8_t>(c.stored);
        }
        const StoreResult result = StoreFieldsToImage(texts, image);
        EXPECT_TRUE(result.ok) << result.failedTable->name;
        EXPECT_EQ(result.failedTable, nullptr);
        EXPECT_TRUE(SameImage(image, oracle::Encoded(base, cal)));
    }
}

TEST_F(StoreTest, FuelCellsPackIntoOneByte) {
    for (int i = 0; i < 4; ++i) texts.At(Family::Data, i) = std::to_string(784 - 256 * i);  // 784 528 272 16
    texts.At(Family::Data, 4) = "999";                                                      // 3 * 256 + 231
    ASSERT_TRUE(StoreFieldsToImage(texts, image).ok);
    EXPECT_EQ(image[2304], 0xE4);
    for (std::size_t offset = 768; offset < 772; ++offset) EXPECT_EQ(image[offset], 0x10) << offset;
    EXPECT_EQ(image[772], 231);
    EXPECT_EQ(image[2305] >> 6, 3);
}

TEST_F(StoreTest, NextDecodingShowsTheStoredControlConstant) {
    const struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"1.99", "1.9921875"}, {"0.3", "0.296875"}, {".5", "0.5"}, {"1", "1.00"}, {"", "0.00"}};
    for (const auto& c : cases) {
        texts.At(Family::CC, 0) = c.typed;
        ASSERT_TRUE(StoreFieldsToImage(texts, image).ok) << c.typed;
        FieldTexts decoded;
        LoadFieldsFromImage(image, decoded);
        EXPECT_EQ(decoded.At(Family::CC, 0), c.shown) << c.typed;
    }
}

// ---------------------------------------------------------------------------
// Illegal values in the byte tables: every byte before the field is
// written, the field and everything after it is left alone. A text too long
// for a double is illegal too, never a wrapped or truncated byte.

TEST_F(StoreTest, ByteTablesStopAtTheIllegalField) {
    const struct {
        const char* name;
        Family family;
        int index;
        std::string text;
        const char* table;
    } cases[] = {
        {"RevLimit256", Family::RL, 0, "256", "rev limit"},
        {"RevLimitNegative", Family::RL, 0, "-0.6", "rev limit"},
        {"RevLimitHuge", Family::RL, 0, kHuge, "rev limit"},
        {"WarmUpFirst", Family::WE, 0, "256", "warmup enrichment"},
        {"WarmUpHuge", Family::WE, 0, kHuge, "warmup enrichment"},
        {"WarmUpFifth", Family::WE, 5, "300", "warmup enrichment"},
        {"WarmUpFifth256", Family::WE, 5, "256", "warmup enrichment"},
        {"WarmUpLast", Family::WE, 16, "-1", "warmup enrichment"},
        {"FullLoadHalfAbove", Family::FLE, 0, "255.5", "full load enrichment"},
        {"FullLoadHuge", Family::FLE, 0, kHuge, "full load enrichment"},
        {"FullLoadLast", Family::FLE, 16, "256", "full load enrichment"},
        {"AccelerationHuge", Family::AE, 0, kHuge, "acceleration enrichment"},
        {"AccelerationMiddle", Family::AE, 4, "-1", "acceleration enrichment"},
        {"AccelerationLast", Family::AE, 8, "256", "acceleration enrichment"},
        {"IdleFirst", Family::IS, 0, "1000", "idle speed"},
        {"IdleHuge", Family::IS, 0, kHuge, "idle speed"},
        {"IdleLast", Family::IS, 8, "255.5", "idle speed"},
        {"ControlConstantTwo", Family::CC, 0, "2", "control constant"},
        {"ControlConstantJustAbove", Family::CC, 0, "1.9961", "control constant"},
        {"ControlConstantNegative", Family::CC, 0, "-0.01", "control constant"},
        {"ControlConstantProductOverflows", Family::CC, 0, "1" + std::string(307, '0'), "control constant"},
        {"ControlConstantHuge", Family::CC, 0, kHuge, "control constant"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        texts.At(c.family, c.index) = c.text;
        ExpectRefused(StoreFieldsToImage(texts, image), c.table, c.index);
        EXPECT_TRUE(SameImage(image, oracle::WithFirstWrites(base, cal, oracle::WriteIndex(c.family, c.index))));
    }
}

// The first illegal table in store order is the one named, whatever comes
// later; tables before it are stored in full. From the last table back,
// each round makes one more table illegal.
TEST_F(StoreTest, FirstIllegalTableIsNamedAndOnlyWhatCameBeforeIsStored) {
    const struct {
        Family family;
        int cell;
        const char* name;
    } order[] = {{Family::RL, 0, "rev limit"},
                 {Family::WE, 8, "warmup enrichment"},
                 {Family::FLE, 8, "full load enrichment"},
                 {Family::AE, 4, "acceleration enrichment"},
                 {Family::IS, 4, "idle speed"},
                 {Family::CC, 0, "control constant"},
                 {Family::Data, 128, "kennfelt"}};
    for (int first = 6; first >= 0; --first) {
        SCOPED_TRACE(order[first].name);
        texts.At(order[first].family, order[first].cell) = order[first].family == Family::CC ? "2" : "40000";
        image = base;
        ExpectRefused(StoreFieldsToImage(texts, image), order[first].name, order[first].cell);
        EXPECT_TRUE(SameImage(
            image, oracle::WithFirstWrites(base, cal, oracle::WriteIndex(order[first].family, order[first].cell))));
    }
}

// ---------------------------------------------------------------------------
// Illegal fuel-map cells: found while converting, the fuel map stays as it
// was; a high part above 3 is found while packing, after the low bytes are
// written and before the packed bytes are.

TEST_F(StoreTest, IllegalFuelCellLeavesTheExactPartialImage) {
    const struct {
        const char* name;
        std::vector<std::pair<int, std::string>> cells;
        int failed;  // the cell named as having stopped the store
        // Refused while packing: the low byte each illegal cell leaves.
        std::vector<std::pair<int, unsigned>> lows;
    } cases[] = {
        {"TooLargeInTheLastCellRead", {{0, "40000"}}, 0, {}},
        {"TooLargeInTheFirstCellRead", {{255, "40000"}}, 255, {}},
        {"HighPartLimit", {{9, "32768"}}, 9, {}},
        {"Huge", {{0, kHuge}}, 0, {}},
        {"Negative", {{0, "-1"}}, 0, {}},
        {"NegativeMiddle", {{128, "-1"}}, 128, {}},
        {"SmallNegative", {{3, "-0.4"}}, 3, {}},
        {"RemainderRoundsTo256", {{0, "767.5"}}, 0, {}},
        {"AboveLargest", {{10, "1023.7"}}, 10, {}},
        {"LowHalfAbove", {{3, "255.5"}}, 3, {}},
        // Cells are read from the last one down: the higher cell is named.
        {"FirstReadOfTwo", {{10, "-1"}, {200, "-1"}}, 200, {}},
        {"ConversionBeatsPacking", {{0, "40000"}, {200, "1024"}}, 0, {}},
        // Refused while packing
        {"OneAboveLargest", {{200, "1024"}}, 200, {{200, 0}}},
        {"InTheFirstGroup", {{0, "1024"}}, 0, {{0, 0}}},
        {"InTheLastGroup", {{255, "2047"}}, 255, {{255, 255}}},
        {"LargestConvertible", {{64, "32767"}}, 64, {{64, 255}}},
        {"RoundsDownLow", {{100, "1024.4"}}, 100, {{100, 0}}},
        // Packing walks the cells upwards: the lower cell is named.
        {"TwoGroups", {{30, "1100"}, {250, "4095"}}, 30, {{30, 76}, {250, 255}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        for (const auto& [cell, text] : c.cells) texts.At(Family::Data, cell) = text;
        ExpectRefused(StoreFieldsToImage(texts, image), "kennfelt", c.failed);
        ImageBytes expected = oracle::WithAllByteTables(base, cal);
        if (!c.lows.empty()) {
            for (const auto& [cell, low] : c.lows) cal.fuel[static_cast<std::size_t>(cell)] = low;
            expected = oracle::WithFuelLowBytes(expected, cal);
        }
        EXPECT_TRUE(SameImage(image, expected));
    }
}

// ---------------------------------------------------------------------------
// Which fields a store reads: store order, the fuel map from its last cell
// down, and nothing after the first illegal value.

class RecordingSource final : public FieldSource {
public:
    explicit RecordingSource(const FieldTexts& texts) : texts_(texts) {}
    [[nodiscard]] std::string FieldText(Family family, int index) const override {
        reads.emplace_back(family, index);
        return texts_.At(family, index);
    }
    mutable std::vector<std::pair<Family, int>> reads;

private:
    const FieldTexts& texts_;
};

TEST_F(StoreTest, ReadsInStoreOrderUpToTheFirstIllegalField) {
    std::vector<std::pair<Family, int>> all;
    for (const oracle::ByteTable& t : oracle::kByteTables) {
        for (int i = 0; i < t.count; ++i) all.emplace_back(t.family, i);
    }
    for (int i = 255; i >= 0; --i) all.emplace_back(Family::Data, i);

    const struct {
        const char* name;
        Family family;
        int index;  // the illegal field; -1: none
        std::string text;
    } cases[] = {{"AllLegal", Family::Data, -1, ""},          {"RevLimit", Family::RL, 0, "256"},
                 {"WarmUpFifth", Family::WE, 5, "256"},       {"IdleLast", Family::IS, 8, "-1"},
                 {"ControlConstant", Family::CC, 0, "2"},     {"FirstFuelCellRead", Family::Data, 255, "40000"},
                 {"MiddleFuelCell", Family::Data, 200, "-1"}, {"LastFuelCellRead", Family::Data, 0, "767.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Reset();
        std::vector<std::pair<Family, int>> expected = all;
        if (c.index >= 0) {
            texts.At(c.family, c.index) = c.text;
            const auto stop = std::find(expected.begin(), expected.end(), std::make_pair(c.family, c.index));
            ASSERT_NE(stop, expected.end());
            expected.erase(stop + 1, expected.end());
        }
        RecordingSource source(texts);
        EXPECT_EQ(StoreFieldsToImage(source, image).ok, c.index < 0);
        EXPECT_EQ(source.reads, expected);
    }
}

// ---------------------------------------------------------------------------
// Successful stores

TEST_F(StoreTest, LaterSuccessfulStoreOverwritesAPartialOne) {
    const std::string legal = texts.At(Family::FLE, 7);
    texts.At(Family::FLE, 7) = "256";
    ASSERT_FALSE(StoreFieldsToImage(texts, image).ok);
    texts.At(Family::FLE, 7) = legal;
    EXPECT_TRUE(StoreFieldsToImage(texts, image).ok);
    EXPECT_TRUE(SameImage(image, oracle::Encoded(base, cal)));
}

TEST(Store, RandomValuesGiveTheirBytes) {
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        const ImageBytes base = oracle::RandomImage(rng);
        const Calibration cal = oracle::RandomCalibration(rng);
        ImageBytes image = base;
        const StoreResult result = StoreFieldsToImage(oracle::TextsFor(cal), image);
        ASSERT_TRUE(result.ok) << result.failedTable->name;
        ASSERT_TRUE(SameImage(image, oracle::Encoded(base, cal))) << "round " << round;
    }
}

}  // namespace
}  // namespace tarvik::testing
