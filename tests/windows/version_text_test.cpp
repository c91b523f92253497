// SPDX-License-Identifier: GPL-3.0-or-later
#include "generated/version.h"

#include <gtest/gtest.h>

namespace tarvik::testing {
namespace {

struct VersionCase {
    int major;
    int minor;
    int revision;
    const char* expected;
};

class VersionTextTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTextTest, JoinsPlainDecimalNumbersWithDots) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(VersionText(c.major, c.minor, c.revision), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Numbers, VersionTextTest,
                         ::testing::Values(VersionCase{1, 0, 0, "Version 1.0.0"},
                                           VersionCase{12, 3, 45, "Version 12.3.45"},  // no padding, no blanks
                                           VersionCase{0, 0, 0, "Version 0.0.0"},
                                           VersionCase{10, 100, 1000, "Version 10.100.1000"},  // zeros kept inside
                                           VersionCase{2, 9, 10, "Version 2.9.10"}));

TEST(ProgramVersionText, IsTheProgramsOwnVersion) { EXPECT_EQ(ProgramVersionText(), "Version 1.0.0"); }

}  // namespace
}  // namespace tarvik::testing
