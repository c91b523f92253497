// SPDX-License-Identifier: GPL-3.0-or-later
// Decoding an image into the 310 field texts.

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "image/codec.h"
#include "tests/support/image_oracle.h"
#include "tests/support/printers.h"

namespace tarvik::testing {
namespace {

using oracle::FuelCell;

[[nodiscard]] FieldTexts Decode(const ImageBytes& image) {
    FieldTexts texts;
    LoadFieldsFromImage(image, texts);
    return texts;
}

// ---------------------------------------------------------------------------
// ByteToBits

struct BitsCase {
    unsigned value;
    const char* bits;
};

class ByteToBitsTest : public ::testing::TestWithParam<BitsCase> {};

TEST_P(ByteToBitsTest, GivesBinaryDigitsWithoutLeadingZeros) {
    EXPECT_EQ(ByteToBits(GetParam().value), GetParam().bits);
}

INSTANTIATE_TEST_SUITE_P(Values, ByteToBitsTest,
                         ::testing::Values(BitsCase{0, "0"}, BitsCase{1, "1"}, BitsCase{2, "10"}, BitsCase{6, "110"},
                                           BitsCase{64, "1000000"}, BitsCase{128, "10000000"},
                                           BitsCase{228, "11100100"}, BitsCase{255, "11111111"},
                                           BitsCase{256, "100000000"}, BitsCase{1023, "1111111111"},
                                           BitsCase{1024, "10000000000"}, BitsCase{65535, "1111111111111111"}));

TEST(ByteToBits, ReadsBackAsTheSameNumberForEveryByte) {
    for (unsigned v = 0; v < 4096; ++v) {
        const std::string bits = ByteToBits(v);
        ASSERT_FALSE(bits.empty());
        EXPECT_TRUE(bits == "0" || bits.front() == '1') << v << " -> " << bits;
        EXPECT_EQ(std::strtoul(bits.c_str(), nullptr, 2), v) << bits;
    }
}

// ---------------------------------------------------------------------------
// Fuel-map cells from low bytes and packed high bits

struct FuelDecodeCase {
    const char* name;
    std::vector<std::pair<std::size_t, std::uint8_t>> bytes;  // set on an all-zero image
    std::vector<std::pair<int, const char*>> cells;           // expected texts
};

class FuelDecodeTest : public ::testing::TestWithParam<FuelDecodeCase> {};

TEST_P(FuelDecodeTest, ShowsTheCellValues) {
    ImageBytes image{};
    for (const auto& [offset, value] : GetParam().bytes) image[offset] = value;
    const FieldTexts texts = Decode(image);
    for (const auto& [cell, text] : GetParam().cells) {
        EXPECT_EQ(texts.At(Family::Data, cell), text) << "cell " << cell;
    }
}

INSTANTIATE_TEST_SUITE_P(
    PackedBits, FuelDecodeTest,
    ::testing::Values(
        FuelDecodeCase{"LowestBitsBelongToTheFourthCell", {{2304, 0x01}}, {{0, "0"}, {1, "0"}, {2, "0"}, {3, "256"}}},
        FuelDecodeCase{"EachPairToItsCell",
                       {{2304, 0xE4}, {768, 0x10}, {769, 0x10}, {770, 0x10}, {771, 0x10}},
                       {{0, "784"}, {1, "528"}, {2, "272"}, {3, "16"}, {4, "0"}}},
        FuelDecodeCase{"LastCellOfTheMap",
                       {{2367, 0xFF}, {1023, 0xFF}},
                       {{255, "1023"}, {254, "768"}, {253, "768"}, {252, "768"}, {251, "0"}}},
        FuelDecodeCase{"Bit6IsWorth256ToTheFirstCell",
                       {{2304, 0x40}, {768, 7}, {769, 9}},
                       {{0, "263"}, {1, "9"}, {2, "0"}, {3, "0"}}},
        FuelDecodeCase{"Bit7IsWorth512ToTheFirstCell", {{2304, 0x80}}, {{0, "512"}, {1, "0"}}},
        FuelDecodeCase{"FullValueShownInFull", {{2304, 0xC0}, {768, 0xFF}}, {{0, "1023"}, {1, "0"}}},
        FuelDecodeCase{"SecondGroupStartsAtCellFour",
                       {{2305, 0x1B}, {772, 1}},
                       {{3, "0"}, {4, "1"}, {5, "256"}, {6, "512"}, {7, "768"}, {8, "0"}}},
        FuelDecodeCase{"LowByteOnlyOfTheLastCell", {{1023, 0x2A}}, {{255, "42"}, {0, "0"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Decode, AllZeroImageShowsZeroEverywhere) {
    const FieldTexts texts = Decode(ImageBytes{});
    for (const auto& table : kStoreOrder) {
        if (table.family == Family::CC) continue;
        for (int i = 0; i < table.count; ++i) EXPECT_EQ(texts.At(table.family, i), "0") << table.name << " " << i;
    }
    EXPECT_EQ(texts.At(Family::CC, 0), "0.00");
}

TEST(Decode, EveryCellMatchesItsBytesInRandomImages) {
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const ImageBytes image = oracle::RandomImage(rng);
        const FieldTexts texts = Decode(image);
        const FieldTexts shown = oracle::ShownTexts(image);
        for (const oracle::FieldRef& f : oracle::AllFields()) {
            ASSERT_EQ(texts.At(f.family, f.index), shown.At(f.family, f.index))
                << FamilyName(f.family) << " " << f.index;
        }
    }
}

// ---------------------------------------------------------------------------
// Control constant text

struct ControlConstantCase {
    std::uint8_t byte;
    const char* text;
};

class ControlConstantTextTest : public ::testing::TestWithParam<ControlConstantCase> {};

TEST_P(ControlConstantTextTest, ShowsByteOver128) {
    ImageBytes image{};
    image[3235] = GetParam().byte;
    EXPECT_EQ(Decode(image).At(Family::CC, 0), GetParam().text);
    EXPECT_EQ(ControlConstantText(GetParam().byte), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Forms, ControlConstantTextTest,
                         ::testing::Values(ControlConstantCase{0, "0.00"}, ControlConstantCase{128, "1.00"},
                                           ControlConstantCase{64, "0.5"}, ControlConstantCase{1, "0.0078125"},
                                           ControlConstantCase{192, "1.5"}, ControlConstantCase{255, "1.9921875"},
                                           ControlConstantCase{38, "0.296875"}, ControlConstantCase{32, "0.25"},
                                           ControlConstantCase{129, "1.0078125"}, ControlConstantCase{16, "0.125"}));

TEST(ControlConstantText, EveryByteReadsBackExactlyWithoutSpareZeros) {
    const std::regex form(R"(^[01]\.[0-9]+$)");
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::string text = ControlConstantText(static_cast<std::uint8_t>(byte));
        EXPECT_EQ(text, oracle::ControlConstantShown(byte));
        EXPECT_TRUE(std::regex_match(text, form)) << text;
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), byte / 128.0) << text;
        EXPECT_LE(text.size(), 9u) << text;
        if (byte == 0 || byte == 128) {
            EXPECT_EQ(text.substr(1), ".00");
        } else {
            EXPECT_NE(text.back(), '0') << text;
        }
    }
}

// ---------------------------------------------------------------------------
// Text forms over whole images

TEST(Decode, NoTextHasASignBlankOrLeadingZero) {
    const std::regex integer(R"(^(0|[1-9][0-9]*)$)");
    std::mt19937 rng(11);
    std::vector<ImageBytes> images{ImageBytes{}};
    ImageBytes full;
    full.fill(0xFF);
    images.push_back(full);
    for (int i = 0; i < 50; ++i) images.push_back(oracle::RandomImage(rng));
    for (const ImageBytes& image : images) {
        const FieldTexts texts = Decode(image);
        for (const auto& table : kStoreOrder) {
            if (table.family == Family::CC) continue;
            const unsigned limit = table.family == Family::Data ? 1023 : 255;
            for (int i = 0; i < table.count; ++i) {
                const std::string& text = texts.At(table.family, i);
                ASSERT_TRUE(std::regex_match(text, integer)) << table.name << " " << i << ": '" << text << "'";
                ASSERT_LE(std::stoul(text), limit);
            }
        }
        const std::string& cc = texts.At(Family::CC, 0);
        ASSERT_EQ(cc.find_first_of(" +-\t"), std::string::npos) << cc;
    }
}

TEST(Decode, BytesOutsideTheTablesChangeNoField) {
    std::mt19937 rng(3);
    const ImageBytes base = oracle::RandomImage(rng);
    const FieldTexts expected = Decode(base);
    int checked = 0;
    for (std::size_t offset = 0; offset < kImageSize; ++offset) {
        if (oracle::IsTableOffset(offset)) continue;
        for (std::uint8_t flip : {std::uint8_t{0x01}, std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
            ImageBytes image = base;
            image[offset] ^= flip;
            const FieldTexts texts = Decode(image);
            for (const auto& table : kStoreOrder) {
                for (int i = 0; i < table.count; ++i) {
                    ASSERT_EQ(texts.At(table.family, i), expected.At(table.family, i))
                        << "offset " << offset << " changed " << table.name << " " << i;
                }
            }
        }
        ++checked;
    }
    EXPECT_EQ(checked, 4096 - 374);
}

TEST(Decode, EveryTableByteChangesItsOwnField) {
    // The counterpart of the test above: a decoder that reads a shifted
    // offset would leave some table byte without effect.
    std::mt19937 rng(5);
    const ImageBytes base = oracle::RandomImage(rng);
    const FieldTexts before = Decode(base);
    for (std::size_t offset : oracle::TableOffsets()) {
        ImageBytes image = base;
        image[offset] ^= 0xFF;
        const FieldTexts after = Decode(image);
        int changed = 0;
        for (const auto& table : kStoreOrder) {
            for (int i = 0; i < table.count; ++i) changed += after.At(table.family, i) != before.At(table.family, i);
        }
        // A low byte or a single byte changes one field; a packed byte
        // changes the four cells of its group.
        const bool packed = offset >= 2304 && offset < 2368;
        EXPECT_EQ(changed, packed ? 4 : 1) << "offset " << offset;
    }
}

// ---------------------------------------------------------------------------
// Order of the field updates

class RecordingSink final : public FieldSink {
public:
    void SetFieldText(Family family, int index, std::string_view text) override {
        calls.emplace_back(family, index, std::string(text));
    }
    std::vector<std::tuple<Family, int, std::string>> calls;
};

TEST(Decode, FillsTheFuelMapFirstAndTheControlConstantLast) {
    // The fuel map's cells 0..255, then rev limit, warm-up, full load,
    // acceleration, idle speed and the control constant, each from cell 0.
    const std::array<oracle::FieldRef, 310> expected = oracle::AllFields();

    std::mt19937 rng(1);
    const ImageBytes image = oracle::RandomImage(rng);
    RecordingSink sink;
    LoadFieldsFromImage(image, sink);
    ASSERT_EQ(sink.calls.size(), 310u);
    for (std::size_t n = 0; n < expected.size(); ++n) {
        const auto& [family, index, text] = sink.calls[n];
        EXPECT_EQ(family, expected[n].family) << "call " << n;
        EXPECT_EQ(index, expected[n].index) << "call " << n;
    }
    // The recorded texts are the decoded ones, not placeholders.
    EXPECT_EQ(std::get<2>(sink.calls[0]), std::to_string(FuelCell(image, 0)));
    EXPECT_EQ(std::get<2>(sink.calls[256]), std::to_string(image[1438]));
    EXPECT_EQ(std::get<2>(sink.calls[309]), oracle::ControlConstantShown(image[3235]));
}

}  // namespace
}  // namespace tarvik::testing
