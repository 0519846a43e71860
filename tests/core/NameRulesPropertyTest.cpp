// Properties of the name rules over random texts, and agreement with the rules read literally: scan from
// position 1, and after every removal start the scan again from position 1.

#include "core/NameRules.h"
#include "core/Unicode.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace quorvel {
namespace {

struct LiteralStep
{
    NameStep step;
    std::u32string text;
};

// The rules as they are written, one rescan per removal; quadratic, so only for short texts.
std::vector<LiteralStep> literalScan(std::u32string text)
{
    std::vector<LiteralStep> steps;
    std::size_t p = 1;
    while (p <= text.size()) {
        const char32_t c = text[p - 1];
        const char32_t lower = (c >= U'A' && c <= U'Z') ? c + 32 : c;
        const bool symbol = (lower >= U'a' && lower <= U'z') || (lower >= U'0' && lower <= U'9') || lower == U'-';
        if (p == 1 && lower == U'-') {
            text.erase(0, 1);
            steps.push_back({{NameNotice::LeadingHyphen, 1}, text});
            p = 1;
        } else if (!symbol) {
            text.erase(p - 1, 1);
            steps.push_back({{NameNotice::InvalidCharacter, static_cast<int>(p)}, text});
            p = 1;
        } else {
            ++p;
        }
    }
    if (text.size() > 40) {
        text.resize(40);
        steps.push_back({{NameNotice::TooLong, 0}, text});
    }
    return steps;
}

// Random texts drawn mostly from the characters that matter: valid symbols, capitals, hyphens, and a few
// kinds of fault, including astral characters and undecodable-byte stand-ins.
class TextMaker
{
public:
    explicit TextMaker(unsigned seed) : m_rng(seed) {}

    std::u32string make(std::size_t maxLength)
    {
        static const std::u32string pool = U"abcxyz09AZ----- .$_\u00F1\u00E9\u212A\u0130\U0001F600\xDC80\xDCFF\t";
        std::uniform_int_distribution<std::size_t> length(0, maxLength);
        std::uniform_int_distribution<std::size_t> pick(0, pool.size() - 1);
        std::u32string text(length(m_rng), U' ');
        for (char32_t& c : text) {
            c = pool[pick(m_rng)];
        }
        return text;
    }

private:
    std::mt19937 m_rng;
};

bool isValidName(std::u32string_view text)
{
    if (text.size() > 40 || (!text.empty() && text.front() == U'-')) {
        return false;
    }
    for (char32_t c : text) {
        if (!isNameSymbol(c)) {
            return false;
        }
    }
    return true;
}

TEST(NameRulesProperties, agreeWithTheLiteralRescan)
{
    TextMaker maker(1);
    std::vector<NameStep> steps; // one buffer for every round: nothing of an earlier text may stay in it
    for (int round = 0; round < 4000; ++round) {
        const std::u32string input = maker.make(60);
        validateName(input, steps);
        const std::vector<LiteralStep> expected = literalScan(input);
        ASSERT_EQ(steps.size(), expected.size()) << encodeUtf8(input, RawBytes::Replacement);
        std::u32string text = input;
        for (std::size_t i = 0; i < steps.size(); ++i) {
            ASSERT_EQ(steps[i], expected[i].step) << encodeUtf8(input, RawBytes::Replacement) << " step " << i;
            applyNameStep(text, steps[i]);
            ASSERT_EQ(text, expected[i].text);
        }
    }
}

TEST(NameRulesProperties, invariantsHoldOverRandomTexts)
{
    TextMaker maker(2);
    for (int round = 0; round < 3000; ++round) {
        const std::u32string input = maker.make(round % 10 == 0 ? 400 : 70);
        const std::vector<NameStep> steps = validateName(input);
        std::u32string text = input;
        int tooLong = 0;
        for (const NameStep& step : steps) {
            const std::size_t before = text.size();
            if (step.notice == NameNotice::TooLong) {
                ++tooLong;
                EXPECT_GT(before, 40U);
                EXPECT_EQ(&step, &steps.back()) << "TooLong is the last step";
            } else {
                ASSERT_GE(step.position, 1);
                ASSERT_LE(static_cast<std::size_t>(step.position), before) << "position within the text";
                if (step.notice == NameNotice::LeadingHyphen) {
                    EXPECT_EQ(step.position, 1);
                    EXPECT_EQ(text.front(), U'-');
                } else {
                    EXPECT_FALSE(isNameSymbol(text[static_cast<std::size_t>(step.position) - 1]));
                }
            }
            applyNameStep(text, step);
            if (step.notice == NameNotice::TooLong) {
                EXPECT_EQ(text.size(), 40U);
            } else {
                EXPECT_EQ(text.size(), before - 1) << "each step removes exactly one character";
            }
        }
        EXPECT_LE(tooLong, 1);
        EXPECT_TRUE(isValidName(text)) << encodeUtf8(input, RawBytes::Replacement);
        EXPECT_EQ(text, correctedName(input));
        EXPECT_TRUE(validateName(text).empty()) << "the result needs no further correction";
    }
}

} // namespace
} // namespace quorvel
