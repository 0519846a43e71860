// Figure codes and the three address formats.

#include "core/FigureCoding.h"

#include "QuorvelConfig.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

namespace quorvel {
namespace {

struct CodeCase
{
    const char* title;
    std::string name;
    const char* r;
    const char* c;
    const char* t;
    const char* p;
};

TEST(FigureCoding, codesOfKnownNames)
{
    const std::vector<CodeCase> table = {
        {"worked example", "abc", "rmt", "cto", "tlx", "piq"},
        {"letter a", "a", "rku", "cue", "tua", "pnh"},
        {"digit 0 equals a modulo 26", "0", "rku", "cue", "tua", "pnh"},
        {"26 characters put a hyphen in the middle", std::string(26, 'x'), "r-h", "ch0", "tfd", "pdf"},
        {"a character outside the table counts in the length only", "?", "rkh", "che", "tha", "pah"},
        {"empty name", "", "rhh", "cha", "tha", "pah"},
        {"forty characters", "abcdefghijklmnopqrstuvwxyz0123456789-abc", "rfh", "chd", "tnm", "puo"},
        // 27 characters: the length term wraps back to 0.
        {"27 characters", std::string(27, 'x'), "rhj", "cja", "tld", "pif"},
    };
    for (const CodeCase& c : table) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(figureCode(FigureKind::FourSided, c.name), c.r);
        EXPECT_EQ(figureCode(FigureKind::CircleOrEllipse, c.name), c.c);
        EXPECT_EQ(figureCode(FigureKind::ThreeSided, c.name), c.t);
        EXPECT_EQ(figureCode(FigureKind::ManySided, c.name), c.p);
        // All four at once, in the order of the kinds.
        EXPECT_EQ(figureCodes(c.name), (std::array<std::string, 4>{c.r, c.c, c.t, c.p}));
    }
}

TEST(FigureCoding, oneCharacterNamesEndInAAndH)
{
    for (char c : std::string("abcdefghijklmnopqrstuvwxyz0123456789-")) {
        const std::string name(1, c);
        EXPECT_EQ(figureCode(FigureKind::ThreeSided, name).back(), 'a') << name;
        EXPECT_EQ(figureCode(FigureKind::ManySided, name).back(), 'h') << name;
    }
}

TEST(FigureCoding, symbolValuesAreOneToOne)
{
    const std::string symbols = "9753186420hklmnpqrtybcdfgjsvwxzuoiea-";
    std::set<int> seen;
    for (std::size_t i = 0; i < symbols.size(); ++i) {
        const int value = symbolValue(static_cast<char32_t>(symbols[i]));
        EXPECT_EQ(value, 90 + static_cast<int>(i)) << symbols[i];
        EXPECT_EQ(symbolForValue(value), symbols.substr(i, 1));
        seen.insert(value);
    }
    EXPECT_EQ(seen.size(), 37U);
    for (char32_t c : {U'A', U'Z', U'?', U' ', U'\0', U'\u00F1', U'\U0001F600'}) {
        EXPECT_EQ(symbolValue(c), 0) << static_cast<unsigned>(c);
    }
    for (int value : {-1, 0, 89, 127, 1000}) {
        EXPECT_EQ(symbolForValue(value), "") << value;
    }
}

TEST(FigureCoding, kindsAndLetters)
{
    const std::vector<std::pair<FigureKind, char>> table = {{FigureKind::FourSided, 'r'},
                                                            {FigureKind::CircleOrEllipse, 'c'},
                                                            {FigureKind::ThreeSided, 't'},
                                                            {FigureKind::ManySided, 'p'}};
    for (std::size_t i = 0; i < table.size(); ++i) {
        const auto [kind, letter] = table[i];
        EXPECT_EQ(AllFigureKinds[i], kind);
        EXPECT_EQ(figureOrder(kind), static_cast<int>(i) + 1);
        EXPECT_EQ(figureIndex(kind), i);
        EXPECT_EQ(figureLetter(kind), letter);
        EXPECT_EQ(figureKindForLetter(std::string(1, letter)), kind);
        EXPECT_EQ(figureCode(kind, "zz").front(), letter);
    }
    for (const char* other : {"", "R", "rr", "x", " r"}) {
        EXPECT_FALSE(figureKindForLetter(other).has_value()) << other;
    }
}

TEST(FigureCoding, addressFormats)
{
    const std::string p(FigureSitePrefix);
    EXPECT_EQ(figureAddress(FigureKind::FourSided, "abc"), "http://www." + p + "-abc-rmt.com");
    EXPECT_EQ(figureAddress(FigureKind::CircleOrEllipse, "abc"), "http://www." + p + "-abc-cto.com");
    EXPECT_EQ(figureAddress(FigureKind::ThreeSided, "abc"), "http://www." + p + "-abc-tlx.com");
    EXPECT_EQ(figureAddress(FigureKind::ManySided, "abc"), "http://www." + p + "-abc-piq.com");
    EXPECT_EQ(registerAddress(FigureKind::ThreeSided, "abc"), "www." + p + "-abc-tlx.com");
    EXPECT_EQ(plainAddress("abc"), "http://www.abc.com");
    // The reduced window shows the name as typed but codes its lower-case form.
    EXPECT_EQ(figureAddressWithCode(FigureKind::ThreeSided, "ABc", "abc"), "http://www." + p + "-ABc-tlx.com");
}

TEST(FigureCoding, codesAreThreeNameSymbolsOverManyNames)
{
    // Every code is the letter and two symbols; only the length term can give a hyphen or a digit.
    const std::string symbols = "abcdefghijklmnopqrstuvwxyz0123456789-";
    std::string name;
    for (int i = 0; i < 2000; ++i) {
        name.push_back(symbols[static_cast<std::size_t>(i * 7 + i / 37) % symbols.size()]);
        if (name.size() > 40) {
            name.erase(0, 1 + name.size() % 5);
        }
        for (FigureKind kind : AllFigureKinds) {
            const std::string code = figureCode(kind, name);
            ASSERT_EQ(code.size(), 3U) << name;
            for (char ch : code.substr(1)) {
                const bool letter = ch >= 'a' && ch <= 'z';
                const bool lengthOnly = (ch == '-' || ch == '0') && name.size() % 27 == 26;
                EXPECT_TRUE(letter || lengthOnly) << name << " " << code;
            }
        }
    }
}

} // namespace
} // namespace quorvel
