// Decoding and encoding of UTF-8, with undecodable bytes kept as one character each.

#include "core/Unicode.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvel {
namespace {

struct DecodeCase
{
    const char* title;
    std::string bytes;
    std::u32string text;
};

TEST(Unicode, decodesWellFormedAndMarksEveryBadByte)
{
    const std::vector<DecodeCase> table = {
        {"ASCII", "aZ-9", U"aZ-9"},
        {"two, three and four bytes", "\xc3\xb1\xe2\x84\xaa\xf0\x9f\x98\x80", U"\u00F1\u212A\U0001F600"},
        {"stray continuation byte", "a\x80", U"a\xDC80"},
        {"byte FF", "\xff", U"\xDCFF"},
        {"cut-off sequence before ASCII", "\xe2\x82x", U"\xDCE2\xDC82x"},
        {"cut-off sequence at the end", "\xf0\x9f\x98", U"\xDCF0\xDC9F\xDC98"},
        {"overlong slash", "\xc0\xaf", U"\xDCC0\xDCAF"},
        {"overlong three bytes", "\xe0\x80\xaf", U"\xDCE0\xDC80\xDCAF"},
        {"encoded surrogate", "\xed\xa0\x80", U"\xDCED\xDCA0\xDC80"},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", U"\xDCF4\xDC90\xDC80\xDC80"},
        {"NUL is a character", std::string("a\0b", 3), std::u32string(U"a\0b", 3)},
    };
    // One buffer decoded into again and again holds exactly the last text, whatever it held before.
    std::u32string reused = U"left from before: a longer text than any below";
    for (const DecodeCase& c : table) {
        SCOPED_TRACE(c.title);
        EXPECT_EQ(decodeUtf8(c.bytes), c.text);
        decodeUtf8(c.bytes, reused);
        EXPECT_EQ(reused, c.text);
        // The original bytes come back, whatever they were.
        EXPECT_EQ(encodeUtf8(decodeUtf8(c.bytes)), c.bytes);
    }
}

TEST(Unicode, replacementModeAlwaysGivesValidUtf8)
{
    EXPECT_EQ(encodeUtf8(U"a\xDCFF"
                         U"b",
                         RawBytes::Replacement),
              "a\xef\xbf\xbd"
              "b");
    // Lone surrogates other than the stand-ins, and values beyond Unicode, are replaced in both modes.
    EXPECT_EQ(encodeUtf8(U"\xD800"), "\xef\xbf\xbd");
    EXPECT_EQ(encodeUtf8(std::u32string(1, char32_t{0x110000})), "\xef\xbf\xbd");
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        const std::string out = encodeUtf8(decodeUtf8(one), RawBytes::Replacement);
        EXPECT_EQ(out, b < 0x80 ? one : std::string("\xef\xbf\xbd")) << b;
    }
}

} // namespace
} // namespace quorvel
