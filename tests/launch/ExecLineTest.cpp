// A desktop entry's Exec command line turned into the argument vector that opens one address.
#include "launch/ExecLine.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using quorvel::launch::commandForAddress;
using quorvel::launch::DesktopEntry;
using Arguments = std::vector<std::string>;

namespace {

constexpr const char* Address = "http://www.quorvel-abc-rmt.com";

struct ExecCase
{
    const char* label;
    const char* commandLine;
    std::optional<Arguments> expected;
};

class ExecLine : public ::testing::TestWithParam<ExecCase>
{
};

TEST_P(ExecLine, expandsToTheArgumentVector)
{
    const ExecCase& c = GetParam();
    const DesktopEntry entry{c.commandLine, "web-browser", "Navegador web", "/usr/share/applications/web.desktop"};
    EXPECT_EQ(commandForAddress(entry, Address), c.expected) << c.label;
}

const std::string A = Address;

INSTANTIATE_TEST_SUITE_P(
    DesktopEntrySpecification, ExecLine,
    ::testing::Values(
        ExecCase{"plain program", "firefox %u", Arguments{"firefox", A}},
        ExecCase{"env wrapper", "env MOZ_X=1 /usr/lib/firefox/firefox %u",
                 Arguments{"env", "MOZ_X=1", "/usr/lib/firefox/firefox", A}},
        ExecCase{"flatpak entry keeps its @@ markers",
                 "/usr/bin/flatpak run --branch=stable --arch=x86_64 --command=firefox org.mozilla.firefox @@u %u @@",
                 Arguments{"/usr/bin/flatpak", "run", "--branch=stable", "--arch=x86_64", "--command=firefox",
                           "org.mozilla.firefox", "@@u", A, "@@"}},
        ExecCase{"each file or URL code", "b %U", Arguments{"b", A}}, ExecCase{"%f", "b %f", Arguments{"b", A}},
        ExecCase{"%F", "b --new %F", Arguments{"b", "--new", A}},
        ExecCase{"code inside a word", "b --url=%u", Arguments{"b", "--url=" + A}},
        ExecCase{"quoted path with blanks", "\"/opt/my browser/run\" %u", Arguments{"/opt/my browser/run", A}},
        ExecCase{"quoted argument with blanks", "b \"--profile=my profile\" %u",
                 Arguments{"b", "--profile=my profile", A}},
        ExecCase{"escapes inside double quotes", R"(b "a\"b\`c\$d\\e\x" %u)", Arguments{"b", R"(a"b`c$d\e\x)", A}},
        ExecCase{"sh -c entry", R"(sh -c "exec \"\$0\" \"\$1\"" /usr/bin/b %u)",
                 Arguments{"sh", "-c", R"(exec "$0" "$1")", "/usr/bin/b", A}},
        ExecCase{"single quotes kept literally", "b 'x \"y' %u", Arguments{"b", "x \"y", A}},
        ExecCase{"empty quoted argument", "b \"\" %u", Arguments{"b", "", A}},
        ExecCase{"tabs and repeated blanks", "  b\t\t-x   %u  ", Arguments{"b", "-x", A}},
        ExecCase{"%i gives --icon and the icon", "b %i %u", Arguments{"b", "--icon", "web-browser", A}},
        ExecCase{"%c the name, %k the location", "b %c %k %u",
                 Arguments{"b", "Navegador web", "/usr/share/applications/web.desktop", A}},
        ExecCase{"%% a percent sign", "b --zoom=100%% %u", Arguments{"b", "--zoom=100%", A}},
        ExecCase{"deprecated codes dropped", "b %d %D %n %N %v %m %u", Arguments{"b", A}},
        ExecCase{"no code: the address goes last", "b --new-window", Arguments{"b", "--new-window", A}},
        ExecCase{"unknown code refused", "b %x %u", std::nullopt},
        ExecCase{"lone percent at the end refused", "b 100% %u", std::nullopt},
        ExecCase{"unterminated double quote", "b \"abc %u", std::nullopt},
        ExecCase{"unterminated single quote", "b 'abc %u", std::nullopt},
        ExecCase{"trailing backslash", "b %u \\", std::nullopt}, ExecCase{"empty line", "   ", std::nullopt},
        ExecCase{"program with an equals sign", "MOZ_X=1 firefox %u", std::nullopt}),
    [](const ::testing::TestParamInfo<ExecCase>& info) { return "case" + std::to_string(info.index); });

TEST(ExecLineIcon, withoutAnIconPercentIGivesNothing)
{
    const DesktopEntry entry{"b %i %u", "", "B", ""};
    EXPECT_EQ(commandForAddress(entry, Address), (Arguments{"b", A}));
}

TEST(ExecLineAddress, theAddressIsNeverSplitOrInterpreted)
{
    const DesktopEntry entry{"b %u", "", "B", ""};
    const std::string odd = "http://www.a.com/x y;$(id) 'z' %u";
    EXPECT_EQ(commandForAddress(entry, odd), (Arguments{"b", odd}));
}

} // namespace
