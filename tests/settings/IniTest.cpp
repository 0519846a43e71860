// The settings file module: reading and writing with private-profile semantics, the settings path and the
// start language.
#include "settings/Ini.h"

#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

// ---- reading ------------------------------------------------------------------------------------------------

struct LookupCase
{
    const char* label;
    std::string content;
    const char* section;
    const char* key;
    std::string expected;
};

class Lookup : public ::testing::TestWithParam<LookupCase>
{
};

TEST_P(Lookup, findsTheValueOfTheKeyInItsSection)
{
    const LookupCase& c = GetParam();
    EXPECT_EQ(ini::lookup(c.content, c.section, c.key), c.expected) << c.label;
}

const std::string Long300(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Ini, Lookup,
    ::testing::Values(
        LookupCase{"plain", "[Idioma]\nInici=Angles\n", "Idioma", "Inici", "Angles"},
        LookupCase{"empty file", "", "Idioma", "Inici", ""},
        LookupCase{"section name in other case", "[IDIOMA]\ninici=Angles\n", "Idioma", "Inici", "Angles"},
        LookupCase{"value case kept", "[Idioma]\nInici=angles\n", "Idioma", "Inici", "angles"},
        LookupCase{"blanks around names and value", "  [ Idioma ]  \n  Inici   =   Angles  \t\n", "Idioma", "Inici",
                   "Angles"},
        LookupCase{"CRLF line breaks", "[Idioma]\r\nInici=Angles\r\n", "Idioma", "Inici", "Angles"},
        LookupCase{"no final line break", "[Idioma]\nInici=Angles", "Idioma", "Inici", "Angles"},
        LookupCase{"byte order mark", "\xEF\xBB\xBF[Idioma]\nInici=Angles\n", "Idioma", "Inici", "Angles"},
        LookupCase{"key in another section only", "[Otra]\nInici=Angles\n[Idioma]\nX=1\n", "Idioma", "Inici", ""},
        LookupCase{"section and key swapped", "[Inici]\nIdioma=Angles\n", "Idioma", "Inici", ""},
        LookupCase{"key of a later section not read", "[Idioma]\n[Otra]\nInici=Angles\n", "Idioma", "Inici", ""},
        LookupCase{"first of two equal keys", "[Idioma]\nInici=Angles\nInici=Espanyol\n", "Idioma", "Inici", "Angles"},
        LookupCase{"second section of the same name", "[Idioma]\nX=1\n[Otra]\n[idioma]\nInici=Angles\n", "Idioma",
                   "Inici", "Angles"},
        LookupCase{"equals sign in the value", "[S]\nK=a=b\n", "S", "K", "a=b"},
        LookupCase{"double quotes stripped", "[S]\nK=\"Angles\"\n", "S", "K", "Angles"},
        LookupCase{"single quotes stripped", "[S]\nK='Angles'\n", "S", "K", "Angles"},
        LookupCase{"unmatched quote kept", "[S]\nK=\"Angles\n", "S", "K", "\"Angles"},
        LookupCase{"inner quotes kept", "[S]\nK=a \"b\" c\n", "S", "K", "a \"b\" c"},
        LookupCase{"comment line is no key", "[S]\n;K=1\nK=2\n", "S", "K", "2"},
        LookupCase{"line without equals is no key", "[S]\nK\nK=2\n", "S", "K", "2"},
        LookupCase{"header without bracket is no section", "[S\nK=1\n", "S", "K", ""},
        LookupCase{"empty value", "[S]\nK=\n", "S", "K", ""},
        LookupCase{"key name is not a prefix match", "[S]\nKey=1\n", "S", "K", ""},
        LookupCase{"300 characters cut to 254", "[S]\nK=" + Long300 + "\n", "S", "K", std::string(254, 'x')},
        LookupCase{"254 characters kept", "[S]\nK=" + std::string(254, 'y') + "\n", "S", "K", std::string(254, 'y')},
        LookupCase{"cut counts characters, not bytes",
                   "[S]\nK=" +
                       [] {
                           std::string s;
                           for (int i = 0; i < 300; ++i) {
                               s += "\xC3\xB1"; // ñ
                           }
                           return s;
                       }() +
                       "\n",
                   "S", "K",
                   [] {
                       std::string s;
                       for (int i = 0; i < 254; ++i) {
                           s += "\xC3\xB1";
                       }
                       return s;
                   }()}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return "case" + std::to_string(info.index); });

