// The name rules: the correction steps of fixed texts, the notice texts of both editions, and what counts
// as one character.

#include "core/NameRules.h"

#include "core/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

// One expected step, written the way the notices read: "H" LeadingHyphen, "I<n>" InvalidCharacter at n, "L"
// TooLong, followed by the text after the step.
struct ExpectedStep
{
    std::string kind;
    std::u32string text;
};

struct Case
{
    const char* title;
    std::u32string input;
    std::vector<ExpectedStep> steps;
};

std::string describe(const NameStep& step)
{
    switch (step.notice) {
    case NameNotice::LeadingHyphen:
        return "H";
    case NameNotice::InvalidCharacter:
        return std::string("I").append(std::to_string(step.position));
    case NameNotice::TooLong:
        return "L";
    }
    return "?";
}

// Texts are joined by appending: GCC 12 warns falsely (-Wrestrict) about the copy that "literal + string" makes in
// an optimised build.
std::u32string join(std::u32string_view first, std::u32string_view second)
{
    return std::u32string(first).append(second);
}

std::u32string repeat(char32_t c, std::size_t n)
{
    return std::u32string(n, c);
}

const std::u32string Forty = U"abcdefghijklmnopqrstuvwxyz0123456789-abc";

std::vector<Case> cases()
{
    return {
        {"empty text", U"", {}},
        {"a lone hyphen", U"-", {{"H", U""}}},
        {"two leading hyphens", U"--ab", {{"H", U"-ab"}, {"H", U"ab"}}},
        {"capitals are kept", U"Abc", {}},
        {"a blank", U"a b", {{"I2", U"ab"}}},
        {"two faults in one place", U"a$$b", {{"I2", U"a$b"}, {"I2", U"ab"}}},
        {"a fault uncovers a hyphen", U"$-x", {{"I1", U"-x"}, {"H", U"x"}}},
        {"n with tilde", U"ñu", {{"I1", U"u"}}},
        {"e with acute", U"é", {{"I1", U""}}},
        {"trailing hyphen", U"a-", {}},
        {"hyphens in a row", U"a--b", {}},
        {"digits and a hyphen", U"0-9", {}},
        {"all capitals", U"ABCXYZ", {}},
        {"exactly forty", Forty, {}},
        {"forty-one", join(Forty, U"d"), {{"L", Forty}}},
        {"fault beyond forty", join(Forty, U"de$fg"), {{"I43", join(Forty, U"defg")}, {"L", Forty}}},
        {"41st typed in front", join(U"x", Forty), {{"L", join(U"x", Forty.substr(0, 39))}}},
        {"fifty pasted", join(Forty, U"0123456789"), {{"L", Forty}}},
        {"hyphens after faults at the start", U"$-$-a", {{"I1", U"-$-a"}, {"H", U"$-a"}, {"I1", U"-a"}, {"H", U"a"}}},
        {"dot, underscore and blank", U"a.b_c d", {{"I2", U"ab_c d"}, {"I3", U"abc d"}, {"I4", U"abcd"}}},
        {"control characters", U"a\tb\nc\x7f", {{"I2", U"ab\nc\x7f"}, {"I3", U"abc\x7f"}, {"I4", U"abc"}}},
        {"only faults", U"?!?", {{"I1", U"!?"}, {"I1", U"?"}, {"I1", U""}}},
        {"Kelvin sign is not K", U"\u212Aa", {{"I1", U"a"}}},
        {"dotted capital I is not I", U"x\u0130", {{"I2", U"x"}}},
        {"dotless small i", U"\u0131", {{"I1", U""}}},
        {"fullwidth A", U"\uFF21b", {{"I1", U"b"}}},
        {"astral character is one", U"a\U0001F600b", {{"I2", U"ab"}}},
        {"two astral characters", U"\U0001F600\U0001F601c", {{"I1", U"\U0001F601c"}, {"I1", U"c"}}},
        {"undecodable byte stand-in",
         U"a\xDCFF"
         U"b",
         {{"I2", U"ab"}}},
        {"hyphens only", U"---", {{"H", U"--"}, {"H", U"-"}, {"H", U""}}},
    };
}

TEST(NameRules, stepsAndTextsFollowTheRules)
{
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.title);
        const std::vector<NameStep> steps = validateName(c.input);
        ASSERT_EQ(steps.size(), c.steps.size());
        std::u32string text = c.input;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(describe(steps[i]), c.steps[i].kind);
            applyNameStep(text, steps[i]);
            EXPECT_EQ(encodeUtf8(text), encodeUtf8(c.steps[i].text));
        }
        const std::u32string final = c.steps.empty() ? c.input : c.steps.back().text;
        EXPECT_EQ(encodeUtf8(correctedName(c.input)), encodeUtf8(final));
    }
}

