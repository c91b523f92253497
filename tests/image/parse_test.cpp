// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a field's text as a number, and turning a number into a byte.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "image/codec.h"

namespace tarvik::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct ParseCase {
    std::string text;
    double value;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << "'" << c.text << "' -> " << c.value; }

class ParseLeadingNumberTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseLeadingNumberTest, ReadsTheLeadingNumber) {
    const double parsed = ParseLeadingNumber(GetParam().text);
    EXPECT_EQ(parsed, GetParam().value);
}

const std::string kHundredZeros(100, '0');
const std::string kFourHundredZeros(400, '0');

INSTANTIATE_TEST_SUITE_P(Plain, ParseLeadingNumberTest,
                         ::testing::Values(ParseCase{"0", 0}, ParseCase{"7", 7}, ParseCase{"255", 255},
                                           ParseCase{"1023", 1023}, ParseCase{"007", 7}, ParseCase{"12.75", 12.75},
                                           ParseCase{"1.9921875", 1.9921875}, ParseCase{"0.0078125", 0.0078125},
                                           ParseCase{".5", 0.5}, ParseCase{"5.", 5}, ParseCase{"0.3", 0.3},
                                           ParseCase{"1.99", 1.99}));

INSTANTIATE_TEST_SUITE_P(Blanks, ParseLeadingNumberTest,
                         ::testing::Values(ParseCase{"1 2", 12}, ParseCase{"  42  ", 42}, ParseCase{"\t1\n2\t", 12},
                                           ParseCase{"1 . 5", 1.5}, ParseCase{"- 3", -3}, ParseCase{"9 9 9", 999},
                                           ParseCase{" \t\n", 0}));

INSTANTIATE_TEST_SUITE_P(Signs, ParseLeadingNumberTest,
                         ::testing::Values(ParseCase{"+5", 5}, ParseCase{"-5", -5}, ParseCase{"-0.6", -0.6},
                                           ParseCase{"-.5", -0.5}, ParseCase{"+.25", 0.25}, ParseCase{"-", 0},
                                           ParseCase{"+", 0}, ParseCase{"--5", 0}, ParseCase{"+-5", 0},
                                           ParseCase{"5-", 5}, ParseCase{"1+1", 1}));

INSTANTIATE_TEST_SUITE_P(StopsAtTheFirstOtherCharacter, ParseLeadingNumberTest,
                         ::testing::Values(ParseCase{"1.2.3", 1.2}, ParseCase{"..5", 0}, ParseCase{"12abc", 12},
                                           ParseCase{"abc", 0}, ParseCase{"a1", 0}, ParseCase{"", 0}, ParseCase{".", 0},
                                           ParseCase{"-.", 0}, ParseCase{"1,5", 1}, ParseCase{"1e3", 1},
                                           ParseCase{"2E-1", 2}, ParseCase{"0x10", 0}, ParseCase{"0b11", 0},
                                           ParseCase{"inf", 0}, ParseCase{"nan", 0},
                                           ParseCase{"1\xC3\xA9"
                                                     "2",
                                                     1},
                                           ParseCase{"\xC3\xA9"
                                                     "12",
                                                     0}));

INSTANTIATE_TEST_SUITE_P(
    LongTexts, ParseLeadingNumberTest,
    ::testing::Values(ParseCase{"1" + kFourHundredZeros, kInf}, ParseCase{"-1" + kFourHundredZeros, -kInf},
                      ParseCase{"0001" + kFourHundredZeros + ".5", kInf}, ParseCase{"1" + kHundredZeros, 1e100},
                      ParseCase{"0." + kFourHundredZeros + "1", 0}, ParseCase{"." + kFourHundredZeros + "1", 0},
                      ParseCase{"-0." + kFourHundredZeros + "1", 0}, ParseCase{kFourHundredZeros + "12", 12},
                      ParseCase{"3." + kFourHundredZeros + "1", 3}, ParseCase{"1.5" + kFourHundredZeros, 1.5}));

// ---------------------------------------------------------------------------

struct ByteCase {
    double value;
    std::optional<int> byte;  // nothing: illegal
};

void PrintTo(const ByteCase& c, std::ostream* os) {
    *os << c.value << " -> " << (c.byte ? std::to_string(*c.byte) : std::string("illegal"));
}

class ConvertToByteTest : public ::testing::TestWithParam<ByteCase> {};

TEST_P(ConvertToByteTest, RoundsHalfToEvenWithinRange) {
    const std::optional<std::uint8_t> byte = ConvertToByte(GetParam().value);
    ASSERT_EQ(byte.has_value(), GetParam().byte.has_value());
    if (byte) {
        EXPECT_EQ(*byte, *GetParam().byte);
    }
}

INSTANTIATE_TEST_SUITE_P(Halves, ConvertToByteTest,
                         ::testing::Values(ByteCase{0.5, 0}, ByteCase{1.5, 2}, ByteCase{2.5, 2}, ByteCase{3.5, 4},
                                           ByteCase{127.5, 128}, ByteCase{128.5, 128}, ByteCase{254.5, 254},
                                           ByteCase{255.5, std::nullopt}, ByteCase{-0.5, 0},
                                           ByteCase{-1.5, std::nullopt}));

INSTANTIATE_TEST_SUITE_P(Nearest, ConvertToByteTest,
                         ::testing::Values(ByteCase{0, 0}, ByteCase{-0.0, 0}, ByteCase{0.49999999999999994, 0},
                                           ByteCase{0.5000001, 1}, ByteCase{1.4999999, 1}, ByteCase{2.6, 3},
                                           ByteCase{254.72, 255}, ByteCase{255, 255}, ByteCase{255.4, 255},
                                           ByteCase{255.49999999, 255}, ByteCase{-0.4, 0}, ByteCase{-0.6, std::nullopt},
                                           ByteCase{-1, std::nullopt}, ByteCase{256, std::nullopt},
                                           ByteCase{255.500001, std::nullopt}, ByteCase{1e300, std::nullopt},
                                           ByteCase{4294967296.0, std::nullopt},
                                           ByteCase{-4294967296.0, std::nullopt}));

INSTANTIATE_TEST_SUITE_P(NotFinite, ConvertToByteTest,
                         ::testing::Values(ByteCase{kInf, std::nullopt}, ByteCase{-kInf, std::nullopt},
                                           ByteCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt}));

TEST(ConvertToByte, EveryWholeByteValueIsKept) {
    for (int v = 0; v < 256; ++v) {
        const auto byte = ConvertToByte(static_cast<double>(v));
        ASSERT_TRUE(byte.has_value()) << v;
        EXPECT_EQ(*byte, v);
        // Just inside the half-way marks on either side the value still
        // rounds to v.
        const auto below = ConvertToByte(v - 0.4999);
        const auto above = ConvertToByte(v + 0.4999);
        ASSERT_TRUE(below && above) << v;
        EXPECT_EQ(*below, v);
        EXPECT_EQ(*above, v);
    }
}

}  // namespace
}  // namespace tarvik::testing
