// The one JSON escaper of the programs: the command-line coder's reports and the favourites export.
#include "core/JsonText.h"

#include "core/Unicode.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace quorvel;

namespace {

TEST(JsonText, escapesWhatJsonRequiresAndReplacesBadBytes)
{
    const std::vector<std::pair<std::u32string, std::string>> table = {
        {U"abc", "abc"},
        {U"a\"b\\c/", "a\\\"b\\\\c/"},
        {U"\b\f\n\r\t", "\\b\\f\\n\\r\\t"},
        {std::u32string(U"\0\x01\x1f", 3), "\\u0000\\u0001\\u001f"},
        {U"\x7f", "\x7f"},
        {U"\u00F1\u212A\U0001F600", "\xc3\xb1\xe2\x84\xaa\xf0\x9f\x98\x80"},
        {U"a\xDC80"
         U"b\xDCFF",
         "a\xef\xbf\xbd"
         "b\xef\xbf\xbd"},
        {U"\xD800", "\xef\xbf\xbd"},
    };
    for (const auto& [text, expected] : table) {
        std::string out = "[";
        appendJsonText(out, std::u32string_view(text));
        EXPECT_EQ(out, "[" + expected);
        // The UTF-8 form of the same text (where it has one) escapes alike.
        if (text.find_first_of(U"\xDC80\xDCFF\xD800") == std::u32string::npos) {
            std::string viaUtf8 = "[";
            appendJsonText(viaUtf8, std::string_view(encodeUtf8(text)));
            EXPECT_EQ(viaUtf8, "[" + expected);
        }
    }
    // Long texts cross the blocks the writer works in.
    std::u32string mixed;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        mixed += (i % 3 == 0) ? U"\u00E9" : (i % 3 == 1 ? U"\"" : U"x");
        expected += (i % 3 == 0) ? "\xc3\xa9" : (i % 3 == 1 ? "\\\"" : "x");
    }
    std::string out;
    appendJsonText(out, std::u32string_view(mixed));
    EXPECT_EQ(out, expected);
}

TEST(JsonText, aWholeStringIsQuotedAndNeverInvalid)
{
    const std::vector<std::pair<std::string, std::string>> table = {
        {"", "\"\""},
        {"a\"b\\c\n\x01", "\"a\\\"b\\\\c\\n\\u0001\""},
        {"\xC3\xB1\xFF", "\"\xC3\xB1\xEF\xBF\xBD\""},                 // a byte that does not decode
        {"x\xE2\x82", "\"x\xEF\xBF\xBD\xEF\xBF\xBD\""},               // a sequence cut short
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""}, // an encoded surrogate
        {"tab\there", "\"tab\\there\""},
    };
    for (const auto& [text, expected] : table) {
        EXPECT_EQ(jsonString(text), expected) << text;
    }
}

} // namespace
