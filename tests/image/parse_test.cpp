// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a field's text as a number, and turning a number into a byte.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>
#include <string>

#include "image/codec.h"

namespace tarvik::testing {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr std::optional<int> kIllegal;

struct ParseCase {
    std::string text;
    double value;
};

// The editor hands its fields over as UTF-16: an ASCII text reads the same
// in either form.
void ExpectParsed(std::span<const ParseCase> cases) {
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseLeadingNumber(c.text), c.value) << "'" << c.text << "'";
        if (std::any_of(c.text.begin(), c.text.end(), [](char ch) { return ch < 0; })) continue;
        EXPECT_EQ(ParseLeadingNumber(std::u16string(c.text.begin(), c.text.end())), c.value)
            << "UTF-16 '" << c.text << "'";
    }
}

TEST(ParseLeadingNumber, ReadsTheLeadingNumber) {
    const ParseCase plain[] = {{"0", 0},    {"7", 7},  {"255", 255}, {"1023", 1023}, {"007", 7},
                               {".5", 0.5}, {"5.", 5}, {"0.3", 0.3}, {"1.99", 1.99}, {"12.75", 12.75}};
    const ParseCase steps[] = {{"1.9921875", 1.9921875}, {"0.0078125", 0.0078125}};
    const ParseCase blanks[] = {{"1 2", 12}, {"  42  ", 42}, {"\t1\n2\t", 12}, {"1 . 5", 1.5},
                                {"- 3", -3}, {"9 9 9", 999}, {" \t\n", 0}};
    const ParseCase signs[] = {{"+5", 5}, {"-5", -5}, {"-0.6", -0.6}, {"-.5", -0.5}, {"+.25", 0.25}, {"-", 0},
                               {"+", 0},  {"--5", 0}, {"+-5", 0},     {"5-", 5},     {"1+1", 1}};
    const ParseCase stops[] = {{"1.2.3", 1.2}, {"..5", 0}, {"12abc", 12}, {"abc", 0},      {"a1", 0},      {"", 0},
                               {".", 0},       {"-.", 0},  {"1,5", 1},    {"1e3", 1},      {"2E-1", 2},    {"0x10", 0},
                               {"0b11", 0},    {"inf", 0}, {"nan", 0},    {"1\u00e92", 1}, {"\u00e912", 0}};
    const std::string zeros(400, '0');
    const ParseCase longTexts[] = {{"1" + zeros, kInf},           {"-1" + zeros, -kInf},
                                   {"0001" + zeros + ".5", kInf}, {"1" + std::string(100, '0'), 1e100},
                                   {"0." + zeros + "1", 0},       {"." + zeros + "1", 0},
                                   {"-0." + zeros + "1", 0},      {zeros + "12", 12},
                                   {"3." + zeros + "1", 3},       {"1.5" + zeros, 1.5}};
    ExpectParsed(plain);
    ExpectParsed(steps);
    ExpectParsed(blanks);
    ExpectParsed(signs);
    ExpectParsed(stops);
    ExpectParsed(longTexts);

    // Beyond ASCII, a UTF-16 code unit ends the number as its UTF-8 bytes do;
    // so do look-alike digits and points, and either half of a pair.
    const struct {
        std::u16string text;
        double value;
    } wide[] = {{u"1\u00e92", 1}, {u"\u00e912", 0}, {u"\uff11", 0}, {u"1\uff0e5", 1}, {u"7\U0001F6002", 7}};
    for (const auto& c : wide) EXPECT_EQ(ParseLeadingNumber(c.text), c.value) << c.value;
}

struct ByteCase {
    double value;
    std::optional<int> byte;  // kIllegal: refused
};

void ExpectConverted(std::span<const ByteCase> cases) {
    for (const ByteCase& c : cases) {
        const std::optional<std::uint8_t> byte = ConvertToByte(c.value);
        EXPECT_EQ(byte ? std::optional<int>(*byte) : kIllegal, c.byte) << c.value;
    }
}

TEST(ConvertToByte, RoundsHalfToEvenWithinRange) {
    const ByteCase halves[] = {{0.5, 0},     {1.5, 2},     {2.5, 2},          {3.5, 4},  {127.5, 128},
                               {128.5, 128}, {254.5, 254}, {255.5, kIllegal}, {-0.5, 0}, {-1.5, kIllegal}};
    const ByteCase nearest[] = {{0, 0},    {-0.0, 0},        {0.5000001, 1}, {1.4999999, 1},
                                {2.6, 3},  {254.72, 255},    {255, 255},     {255.4, 255},
                                {-0.4, 0}, {-0.6, kIllegal}, {-1, kIllegal}, {256, kIllegal}};
    const ByteCase edges[] = {{0.49999999999999994, 0}, {255.49999999, 255},      {255.500001, kIllegal},
                              {1e300, kIllegal},        {4294967296.0, kIllegal}, {-4294967296.0, kIllegal},
                              {kInf, kIllegal},         {-kInf, kIllegal},        {std::nan(""), kIllegal}};
    ExpectConverted(halves);
    ExpectConverted(nearest);
    ExpectConverted(edges);
}

TEST(ConvertToByte, EveryWholeByteValueIsKept) {
    for (int v = 0; v < 256; ++v) {
        // Just inside the half-way marks on either side the value still
        // rounds to v.
        for (const double x : {v - 0.4999, v + 0.0, v + 0.4999}) {
            const auto byte = ConvertToByte(x);
            ASSERT_TRUE(byte.has_value()) << x;
            EXPECT_EQ(*byte, v) << x;
        }
    }
}

}  // namespace
}  // namespace tarvik::testing
