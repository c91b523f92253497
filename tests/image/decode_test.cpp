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

// The fields whose texts differ, by name.
[[nodiscard]] std::vector<std::string> Changed(const FieldTexts& a, const FieldTexts& b) {
    std::vector<std::string> changed;
    for (const oracle::FieldRef& f : oracle::AllFields()) {
        if (a.At(f.family, f.index) != b.At(f.family, f.index)) {
            changed.push_back(std::string(FamilyName(f.family)) + " " + std::to_string(f.index));
        }
    }
    return changed;
}

TEST(ByteToBits, GivesBinaryDigitsWithoutLeadingZeros) {
    const struct {
        unsigned value;
        const char* bits;
    } cases[] = {{0, "0"},
                 {1, "1"},
                 {2, "10"},
                 {6, "110"},
                 {64, "1000000"},
                 {128, "10000000"},
                 {228, "11100100"},
                 {255, "11111111"},
                 {256, "100000000"},
                 {1023, "1111111111"},
                 {1024, "10000000000"},
                 {65535, "1111111111111111"}};
    for (const auto& c : cases) EXPECT_EQ(ByteToBits(c.value), c.bits) << c.value;
}

TEST(ByteToBits, ReadsBackAsTheSameNumberForEveryByte) {
    for (unsigned v = 0; v < 4096; ++v) {
        const std::string bits = ByteToBits(v);
        ASSERT_FALSE(bits.empty());
        EXPECT_TRUE(bits == "0" || bits.front() == '1') << v << " -> " << bits;
        EXPECT_EQ(std::strtoul(bits.c_str(), nullptr, 2), v) << bits;
    }
}

// Fuel-map cells from low bytes and packed high bits, on an all-zero image.
TEST(Decode, FuelCellsFromLowBytesAndPackedBits) {
    const struct {
        const char* name;
        std::vector<std::pair<std::size_t, std::uint8_t>> bytes;
        std::vector<std::pair<int, const char*>> cells;  // expected texts
    } cases[] = {
        {"LowestBitsBelongToTheFourthCell", {{2304, 0x01}}, {{0, "0"}, {1, "0"}, {2, "0"}, {3, "256"}}},
        {"EachPairToItsCell",
         {{2304, 0xE4}, {768, 0x10}, {769, 0x10}, {770, 0x10}, {771, 0x10}},
         {{0, "784"}, {1, "528"}, {2, "272"}, {3, "16"}, {4, "0"}}},
        {"LastCellOfTheMap",
         {{2367, 0xFF}, {1023, 0xFF}},
         {{255, "1023"}, {254, "768"}, {253, "768"}, {252, "768"}, {251, "0"}}},
        {"Bit6IsWorth256ToTheFirstCell",
         {{2304, 0x40}, {768, 7}, {769, 9}},
         {{0, "263"}, {1, "9"}, {2, "0"}, {3, "0"}}},
        {"Bit7IsWorth512ToTheFirstCell", {{2304, 0x80}}, {{0, "512"}, {1, "0"}}},
        {"FullValueShownInFull", {{2304, 0xC0}, {768, 0xFF}}, {{0, "1023"}, {1, "0"}}},
        {"SecondGroupStartsAtCellFour",
         {{2305, 0x1B}, {772, 1}},
         {{3, "0"}, {4, "1"}, {5, "256"}, {6, "512"}, {7, "768"}, {8, "0"}}},
        {"LowByteOnlyOfTheLastCell", {{1023, 0x2A}}, {{255, "42"}, {0, "0"}}},
    };
    for (const auto& c : cases) {
        ImageBytes image{};
        for (const auto& [offset, value] : c.bytes) image[offset] = value;
        const FieldTexts texts = Decode(image);
        for (const auto& [cell, text] : c.cells)
            EXPECT_EQ(texts.At(Family::Data, cell), text) << c.name << " cell " << cell;
    }
}