TEST(NameRules, undecodableBytesCountOneEach)
{
    // "a", two stray bytes, "b", a cut-off three-byte sequence, "c"
    const std::u32string text = decodeUtf8("a\x80\xff"
                                           "b\xe2\x82"
                                           "c");
    const std::vector<NameStep> steps = validateName(text);
    ASSERT_EQ(steps.size(), 4U);
    EXPECT_EQ(describe(steps[0]), "I2");
    EXPECT_EQ(describe(steps[1]), "I2");
    EXPECT_EQ(describe(steps[2]), "I3");
    EXPECT_EQ(describe(steps[3]), "I3");
    EXPECT_EQ(encodeUtf8(correctedName(text)), "abc");
}

TEST(NameRules, symbolsAreTheThirtySevenAndAsciiCapitals)
{
    int count = 0;
    for (char32_t c = 0; c < 0x400; ++c) {
        const bool expected =
            (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') || c == U'-';
        EXPECT_EQ(isNameSymbol(c), expected) << static_cast<unsigned>(c);
        count += isNameSymbol(c) ? 1 : 0;
    }
    EXPECT_EQ(count, 37 + 26);
    for (char32_t c : {U'\u212A', U'\u0130', U'\u017F', U'\uFF41', U'\U0001D41A', U'\xDC80', U'\x110000'}) {
        EXPECT_FALSE(isNameSymbol(c)) << static_cast<unsigned>(c);
    }
}

struct NoticeCase
{
    NameStep step;
    UiLanguage language;
    const char* text;
};

TEST(NameRules, noticeTextsOfBothEditions)
{
    const std::vector<NoticeCase> table = {
        {{NameNotice::LeadingHyphen, 1}, UiLanguage::Spanish, "El primer carácter no puede ser un guion, se borrará."},
        {{NameNotice::LeadingHyphen, 1},
         UiLanguage::English,
         "The first character cannot be a hyphen.It will be eliminated."},
        {{NameNotice::InvalidCharacter, 3}, UiLanguage::Spanish, "El carácter  3 és erroneo, se borrará"},
        {{NameNotice::InvalidCharacter, 3},
         UiLanguage::English,
         "The character  3 is erroneous.It will be eliminated."},
        {{NameNotice::InvalidCharacter, 43}, UiLanguage::Spanish, "El carácter  43 és erroneo, se borrará"},
        {{NameNotice::InvalidCharacter, 32767},
         UiLanguage::English,
         "The character  32767 is erroneous.It will be eliminated."},
        {{NameNotice::TooLong, 0},
         UiLanguage::Spanish,
         "Hay demasiados carácteres, se va a borrar el último. (Este programa solo permite hasta 40 carácteres.)"},
        {{NameNotice::TooLong, 0},
         UiLanguage::English,
         "There are too many characters,it will be eliminated the last. (This program allows only 40 characters.)"},
    };
    for (const NoticeCase& c : table) {
        EXPECT_EQ(noticeText(c.step, c.language), c.text);
        // The reduced window differs only in the English over-length notice.
        const bool extraBlank = c.step.notice == NameNotice::TooLong && c.language == UiLanguage::English;
        EXPECT_EQ(reducedWindowNoticeText(c.step, c.language), std::string(c.text) + (extraBlank ? " " : ""));
    }
    EXPECT_EQ(noticeName(NameNotice::LeadingHyphen), "LeadingHyphen");
    EXPECT_EQ(noticeName(NameNotice::InvalidCharacter), "InvalidCharacter");
    EXPECT_EQ(noticeName(NameNotice::TooLong), "TooLong");
}

TEST(NameRules, longestTextsGiveOneStepPerCharacter)
{
    const std::size_t n = 32767;
    const auto invalid = validateName(repeat(U'$', n));
    ASSERT_EQ(invalid.size(), n);
    EXPECT_EQ(invalid.front(), (NameStep{NameNotice::InvalidCharacter, 1}));
    EXPECT_EQ(invalid.back(), (NameStep{NameNotice::InvalidCharacter, 1}));

    const auto hyphens = validateName(repeat(U'-', n));
    ASSERT_EQ(hyphens.size(), n);
    EXPECT_EQ(hyphens.back().notice, NameNotice::LeadingHyphen);

    // Valid characters followed by faults: positions count in the corrected text.
    const auto tail = validateName(repeat(U'a', 100) + repeat(U'.', n - 100));
    ASSERT_EQ(tail.size(), n - 100 + 1);
    EXPECT_EQ(tail[0], (NameStep{NameNotice::InvalidCharacter, 101}));
    EXPECT_EQ(tail[n - 101], (NameStep{NameNotice::InvalidCharacter, 101}));
    EXPECT_EQ(tail.back().notice, NameNotice::TooLong);
}

TEST(NameRules, asciiLowerChangesOnlyCapitals)
{
    EXPECT_EQ(asciiLower(std::string_view("AbC-09Z")), "abc-09z");
    EXPECT_EQ(asciiLower(std::string_view("ÀÉ")), "ÀÉ");
    EXPECT_EQ(encodeUtf8(asciiLower(std::u32string_view(U"Q\u212A\u0130"))), "q\u212A\u0130");
}

} // namespace
} // namespace quorvel
