// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-image properties: the table layout, decode-then-store giving back
// every byte, and stores never touching a byte outside the tables.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/codec.h"
#include "tests/support/image_oracle.h"
#include "tests/support/printers.h"

namespace tarvik::testing {
namespace {

[[nodiscard]] ImageBytes DecodeAndStore(const ImageBytes& image) {
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    ImageBytes stored = image;
    const StoreResult result = StoreFieldsToImage(texts, stored);
    EXPECT_TRUE(result.ok) << result.failedTable->name;
    return stored;
}

// ---------------------------------------------------------------------------
// Layout

// Every offset, so every edge of the eight ranges too.
TEST(Layout, ExactlyTheEightRangesAreTableBytes) {
    int count = 0;
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        EXPECT_EQ(IsTableByte(offset), oracle::IsTableOffset(offset)) << "offset " << offset;
        count += IsTableByte(offset);
    }
    EXPECT_EQ(count, 374);
    EXPECT_EQ(kTableByteCount, 374);
    EXPECT_EQ(oracle::TableOffsets().size(), 374u);
}

TEST(Layout, FieldCountsPerTable) {
    const struct {
        Family family;
        int count;
    } families[] = {{Family::Data, 256}, {Family::RL, 1}, {Family::WE, 17}, {Family::FLE, 17},
                    {Family::AE, 9},     {Family::IS, 9}, {Family::CC, 1}};
    int total = 0;
    for (const auto& f : families) {
        EXPECT_EQ(FieldCount(f.family), f.count) << static_cast<int>(f.family);
        total += f.count;
    }
    EXPECT_EQ(total, 310);
    EXPECT_EQ(kFieldCount, 310);
}

// ---------------------------------------------------------------------------
// Decode, store unchanged: the same 4096 bytes

// Every value of every table byte, one at a time, in a random image.
TEST(RoundTrip, EveryValueOfEveryTableByte) {
    std::mt19937 rng(31337);
    const ImageBytes base = oracle::RandomImage(rng);
    int checked = 0;
    for (std::size_t offset : oracle::TableOffsets()) {
        for (int value = 0; value < 256; ++value) {
            ImageBytes image = base;
            image[offset] = static_cast<std::uint8_t>(value);
            ASSERT_TRUE(SameImage(DecodeAndStore(image), image)) << "offset " << offset << " value " << value;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 374 * 256);
}

TEST(RoundTrip, RandomImagesByteForByte) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 10000; ++round) {
        const ImageBytes image = oracle::RandomImage(rng);
        const ImageBytes stored = DecodeAndStore(image);
        ASSERT_TRUE(SameImage(stored, image)) << "round " << round;
    }
}

TEST(RoundTrip, StoreIntoAnotherImageRebuildsTheTables) {
    // The decoded texts carry every table byte: stored into an unrelated
    // image they rebuild the tables there and nothing else.
    std::mt19937 rng(77);
    for (int round = 0; round < 500; ++round) {
        const ImageBytes source = oracle::RandomImage(rng);
        const ImageBytes target = oracle::RandomImage(rng);
        FieldTexts texts;
        LoadFieldsFromImage(source, texts);
        ImageBytes stored = target;
        ASSERT_TRUE(StoreFieldsToImage(texts, stored).ok);
        for (std::size_t offset = 0; offset < kImageSize; ++offset) {
            ASSERT_EQ(stored[offset], oracle::IsTableOffset(offset) ? source[offset] : target[offset])
                << "round " << round << ", offset " << offset;
        }
    }
}

// ---------------------------------------------------------------------------
// A store, successful or not, writes only table bytes

[[nodiscard]] std::string RandomText(std::mt19937& rng) {
    static const std::string huge = "1" + std::string(400, '0');
    static const std::string tiny = "0." + std::string(400, '0') + "1";
    static const std::string odd[] = {"",     "-1",  "256",  "255.5", "1024",  "40000", "1023.7", "767.5",
                                      "-0.6", "abc", "1e3",  "0x10",  ".",     "-",     "2",      "1.9961",
                                      "1 2",  " ",   "\t\n", "1.2.3", "32768", huge,    tiny};
    std::uniform_int_distribution<int> kind(0, 9);
    switch (kind(rng)) {
        case 0:
        case 1:
            return odd[std::uniform_int_distribution<std::size_t>(0, std::size(odd) - 1)(rng)];
        case 2:
            return std::to_string(std::uniform_int_distribution<int>(-2000, 70000)(rng));
        case 3:
            return std::to_string(std::uniform_real_distribution<double>(-2.0, 1100.0)(rng));
        default:
            return std::to_string(std::uniform_int_distribution<int>(0, 255)(rng));
    }
}

TEST(Store, NeverChangesAByteOutsideTheTables) {
    std::mt19937 rng(555);
    std::bernoulli_distribution rare(0.02);
    int failed = 0;
    int succeeded = 0;
    for (int round = 0; round < 5000; ++round) {
        const ImageBytes before = oracle::RandomImage(rng);
        FieldTexts texts;
        LoadFieldsFromImage(before, texts);  // mostly legal, so stores reach every table
        for (const auto& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) {
                if (rare(rng)) texts.At(table.family, i) = RandomText(rng);
            }
        }
        ImageBytes image = before;
        const StoreResult result = StoreFieldsToImage(texts, image);
        (result.ok ? succeeded : failed) += 1;
        for (std::size_t offset = 0; offset < kImageSize; ++offset) {
            if (!oracle::IsTableOffset(offset)) {
                ASSERT_EQ(image[offset], before[offset]) << "round " << round << ", offset " << offset;
            }
        }
    }
    // Both outcomes must have been exercised for the property to mean much.
    EXPECT_GT(failed, 500);
    EXPECT_GT(succeeded, 500);
}

}  // namespace
}  // namespace tarvik::testing