// ---- writing ------------------------------------------------------------------------------------------------

struct UpdateCase
{
    const char* label;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::optional<std::string> after;
};

class Update : public ::testing::TestWithParam<UpdateCase>
{
};

TEST_P(Update, changesOnlyTheKeyLineOrAddsIt)
{
    const UpdateCase& c = GetParam();
    EXPECT_EQ(ini::update(c.before, c.section, c.key, c.value), c.after) << c.label;
}

INSTANTIATE_TEST_SUITE_P(
    Ini, Update,
    ::testing::Values(UpdateCase{"new file", "", "Idioma", "Inici", "Angles", "[Idioma]\nInici=Angles\n"},
                      UpdateCase{"replace in place", "; top\n[Idioma]\nInici=Espanyol\nOtro=1\n[B]\nx=2\n", "Idioma",
                                 "Inici", "Angles", "; top\n[Idioma]\nInici=Angles\nOtro=1\n[B]\nx=2\n"},
                      UpdateCase{"replace matches case-insensitively", "[IDIOMA]\n  INICI = Espanyol\n", "Idioma",
                                 "Inici", "Angles", "[IDIOMA]\nInici=Angles\n"},
                      UpdateCase{"add key at the end of its section", "[Idioma]\nA=1\n\n[B]\nx=2\n", "Idioma", "Inici",
                                 "Angles", "[Idioma]\nA=1\nInici=Angles\n\n[B]\nx=2\n"},
                      UpdateCase{"add key to an empty section", "[Idioma]\n[B]\n", "Idioma", "Inici", "Angles",
                                 "[Idioma]\nInici=Angles\n[B]\n"},
                      UpdateCase{"add section at the end", "[B]\nx=2\n", "Idioma", "Inici", "Angles",
                                 "[B]\nx=2\n[Idioma]\nInici=Angles\n"},
                      UpdateCase{"last line without break", "[B]\nx=2", "Idioma", "Inici", "Angles",
                                 "[B]\nx=2\n[Idioma]\nInici=Angles\n"},
                      UpdateCase{"replaced last line gets a line break", "[Idioma]\nInici=Espanyol", "Idioma", "Inici",
                                 "Angles", "[Idioma]\nInici=Angles\n"},
                      UpdateCase{"CRLF file stays CRLF", "[B]\r\nx=2\r\n", "Idioma", "Inici", "Angles",
                                 "[B]\r\nx=2\r\n[Idioma]\r\nInici=Angles\r\n"},
                      UpdateCase{"replace keeps CRLF", "[Idioma]\r\nInici=Espanyol\r\n", "Idioma", "Inici", "Angles",
                                 "[Idioma]\r\nInici=Angles\r\n"},
                      UpdateCase{"key in a second section of the same name",
                                 "[Idioma]\nA=1\n[B]\n[idioma]\nInici=Espanyol\n", "Idioma", "Inici", "Angles",
                                 "[Idioma]\nA=1\n[B]\n[idioma]\nInici=Angles\n"},
                      UpdateCase{"byte order mark kept", "\xEF\xBB\xBFInici=x\n[Idioma]\n", "Idioma", "Inici", "Angles",
                                 "\xEF\xBB\xBFInici=x\n[Idioma]\nInici=Angles\n"},
                      UpdateCase{"line break in value refused", "", "Idioma", "Inici", "a\nb", std::nullopt},
                      UpdateCase{"equals sign in key refused", "", "Idioma", "a=b", "x", std::nullopt},
                      UpdateCase{"bracket in section refused", "", "Id]ioma", "Inici", "x", std::nullopt},
                      UpdateCase{"empty key refused", "", "Idioma", "  ", "x", std::nullopt},
                      UpdateCase{"empty section refused", "", "", "Inici", "x", std::nullopt}),
    [](const ::testing::TestParamInfo<UpdateCase>& info) { return "case" + std::to_string(info.index); });

TEST(Ini, writtenValueIsReadBack)
{
    for (const std::string before : {"", "[Idioma]\nInici=Espanyol\n", "[x]\n[IDIOMA]\n", "junk\n=\n[\n"}) {
        const auto after = ini::update(before, "Idioma", "Inici", "Angles");
        ASSERT_TRUE(after.has_value()) << before;
        EXPECT_EQ(ini::lookup(*after, "Idioma", "Inici"), "Angles") << before;
    }
}

