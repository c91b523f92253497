// SPDX-License-Identifier: GPL-3.0-or-later
// The demo image shipped in demo/demo.bin.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/codec.h"
#include "tests/support/image_oracle.h"
#include "tests/support/printers.h"
#include "tools/demo/demo_image.h"

namespace tarvik::testing {
namespace {

class DemoImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ifstream in(TARVIK_DEMO_IMAGE, std::ios::binary);
        const std::vector<char> file{std::istreambuf_iterator<char>(in), {}};
        ASSERT_EQ(file.size(), kImageSize) << TARVIK_DEMO_IMAGE;
        for (std::size_t i = 0; i < kImageSize; ++i) image[i] = static_cast<std::uint8_t>(file[i]);
        LoadFieldsFromImage(image, texts);
    }
    ImageBytes image{};
    FieldTexts texts;
};

TEST_F(DemoImageTest, IsWhatTheGeneratorMakes) { EXPECT_TRUE(SameImage(image, MakeDemoImage())); }

TEST_F(DemoImageTest, DecodesToValuesInRange) {
    const struct {
        Family family;
        int count;
        unsigned low;
        unsigned high;
    } ranges[] = {{Family::Data, 256, 100, 1023}, {Family::RL, 1, 1, 255}, {Family::WE, 17, 0, 255},
                  {Family::FLE, 17, 0, 255},      {Family::AE, 9, 0, 255}, {Family::IS, 9, 0, 255}};
    for (const auto& r : ranges) {
        for (int i = 0; i < r.count; ++i) {
            const std::string& text = texts.At(r.family, i);
            ASSERT_FALSE(text.empty());
            const unsigned long value = std::stoul(text);
            EXPECT_GE(value, r.low) << FamilyName(r.family) << " " << i;
            EXPECT_LE(value, r.high) << FamilyName(r.family) << " " << i;
        }
    }
    const double cc = std::stod(texts.At(Family::CC, 0));
    EXPECT_GT(cc, 0.0);
    EXPECT_LT(cc, 2.0);
}

TEST_F(DemoImageTest, FuelMapUsesTheHighBitsAndRisesWithLoadAndSpeed) {
    int above767 = 0;
    for (int k = 0; k < 256; ++k) above767 += oracle::FuelCell(image, k) > 767;
    EXPECT_GT(above767, 0);
    // Cell k is rpm row 15 - k/16 and load column 15 - k%16, so within a
    // row the value falls with k, and from row to row it falls as well.
    for (int k = 0; k < 256; ++k) {
        if (k % 16 != 15) {
            EXPECT_GT(oracle::FuelCell(image, k), oracle::FuelCell(image, k + 1)) << "cell " << k;
        }
        if (k < 240) {
            EXPECT_GT(oracle::FuelCell(image, k), oracle::FuelCell(image, k + 16)) << "cell " << k;
        }
    }
}

TEST_F(DemoImageTest, RoundTripsIdentically) {
    ImageBytes stored = image;
    ASSERT_TRUE(StoreFieldsToImage(texts, stored).ok);
    EXPECT_TRUE(SameImage(stored, image));
}

TEST_F(DemoImageTest, BytesOutsideTheTablesAreNotBlank) {
    // The filler must be visible, not a run of one value.
    int distinct[256] = {};
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (!oracle::IsTableOffset(i)) distinct[image[i]] = 1;
    }
    int values = 0;
    for (int d : distinct) values += d;
    EXPECT_GT(values, 200);
}

}  // namespace
}  // namespace tarvik::testing
