// The command-line coder's arguments: options, names, and the one line that says what is wrong.

#include "cli/CodeArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel::cli {
namespace {

struct ArgumentCase
{
    std::vector<std::string_view> args;
    bool good;
    UiLanguage language;
    bool json;
    bool help;
    std::vector<std::string> names;
};

TEST(Arguments, readOptionsAndNames)
{
    const auto es = UiLanguage::Spanish;
    const auto en = UiLanguage::English;
    const std::vector<ArgumentCase> table = {
        {{}, true, es, false, false, {}},
        {{"abc"}, true, es, false, false, {"abc"}},
        {{"--json", "a", "b"}, true, es, true, false, {"a", "b"}},
        {{"a", "--lang", "en", "b"}, true, en, false, false, {"a", "b"}},
        {{"--lang=en", "--lang=es"}, true, es, false, false, {}},
        {{"--help"}, true, es, false, true, {}},
        {{"-h"}, true, es, false, true, {}},
        {{"-"}, true, es, false, false, {"-"}},
        {{"--", "-x", "--json"}, true, es, false, false, {"-x", "--json"}},
        {{""}, true, es, false, false, {""}},
        {{"--lang"}, false, es, false, false, {}},
        {{"--lang", "fr"}, false, es, false, false, {}},
        {{"--lang="}, false, es, false, false, {}},
        {{"--lang", "EN"}, false, es, false, false, {}},
        {{"-x"}, false, es, false, false, {}},
        {{"--jsonx"}, false, es, false, false, {}},
        {{"a", "--verbose"}, false, es, false, false, {}},
    };
    for (const ArgumentCase& c : table) {
        std::string joined;
        for (auto a : c.args) {
            joined += std::string(a) + " ";
        }
        SCOPED_TRACE(joined);
        const ParsedArguments parsed = parseArguments(c.args);
        EXPECT_EQ(parsed.error.empty(), c.good) << parsed.error;
        if (c.good) {
            EXPECT_EQ(parsed.options.language, c.language);
            EXPECT_EQ(parsed.options.json, c.json);
            EXPECT_EQ(parsed.options.help, c.help);
            EXPECT_EQ(parsed.options.names, c.names);
        }
    }
    EXPECT_NE(parseArguments({"-x"}).error.find("'-x'"), std::string::npos) << "the message names the option";
}

} // namespace
} // namespace quorvel::cli