// ---- files --------------------------------------------------------------------------------------------------

class IniFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorvel-ini-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string path(const char* name) const { return (m_dir / name).string(); }

    static void put(const std::string& file, const std::string& content)
    {
        std::ofstream(file, std::ios::binary) << content;
    }
    static std::string get(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::stringstream out;
        out << in.rdbuf();
        return out.str();
    }

    fs::path m_dir;
};

TEST_F(IniFiles, readingAMissingFileGivesEmptyAndCreatesNothing)
{
    EXPECT_EQ(readIni("Idioma", "Inici", path("quorvel.ini")), "");
    EXPECT_FALSE(fs::exists(path("quorvel.ini")));
}

TEST_F(IniFiles, readingLeavesTheFileByteIdentical)
{
    const std::string content = "[Idioma]\r\nInici = Angles \r\n[Other]\nk=v";
    put(path("quorvel.ini"), content);
    const auto before = fs::last_write_time(path("quorvel.ini"));
    EXPECT_EQ(readIni("idioma", "INICI", path("quorvel.ini")), "Angles");
    EXPECT_EQ(get(path("quorvel.ini")), content);
    EXPECT_EQ(fs::last_write_time(path("quorvel.ini")), before);
}

TEST_F(IniFiles, readingADirectoryOrAFolderlessPathGivesEmpty)
{
    EXPECT_EQ(readIni("Idioma", "Inici", m_dir.string()), "");
    EXPECT_EQ(readIni("Idioma", "Inici", path("missing/quorvel.ini")), "");
    EXPECT_EQ(readIni("Idioma", "Inici", ""), "");
}

