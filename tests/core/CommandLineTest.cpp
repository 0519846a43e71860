// The one command-line reader of the three programs: the same options, values and messages everywhere.
#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

using namespace quorvel;
using namespace quorvel::commandline;

namespace {

constexpr OptionSpec Known[] = {Help, Version, Lang, {"json"}, {"platform", true}};

struct Case
{
    std::vector<std::string_view> arguments;
    std::string error; // empty: a good line
    std::vector<std::string> operands;
    UiLanguage language; // with English as the fallback
    bool json;
    bool help;
};

TEST(CommandLine, readsOptionsValuesAndOperandsInAnyOrder)
{
    const std::vector<Case> cases = {
        {{}, "", {}, UiLanguage::English, false, false},
        {{"abc", "--lang", "es", "x y"}, "", {"abc", "x y"}, UiLanguage::Spanish, false, false},
        {{"--lang=es", "--lang", "en"}, "", {}, UiLanguage::English, false, false}, // the last one counts
        {{"--json", "-h"}, "", {}, UiLanguage::English, true, true},
        {{"-json", "-help"}, "", {}, UiLanguage::English, true, true}, // one dash, as Qt's own options
        {{"-", "--", "--json", "-x"}, "", {"-", "--json", "-x"}, UiLanguage::English, false, false},
        {{"-platform", "offscreen", "name"}, "", {"name"}, UiLanguage::English, false, false},
        {{"--lang"}, "option '--lang' needs a value", {}, UiLanguage::English, false, false},
        {{"--lang", "de"}, "option '--lang' takes es or en, not 'de'", {}, UiLanguage::English, false, false},
        {{"--lang=ES"}, "option '--lang' takes es or en, not 'ES'", {}, UiLanguage::English, false, false},
        {{"--json=1"}, "option '--json=1' takes no value", {}, UiLanguage::English, false, false},
        {{"abc", "--colour"}, "unknown option '--colour'", {}, UiLanguage::English, false, false},
        {{"-x"}, "unknown option '-x'", {}, UiLanguage::English, false, false},
        {{"--help=1"}, "option '--help=1' takes no value", {}, UiLanguage::English, false, false},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (std::string_view a : c.arguments) {
            shown += std::string(a) + " ";
        }
        const Parsed parsed = parse(c.arguments, Known);
        EXPECT_EQ(parsed.error, c.error) << shown;
        EXPECT_EQ(parsed.operands, c.operands) << shown;
        EXPECT_EQ(parsed.language(UiLanguage::English), c.language) << shown;
        EXPECT_EQ(parsed.has("json"), c.json) << shown;
        EXPECT_EQ(parsed.has("help"), c.help) << shown;
    }
    EXPECT_EQ(parse({"-platform=xcb"}, Known).value("platform"), "xcb");
    EXPECT_EQ(parse({"--lang", "es"}, Known).language(UiLanguage::English), UiLanguage::Spanish);
    EXPECT_EQ(parse({}, Known).language(UiLanguage::Spanish), UiLanguage::Spanish);
}

TEST(CommandLine, theSameLinesForEveryProgram)
{
    EXPECT_EQ(errorLine("quorvel-code", "unknown option '-x'"),
              "quorvel-code: unknown option '-x'; see quorvel-code --help\n");
    EXPECT_EQ(errorLine("quorvel-favourites", "no command given"),
              "quorvel-favourites: no command given; see quorvel-favourites --help\n");
    EXPECT_EQ(versionLine("quorvel"), "quorvel 1.1.0\n");
}

} // namespace