// All zeros, all ones and random images: every field shows what the oracle
// reads from its bytes, as a plain number without sign, blank or leading zero.
TEST(Decode, EveryFieldShowsItsBytesInPlainForm) {
    const std::regex integer(R"(^(0|[1-9][0-9]*)$)");
    std::mt19937 rng(7);
    std::vector<ImageBytes> images{ImageBytes{}};
    images.emplace_back().fill(0xFF);
    for (int i = 0; i < 200; ++i) images.push_back(oracle::RandomImage(rng));
    for (const ImageBytes& image : images) {
        const FieldTexts texts = Decode(image);
        const FieldTexts shown = oracle::ShownTexts(image);
        for (const oracle::FieldRef& f : oracle::AllFields()) {
            const std::string& text = texts.At(f.family, f.index);
            ASSERT_EQ(text, shown.At(f.family, f.index)) << FamilyName(f.family) << " " << f.index;
            if (f.family == Family::CC) {
                ASSERT_EQ(text.find_first_of(" +-\t"), std::string::npos) << text;
                continue;
            }
            ASSERT_TRUE(std::regex_match(text, integer))
                << FamilyName(f.family) << " " << f.index << ": '" << text << "'";
            ASSERT_LE(std::stoul(text), f.family == Family::Data ? 1023u : 255u);
        }
    }
}

TEST(ControlConstantText, ShowsByteOver128) {
    const struct {
        std::uint8_t byte;
        const char* text;
    } cases[] = {{0, "0.00"},        {128, "1.00"},    {64, "0.5"},  {1, "0.0078125"},   {192, "1.5"},
                 {255, "1.9921875"}, {38, "0.296875"}, {32, "0.25"}, {129, "1.0078125"}, {16, "0.125"}};
    for (const auto& c : cases) {
        ImageBytes image{};
        image[3235] = c.byte;
        EXPECT_EQ(Decode(image).At(Family::CC, 0), c.text) << int{c.byte};
        EXPECT_EQ(ControlConstantText(c.byte), c.text) << int{c.byte};
    }
}

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
            ASSERT_EQ(Changed(Decode(image), expected), std::vector<std::string>{}) << "offset " << offset;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 4096 - 374);
}

// The counterpart of the test above: a decoder that reads a shifted offset
// would leave some table byte without effect.
TEST(Decode, EveryTableByteChangesItsOwnField) {
    std::mt19937 rng(5);
    const ImageBytes base = oracle::RandomImage(rng);
    const FieldTexts before = Decode(base);
    for (std::size_t offset : oracle::TableOffsets()) {
        ImageBytes image = base;
        image[offset] ^= 0xFF;
        // A packed byte changes the four cells of its group, any other one field.
        const bool packed = offset >= 2304 && offset < 2368;
        EXPECT_EQ(Changed(Decode(image), before).size(), packed ? 4u : 1u) << "offset " << offset;
    }
}

class RecordingSink final : public FieldSink {
public:
    void SetFieldText(Family family, int index, std::string_view text) override {
        calls.emplace_back(family, index, std::string(text));
    }
    std::vector<std::tuple<Family, int, std::string>> calls;
};

// The fuel map's cells 0..255, then rev limit, warm-up, full load,
// acceleration, idle speed and the control constant, each from cell 0.
TEST(Decode, FillsTheFuelMapFirstAndTheControlConstantLast) {
    const std::array<oracle::FieldRef, 310> expected = oracle::AllFields();
    std::mt19937 rng(1);
    const ImageBytes image = oracle::RandomImage(rng);
    RecordingSink sink;
    LoadFieldsFromImage(image, sink);
    ASSERT_EQ(sink.calls.size(), 310u);
    for (std::size_t n = 0; n < expected.size(); ++n) {
        EXPECT_EQ(std::get<0>(sink.calls[n]), expected[n].family) << "call " << n;
        EXPECT_EQ(std::get<1>(sink.calls[n]), expected[n].index) << "call " << n;
    }
    // The recorded texts are the decoded ones, not placeholders.
    EXPECT_EQ(std::get<2>(sink.calls[0]), std::to_string(FuelCell(image, 0)));
    EXPECT_EQ(std::get<2>(sink.calls[256]), std::to_string(image[1438]));
    EXPECT_EQ(std::get<2>(sink.calls[309]), oracle::ControlConstantShown(image[3235]));
}

}  // namespace
}  // namespace tarvik::testing