TEST_F(IniFiles, writingThroughALinkChangesTheLinkedFile)
{
    put(path("real.ini"), "[Idioma]\nInici=Espanyol\n");
    fs::create_symlink(path("real.ini"), path("quorvel.ini"));
    EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", path("quorvel.ini")), "1");
    EXPECT_TRUE(fs::is_symlink(path("quorvel.ini")));
    EXPECT_EQ(fs::read_symlink(path("quorvel.ini")), fs::path(path("real.ini")));
    EXPECT_EQ(get(path("real.ini")), "[Idioma]\nInici=Angles\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2) << "no file left beside";
}

TEST_F(IniFiles, aRewrittenFileKeepsItsPermissionsAndANewOneFollowsTheMask)
{
    const mode_t mask = umask(027);
    EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", path("new.ini")), "1");
    EXPECT_EQ(fs::status(path("new.ini")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    for (const fs::perms kept : {fs::perms::owner_read | fs::perms::owner_write,
                                 fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read}) {
        put(path("quorvel.ini"), "[Idioma]\nInici=Espanyol\n");
        fs::permissions(path("quorvel.ini"), kept);
        EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", path("quorvel.ini")), "1");
        EXPECT_EQ(fs::status(path("quorvel.ini")).permissions(), kept);
        EXPECT_EQ(get(path("quorvel.ini")), "[Idioma]\nInici=Angles\n");
    }
    umask(mask);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2) << "no file left beside";
}

TEST_F(IniFiles, writingChangesTheFileOnDisk)
{
    struct WriteCase
    {
        const char* what;
        std::optional<std::string> before; // none: no file yet
        std::string after;
    };
    const WriteCase cases[] = {
        {"a missing file is created", std::nullopt, "[Idioma]\nInici=Angles\n"},
        {"replaced in place, every other line kept",
         "; machine settings\n[Colours]\nback=blue\n[idioma]\ninici=Espanyol\nx=1\n",
         "; machine settings\n[Colours]\nback=blue\n[idioma]\nInici=Angles\nx=1\n"},
        {"a shorter value leaves no tail", "[Idioma]\nInici=Espanyol-and-a-long-tail\n", "[Idioma]\nInici=Angles\n"},
    };
    for (const WriteCase& c : cases) {
        const std::string file = path("quorvel.ini");
        fs::remove(file);
        if (c.before) {
            put(file, *c.before);
        }
        EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", file), "1") << c.what;
        EXPECT_EQ(get(file), c.after) << c.what;
    }
}

TEST_F(IniFiles, writingFailsWithZeroAndTouchesNothing)
{
    EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", path("missing/quorvel.ini")), "0");
    EXPECT_FALSE(fs::exists(path("missing")));
    EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", m_dir.string()), "0");
    EXPECT_EQ(writeIni("Idioma", "Inici", "two\nlines", path("quorvel.ini")), "0");
    EXPECT_FALSE(fs::exists(path("quorvel.ini"))); // refused before the file was created
    EXPECT_EQ(writeIni("Idioma", "Inici", "Angles", ""), "0");
}

TEST_F(IniFiles, anOversizedFileIsNeitherReadNorRewritten)
{
    const std::string big = "[Idioma]\nInici=Angles\n" + std::string(ini::MaxFileSize, ';');
    put(path("quorvel.ini"), big);
    EXPECT_EQ(readIni("Idioma", "Inici", path("quorvel.ini")), "");
    EXPECT_EQ(writeIni("Idioma", "Inici", "Espanyol", path("quorvel.ini")), "0");
    EXPECT_EQ(get(path("quorvel.ini")), big);
}

// ---- settings path and start language -----------------------------------------------------------------------

TEST(Settings, pathIsTheFolderThenTheFileName)
{
    EXPECT_EQ(settingsPathIn("/etc"), "/etc/quorvel.ini");
    EXPECT_EQ(settingsPathIn("/etc/"), "/etc/quorvel.ini");
    EXPECT_EQ(settingsPathIn("/"), "/quorvel.ini");
    EXPECT_EQ(settingsPathIn(""), "/quorvel.ini");
    const std::string deep = "/" + std::string(300, 'd'); // no cut, however long
    EXPECT_EQ(settingsPathIn(deep), deep + "/quorvel.ini");
}

TEST(Settings, environmentOverridesTheSystemFolder)
{
    setenv("QUORVEL_SYSTEM_DIR", "/tmp/elsewhere", 1);
    EXPECT_EQ(defaultSettingsPath(), "/tmp/elsewhere/quorvel.ini");
    setenv("QUORVEL_SYSTEM_DIR", "", 1);
    const std::string fallback = defaultSettingsPath();
    unsetenv("QUORVEL_SYSTEM_DIR");
    EXPECT_EQ(fallback, defaultSettingsPath());
    EXPECT_NE(defaultSettingsPath(), "/quorvel.ini");
    EXPECT_EQ(defaultSettingsPath().substr(0, 1), "/");
}

TEST(Settings, onlyTheExactEnglishMarkerSelectsEnglish)
{
    const std::pair<const char*, UiLanguage> cases[] = {
        {"Angles", UiLanguage::English},  {"angles", UiLanguage::Spanish},   {"ANGLES", UiLanguage::Spanish},
        {"English", UiLanguage::Spanish}, {"Espanyol", UiLanguage::Spanish}, {"", UiLanguage::Spanish},
        {"Angles ", UiLanguage::Spanish}, {"Anglesx", UiLanguage::Spanish},
    };
    for (const auto& [value, language] : cases) {
        EXPECT_EQ(languageForSetting(value), language) << value;
    }
    EXPECT_EQ(settingForLanguage(UiLanguage::English), "Angles");
    EXPECT_EQ(settingForLanguage(UiLanguage::Spanish), "Espanyol");
}

TEST_F(IniFiles, setStartLanguageStoresTheMarkerAndReportsFailures)
{
    const std::string file = path("quorvel.ini");
    SetLanguageOutcome outcome = setStartLanguage("en", file);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.message;
    EXPECT_EQ(readStartLanguage(file), UiLanguage::English);
    EXPECT_EQ(get(file), "[Idioma]\nInici=Angles\n");

    outcome = setStartLanguage("es", file);
    EXPECT_EQ(outcome.exitStatus, 0);
    EXPECT_EQ(get(file), "[Idioma]\nInici=Espanyol\n");

    outcome = setStartLanguage("fr", file);
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_NE(outcome.message.find("fr"), std::string::npos);
    EXPECT_EQ(get(file), "[Idioma]\nInici=Espanyol\n");

    outcome = setStartLanguage("en", path("missing/quorvel.ini"));
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_NE(outcome.message.find("cannot write"), std::string::npos);
    EXPECT_NE(outcome.message.find(path("missing/quorvel.ini")), std::string::npos);
}

} // namespace
