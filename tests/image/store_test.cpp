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
    void SetUp() override {
        std::mt19937 rng(4242);
        base = oracle::RandomImage(rng);
        cal = oracle::RandomCalibration(rng);
        texts = oracle::TextsFor(cal);
        image = base;
    }

    // Compares all 4096 bytes and names the offsets that differ.
    void ExpectImage(const ImageBytes& expected) const { EXPECT_TRUE(SameImage(image, expected)); }

    ImageBytes base{};
    ImageBytes image{};
    Calibration cal;
    FieldTexts texts;
};

// Sets the number the field stands for in the expected values.
void SetValue(Calibration& c, Family family, int index, unsigned value) {
    if (family == Family::Data) {
        c.fuel[static_cast<std::size_t>(index)] = value;
    } else {
        c.Byte(family, index) = static_cast<std::uint8_t>(value);
    }
}

// ---------------------------------------------------------------------------
// Legal texts and the value they store

struct StoredCase {
    const char* name;
    Family family;
    int index;
    std::string text;
    unsigned stored;  // byte, or the fuel-map cell value
};

class StoredValueTest : public StoreTest, public ::testing::WithParamInterface<StoredCase> {};

TEST_P(StoredValueTest, StoresTheRoundedValue) {
    const StoredCase& c = GetParam();
    texts.At(c.family, c.index) = c.text;
    SetValue(cal, c.family, c.index, c.stored);

    const StoreResult result = StoreFieldsToImage(texts, image);

    EXPECT_TRUE(result.ok) << result.failedTable;
    EXPECT_TRUE(result.failedTable.empty());
    ExpectImage(oracle::Encoded(base, cal));
}

