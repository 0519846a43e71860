#include "core/AsciiText.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using namespace quorvel;

namespace {

struct TrimCase
{
    std::string_view text;
    std::string_view blanks;
    std::string_view expected;
};

class TrimBlanks : public ::testing::TestWithParam<TrimCase>
{
};

TEST_P(TrimBlanks, removesOnlyTheGivenCharactersAtBothEnds)
{
    const TrimCase& c = GetParam();
    EXPECT_EQ(trimBlanks(c.text, c.blanks), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, TrimBlanks,
                         ::testing::Values(TrimCase{"", " \t\r\v\f", ""}, TrimCase{" \t\r\v\f", " \t\r\v\f", ""},
                                           TrimCase{"\t key = a b \r", " \t\r\v\f", "key = a b"},
                                           TrimCase{"x", " \t\r\v\f", "x"}, TrimCase{"\nx\n", " \t\r\v\f", "\nx\n"},
                                           TrimCase{"  /usr/bin/b r  ", " ", "/usr/bin/b r"},
                                           TrimCase{"\t/usr/bin/b ", " ", "\t/usr/bin/b"}));

TEST(AsciiText, defaultBlanksAreTheLineBlanks)
{
    EXPECT_EQ(trimBlanks(" \t\v\fvalue\f\v\t\r "), "value");
}

TEST(AsciiText, lowerChangesOnlyTheCapitalsAToZ)
{
    EXPECT_EQ(asciiLower('A'), 'a');
    EXPECT_EQ(asciiLower('Z'), 'z');
    EXPECT_EQ(asciiLower('@'), '@');
    EXPECT_EQ(asciiLower('['), '[');
    EXPECT_EQ(asciiLower(U'\u00C0'), U'\u00C0');
    EXPECT_EQ(asciiLower(U'\u212A'), U'\u212A'); // the Kelvin sign folds to k only outside ASCII rules
    EXPECT_EQ(asciiLower(std::string_view("Ini-KEY_1")), "ini-key_1");
}

} // namespace