INSTANTIATE_TEST_SUITE_P(ByteTables, StoredValueTest,
                         ::testing::Values(StoredCase{"EmptyRevLimit", Family::RL, 0, "", 0},
                                           StoredCase{"RevLimit255", Family::RL, 0, "255", 255},
                                           StoredCase{"BlankInside", Family::WE, 3, "1 2", 12},
                                           StoredCase{"HalfDownToEven", Family::FLE, 0, "2.5", 2},
                                           StoredCase{"HalfUpToEven", Family::AE, 8, "3.5", 4},
                                           StoredCase{"JustBelowTheLimit", Family::IS, 4, "255.4", 255},
                                           StoredCase{"Half254", Family::WE, 16, "254.5", 254},
                                           StoredCase{"NonNumericIsZero", Family::FLE, 16, "abc", 0},
                                           StoredCase{"SmallNegativeRoundsToZero", Family::IS, 0, "-0.4", 0},
                                           StoredCase{"SignAndLeadingZeros", Family::AE, 0, "+007", 7},
                                           StoredCase{"TrailingLetters", Family::RL, 0, "195rpm", 195}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(ControlConstant, StoredValueTest,
                         ::testing::Values(StoredCase{"Half", Family::CC, 0, "0.5", 64},
                                           StoredCase{"HalfNoZero", Family::CC, 0, ".5", 64},
                                           StoredCase{"One", Family::CC, 0, "1.00", 128},
                                           StoredCase{"RoundsUpTo255", Family::CC, 0, "1.99", 255},
                                           StoredCase{"HalfBelow256", Family::CC, 0, "1.996", 255},
                                           StoredCase{"Empty", Family::CC, 0, "", 0},
                                           StoredCase{"Zero", Family::CC, 0, "0.00", 0},
                                           StoredCase{"PointThree", Family::CC, 0, "0.3", 38},
                                           StoredCase{"SmallestStep", Family::CC, 0, "0.0078125", 1},
                                           StoredCase{"LargestShown", Family::CC, 0, "1.9921875", 255},
                                           StoredCase{"HalfStepToEvenZero", Family::CC, 0, "0.00390625", 0},
                                           StoredCase{"OneAndAHalfStepsToEvenTwo", Family::CC, 0, "0.01171875", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(FuelMap, StoredValueTest,
                         ::testing::Values(StoredCase{"NineNineNine", Family::Data, 0, "999", 999},
                                           StoredCase{"Largest", Family::Data, 255, "1023", 1023},
                                           StoredCase{"Zero", Family::Data, 17, "0", 0},
                                           StoredCase{"BelowTheHalf", Family::Data, 100, "767.4", 767},
                                           StoredCase{"HalfIntoNextHigh", Family::Data, 130, "256.5", 256},
                                           StoredCase{"HalfToEvenLow", Family::Data, 131, "257.5", 258},
                                           StoredCase{"BlanksInside", Family::Data, 5, "1 0 2 3", 1023},
                                           StoredCase{"EmptyCell", Family::Data, 6, "", 0},
                                           StoredCase{"ExponentNotRead", Family::Data, 7, "1e3", 1},
                                           StoredCase{"HighPartOnly", Family::Data, 64, "768", 768},
                                           StoredCase{"JustBelowLargest", Family::Data, 191, "1023.4", 1023}),
                         [](const auto& info) { return std::string(info.param.name); });

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
// written, the field and everything after it is left alone.

struct ByteFailureCase {
    const char* name;
    Family family;
    int index;
    std::string text;
    const char* table;
};

class ByteFailureTest : public StoreTest, public ::testing::WithParamInterface<ByteFailureCase> {};

TEST_P(ByteFailureTest, StopsAtTheIllegalField) {
    const ByteFailureCase& c = GetParam();
    texts.At(c.family, c.index) = c.text;

    const StoreResult result = StoreFieldsToImage(texts, image);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedTable, c.table);
    EXPECT_EQ(result.failedIndex, c.index);
    ExpectImage(oracle::WithFirstWrites(base, cal, oracle::WriteIndex(c.family, c.index)));
}

INSTANTIATE_TEST_SUITE_P(
    Values, ByteFailureTest,
    ::testing::Values(ByteFailureCase{"RevLimit256", Family::RL, 0, "256", "rev limit"},
                      ByteFailureCase{"RevLimitNegative", Family::RL, 0, "-0.6", "rev limit"},
                      ByteFailureCase{"WarmUpFirst", Family::WE, 0, "256", "warmup enrichment"},
                      ByteFailureCase{"WarmUpFifth", Family::WE, 5, "300", "warmup enrichment"},
                      ByteFailureCase{"WarmUpLast", Family::WE, 16, "-1", "warmup enrichment"},
                      ByteFailureCase{"FullLoadHalfAbove", Family::FLE, 0, "255.5", "full load enrichment"},
                      ByteFailureCase{"FullLoadLast", Family::FLE, 16, "256", "full load enrichment"},
                      ByteFailureCase{"AccelerationMiddle", Family::AE, 4, "-1", "acceleration enrichment"},
                      ByteFailureCase{"AccelerationLast", Family::AE, 8, "256", "acceleration enrichment"},
                      ByteFailureCase{"IdleFirst", Family::IS, 0, "1000", "idle speed"},
                      ByteFailureCase{"IdleLast", Family::IS, 8, "255.5", "idle speed"},
                      ByteFailureCase{"ControlConstantTwo", Family::CC, 0, "2", "control constant"},
                      ByteFailureCase{"ControlConstantJustAbove", Family::CC, 0, "1.9961", "control constant"},
                      ByteFailureCase{"ControlConstantNegative", Family::CC, 0, "-0.01", "control constant"},
                      ByteFailureCase{"ControlConstantProductOverflows", Family::CC, 0, "1" + std::string(307, '0'),
                                      "control constant"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StoreTest, WarmUpCellFiveIllegalKeepsTheRest) {
    texts.At(Family::WE, 5) = "256";
    ASSERT_FALSE(StoreFieldsToImage(texts, image).ok);

    EXPECT_EQ(image[1438], cal.Byte(Family::RL, 0));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(image[2050 + static_cast<std::size_t>(i)], cal.Byte(Family::WE, i)) << i;
    for (std::size_t offset = 2055; offset < 4096; ++offset) {
        EXPECT_EQ(image[offset], base[offset]) << offset;
    }
    for (std::size_t offset = 0; offset < 2050; ++offset) {
        if (offset != 1438) {
            EXPECT_EQ(image[offset], base[offset]) << offset;
        }
    }
}

TEST_F(StoreTest, IllegalRevLimitAndFuelCellNameRevLimitAndChangeNothing) {
    texts.At(Family::RL, 0) = "256";
    texts.At(Family::Data, 100) = "40000";
    const StoreResult result = StoreFieldsToImage(texts, image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedTable, "rev limit");
    ExpectImage(base);
}

// The first illegal table in store order is the one named, whatever comes
// later; tables before it are stored in full.
class FirstIllegalTableTest : public StoreTest, public ::testing::WithParamInterface<int> {};

TEST_P(FirstIllegalTableTest, NamesItAndStoresOnlyWhatCameBefore) {
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
    const int first = GetParam();
    for (int t = first; t < 7; ++t) {
        texts.At(order[t].family, order[t].cell) = order[t].family == Family::CC ? "2" : "40000";
    }

    const StoreResult result = StoreFieldsToImage(texts, image);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedTable, order[first].name);
    EXPECT_EQ(result.failedIndex, order[first].cell);
    ExpectImage(oracle::WithFirstWrites(base, cal, oracle::WriteIndex(order[first].family, order[first].cell)));
}

INSTANTIATE_TEST_SUITE_P(EachTable, FirstIllegalTableTest, ::testing::Range(0, 7));

// A text too long for a double is illegal in every table, never a wrapped
// or truncated byte.
struct TableCase {
    Family family;
    const char* name;
};

class HugeValueTest : public StoreTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(HugeValueTest, IsIllegal) {
    texts.At(GetParam().family, 0) = kHuge;
    const StoreResult result = StoreFieldsToImage(texts, image);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedTable, GetParam().name);
    EXPECT_EQ(result.failedIndex, 0);
    ExpectImage(oracle::WithFirstWrites(base, cal, oracle::WriteIndex(GetParam().family, 0)));
}

INSTANTIATE_TEST_SUITE_P(
    EveryTable, HugeValueTest,
    ::testing::Values(TableCase{Family::RL, "rev limit"}, TableCase{Family::WE, "warmup enrichment"},
                      TableCase{Family::FLE, "full load enrichment"}, TableCase{Family::AE, "acceleration enrichment"},
                      TableCase{Family::IS, "idle speed"}, TableCase{Family::CC, "control constant"},
                      TableCase{Family::Data, "kennfelt"}));

// ---------------------------------------------------------------------------
// Illegal fuel-map cells

enum class FuelStop {
    Conversion,  // found while converting: the fuel map stays as it was
    Packing,     // a high part above 3: low bytes written, packed bytes not
};

struct FuelFailureCase {
    const char* name;
    std::vector<std::pair<int, std::string>> cells;
    FuelStop stop;
    // For Packing: the low byte each illegal cell leaves in the image.
    std::vector<std::pair<int, unsigned>> lows;
    int failed;  // the cell named as having stopped the store
};

class FuelFailureTest : public StoreTest, public ::testing::WithParamInterface<FuelFailureCase> {};

TEST_P(FuelFailureTest, LeavesTheExactPartialImage) {
    const FuelFailureCase& c = GetParam();
    for (const auto& [cell, text] : c.cells) texts.At(Family::Data, cell) = text;

    const StoreResult result = StoreFieldsToImage(texts, image);

    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failedTable, "kennfelt");
    EXPECT_EQ(result.failedIndex, c.failed);
    ImageBytes expected = oracle::WithAllByteTables(base, cal);
    if (c.stop == FuelStop::Packing) {
        for (const auto& [cell, low] : c.lows) cal.fuel[static_cast<std::size_t>(cell)] = low;
        expected = oracle::WithFuelLowBytes(expected, cal);
    }
    ExpectImage(expected);
}

INSTANTIATE_TEST_SUITE_P(
    Conversion, FuelFailureTest,
    ::testing::Values(FuelFailureCase{"TooLargeInTheLastCellRead", {{0, "40000"}}, FuelStop::Conversion, {}, 0},
                      FuelFailureCase{"TooLargeInTheFirstCellRead", {{255, "40000"}}, FuelStop::Conversion, {}, 255},
                      FuelFailureCase{"HighPartLimit", {{9, "32768"}}, FuelStop::Conversion, {}, 9},
                      FuelFailureCase{"Negative", {{0, "-1"}}, FuelStop::Conversion, {}, 0},
                      FuelFailureCase{"NegativeMiddle", {{128, "-1"}}, FuelStop::Conversion, {}, 128},
                      FuelFailureCase{"SmallNegative", {{3, "-0.4"}}, FuelStop::Conversion, {}, 3},
                      FuelFailureCase{"RemainderRoundsTo256", {{0, "767.5"}}, FuelStop::Conversion, {}, 0},
                      FuelFailureCase{"AboveLargest", {{10, "1023.7"}}, FuelStop::Conversion, {}, 10},
                      FuelFailureCase{"LowHalfAbove", {{3, "255.5"}}, FuelStop::Conversion, {}, 3},
                      // Cells are read from the last one down: the higher cell is named.
                      FuelFailureCase{"FirstReadOfTwo", {{10, "-1"}, {200, "-1"}}, FuelStop::Conversion, {}, 200},
                      FuelFailureCase{
                          "ConversionBeatsPacking", {{0, "40000"}, {200, "1024"}}, FuelStop::Conversion, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Packing, FuelFailureTest,
    ::testing::Values(FuelFailureCase{"OneAboveLargest", {{200, "1024"}}, FuelStop::Packing, {{200, 0}}, 200},
                      FuelFailureCase{"InTheFirstGroup", {{0, "1024"}}, FuelStop::Packing, {{0, 0}}, 0},
                      FuelFailureCase{"InTheLastGroup", {{255, "2047"}}, FuelStop::Packing, {{255, 255}}, 255},
                      FuelFailureCase{"LargestConvertible", {{64, "32767"}}, FuelStop::Packing, {{64, 255}}, 64},
                      FuelFailureCase{"RoundsDownLow", {{100, "1024.4"}}, FuelStop::Packing, {{100, 0}}, 100},
                      // Packing walks the cells upwards: the lower cell is named.
                      FuelFailureCase{
                          "TwoGroups", {{30, "1100"}, {250, "4095"}}, FuelStop::Packing, {{30, 76}, {250, 255}}, 30}),
    [](const auto& info) { return std::string(info.param.name); });

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

struct ReadOrderCase {
    const char* name;
    Family family;  // the illegal field; Family::Data with index -1: none
    int index;
    std::string text;
};

class ReadOrderTest : public StoreTest, public ::testing::WithParamInterface<ReadOrderCase> {};

TEST_P(ReadOrderTest, ReadsInStoreOrderUpToTheFirstIllegalField) {
    const ReadOrderCase& c = GetParam();
    if (c.index >= 0) texts.At(c.family, c.index) = c.text;

    std::vector<std::pair<Family, int>> expected;
    for (const oracle::ByteTable& t : oracle::kByteTables) {
        for (int i = 0; i < t.count; ++i) expected.emplace_back(t.family, i);
    }
    for (int i = 255; i >= 0; --i) expected.emplace_back(Family::Data, i);
    if (c.index >= 0) {
        const auto stop = std::find(expected.begin(), expected.end(), std::make_pair(c.family, c.index));
        ASSERT_NE(stop, expected.end());
        expected.erase(stop + 1, expected.end());
    }

    RecordingSource source(texts);
    const StoreResult result = StoreFieldsToImage(source, image);

    EXPECT_EQ(result.ok, c.index < 0);
    ASSERT_EQ(source.reads.size(), expected.size());
    for (std::size_t n = 0; n < expected.size(); ++n) {
        EXPECT_EQ(source.reads[n], expected[n]) << "read " << n;
    }
}

INSTANTIATE_TEST_SUITE_P(StopPoints, ReadOrderTest,
                         ::testing::Values(ReadOrderCase{"AllLegal", Family::Data, -1, ""},
                                           ReadOrderCase{"RevLimit", Family::RL, 0, "256"},
                                           ReadOrderCase{"WarmUpFifth", Family::WE, 5, "256"},
                                           ReadOrderCase{"IdleLast", Family::IS, 8, "-1"},
                                           ReadOrderCase{"ControlConstant", Family::CC, 0, "2"},
                                           ReadOrderCase{"FirstFuelCellRead", Family::Data, 255, "40000"},
                                           ReadOrderCase{"MiddleFuelCell", Family::Data, 200, "-1"},
                                           ReadOrderCase{"LastFuelCellRead", Family::Data, 0, "767.5"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Successful stores

TEST_F(StoreTest, LaterSuccessfulStoreOverwritesAPartialOne) {
    const std::string legal = texts.At(Family::FLE, 7);
    texts.At(Family::FLE, 7) = "256";
    ASSERT_FALSE(StoreFieldsToImage(texts, image).ok);
    texts.At(Family::FLE, 7) = legal;
    const StoreResult result = StoreFieldsToImage(texts, image);
    EXPECT_TRUE(result.ok);
    ExpectImage(oracle::Encoded(base, cal));
}

TEST(Store, RandomValuesGiveTheirBytes) {
    std::mt19937 rng(99);
    for (int round = 0; round < 2000; ++round) {
        const ImageBytes base = oracle::RandomImage(rng);
        const Calibration cal = oracle::RandomCalibration(rng);
        ImageBytes image = base;
        const StoreResult result = StoreFieldsToImage(oracle::TextsFor(cal), image);
        ASSERT_TRUE(result.ok) << result.failedTable;
        ASSERT_TRUE(SameImage(image, oracle::Encoded(base, cal))) << "round " << round;
    }
}

}  // namespace
}  // namespace tarvik::testing
