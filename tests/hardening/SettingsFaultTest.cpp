// Damaged and odd settings files at the settings path: unreadable ones, binary garbage, 10 MB lines, long values,
// sections and keys given twice. The start language is English only when the first "Inici" key found under a
// section "Idioma" holds exactly "Angles"; everything else gives Spanish. Reading never hangs, never crashes and
// leaves the file, and the folder it lies in, exactly as they were. Storing the language (--set-language) into
// such a file either refuses with a message that names the real fault or stores it whole; a refusal, and a
// failure half-way, leave the file and its folder as they were.
#include "settings/Ini.h"
#include "settings/Settings.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

using namespace quorvel;
namespace fs = std::filesystem;

namespace {

const std::string English = "[Idioma]\nInici=Angles\n";
const std::string TenMegabytes(10 * 1024 * 1024, 'A');

std::string noise(std::size_t size, unsigned seed)
{
    std::string bytes;
    bytes.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 23);
    }
    return bytes;
}

std::string repeated(const std::string& piece, std::size_t count)
{
    std::string text;
    text.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += piece;
    }
    return text;
}

/// Everything about a folder entry that reading must not change.
struct Snapshot
{
    bool exists = false;
    mode_t mode = 0;
    off_t size = 0;
    timespec modified{};
    std::string content;
    std::vector<std::string> folder;

    static Snapshot of(const std::string& path)
    {
        Snapshot shot;
        struct stat info = {};
        shot.exists = lstat(path.c_str(), &info) == 0;
        if (shot.exists) {
            shot.mode = info.st_mode;
            shot.size = info.st_size;
            shot.modified = info.st_mtim;
            if (S_ISREG(info.st_mode) && (info.st_mode & S_IRUSR) != 0) {
                std::ifstream in(path, std::ios::binary);
                std::stringstream out;
                out << in.rdbuf();
                shot.content = out.str();
            }
        }
        for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path())) {
            shot.folder.push_back(entry.path().filename().string());
        }
        std::sort(shot.folder.begin(), shot.folder.end());
        return shot;
    }

    bool operator==(const Snapshot& other) const
    {
        return exists == other.exists && mode == other.mode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
               content == other.content && folder == other.folder;
    }
};

struct SettingsCase
{
    const char* title;
    std::function<void(const std::string& path)> make; ///< puts the faulty thing at the settings path
    UiLanguage language;
    std::string value;          ///< what readIni gives for key "Inici" of section "Idioma"
    bool asAnotherUser = false; ///< read by a user other than the owner (permission bits do not stop root)
};

auto file(const std::string& content)
{
    return [content](const std::string& path) { std::ofstream(path, std::ios::binary) << content; };
}

/// Each test in a folder of its own under /tmp, removed afterwards.
template <typename Case>
class InOwnFolder : public ::testing::TestWithParam<Case>
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quorvel-settings-fault-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(m_dir / "quorvel.ini", fs::perms::owner_all, ignored);
        fs::remove_all(m_dir, ignored);
    }

    fs::path m_dir;
};

class SettingsFault : public InOwnFolder<SettingsCase>
{
};

TEST_P(SettingsFault, fallsBackAsTheRulesSayAndLeavesTheFileAlone)
{
    const SettingsCase& c = GetParam();
    const std::string path = settingsPathIn(m_dir.string());
    c.make(path);
    const Snapshot before = Snapshot::of(path);

    if (c.asAnotherUser && geteuid() == 0) {
        // Permission bits do not stop root: the reading is done by a child that runs as nobody.
        fs::permissions(m_dir, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            const bool ok = dropped && readStartLanguage(path) == c.language &&
                            readIni(LanguageSection, LanguageKey, path) == c.value;
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "read as nobody: wrong language or value";
    } else {
        EXPECT_EQ(readStartLanguage(path), c.language);
        const std::string value = readIni(LanguageSection, LanguageKey, path);
        EXPECT_EQ(value.size(), c.value.size());
        EXPECT_TRUE(value == c.value) << "got " << value.substr(0, 80);
    }

    EXPECT_TRUE(Snapshot::of(path) == before) << "reading changed the settings file or its folder";
}

const std::string Value300 = "Angles" + std::string(294, 'x');

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFault,
    ::testing::Values(
        // unreadable
        SettingsCase{"no read permission",
                     [](const std::string& path) {
                         file(English)(path);
                         fs::permissions(path, fs::perms::none);
                     },
                     UiLanguage::Spanish, "", true},
        SettingsCase{"a named pipe nobody writes to",
                     [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }, UiLanguage::Spanish,
                     ""},
        SettingsCase{"a link to nowhere", [](const std::string& path) { fs::create_symlink(path + ".missing", path); },
                     UiLanguage::Spanish, ""},
        SettingsCase{"a link to itself", [](const std::string& path) { fs::create_symlink(path, path); },
                     UiLanguage::Spanish, ""},
        SettingsCase{"a character device", [](const std::string& path) { fs::create_symlink("/dev/zero", path); },
                     UiLanguage::Spanish, ""},
        // garbage
        SettingsCase{"64 KiB of binary garbage", file(noise(65536, 7)), UiLanguage::Spanish, ""},
        SettingsCase{"binary garbage around the key", file("\x01\xff\x7f junk\n\xfe[\x02\n" + English + "\x80\x81\n"),
                     UiLanguage::English, "Angles"},
        SettingsCase{"a NUL inside the value", file(std::string("[Idioma]\nInici=Angles\0\n", 23)), UiLanguage::Spanish,
                     std::string("Angles\0", 7)},
        SettingsCase{"a NUL inside the section name", file(std::string("[Idi\0oma]\nInici=Angles\n", 24)),
                     UiLanguage::Spanish, ""},
        // long lines and values
        SettingsCase{"a 10 MB value", file("[Idioma]\nInici=" + TenMegabytes + "\n"), UiLanguage::Spanish, ""},
        SettingsCase{"a 10 MB line after the key", file(English + TenMegabytes + "\n"), UiLanguage::Spanish, ""},
        SettingsCase{"10 MB without a line break", file(repeated("[Idioma] Inici=Angles ", 500000)),
                     UiLanguage::Spanish, ""},
        SettingsCase{"a long line under the size limit", file(std::string(900 * 1024, ';') + "\n" + English),
                     UiLanguage::English, "Angles"},
        SettingsCase{"a value of 300 characters", file("[Idioma]\nInici=" + Value300 + "\n"), UiLanguage::Spanish,
                     Value300.substr(0, 254)},
        // the same section or key twice: the first "Inici" under an "Idioma" header, in file order
        SettingsCase{"key twice, English first", file("[Idioma]\nInici=Angles\nInici=Espanyol\n"), UiLanguage::English,
                     "Angles"},
        SettingsCase{"key twice, Spanish first", file("[Idioma]\nInici=Espanyol\nInici=Angles\n"), UiLanguage::Spanish,
                     "Espanyol"},
        SettingsCase{"key twice, empty first", file("[Idioma]\nInici=\nInici=Angles\n"), UiLanguage::Spanish, ""},
        SettingsCase{"section twice, English first", file("[Idioma]\nInici=Angles\n[Idioma]\nInici=Espanyol\n"),
                     UiLanguage::English, "Angles"},
        SettingsCase{"section twice, Spanish first", file("[Idioma]\nInici=Espanyol\n[Idioma]\nInici=Angles\n"),
                     UiLanguage::Spanish, "Espanyol"},
        SettingsCase{"section twice, key only in the second", file("[Idioma]\nOtro=1\n[Idioma]\nInici=Angles\n"),
                     UiLanguage::English, "Angles"},
        SettingsCase{"section twice in other cases, first value not exact",
                     file("[idioma]\ninici=ANGLES\n[IDIOMA]\nINICI=Angles\n"), UiLanguage::Spanish, "ANGLES"},
        SettingsCase{"a thousand sections", file(repeated("[Idioma]\nInici=Espanyol\n", 1000) + English),
                     UiLanguage::Spanish, "Espanyol"}),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param.title)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

// ---- storing the start language into a faulty file ----

struct StoreCase
{
    const char* title;
    std::function<void(const std::string& path)> make;
    std::string said;           ///< what the message says, beside the path
    bool asAnotherUser = false; ///< stored by a user other than the owner (permission bits do not stop root)
};

/// A file's time of last change, set well in the past, so that any write would show.
void ageFile(const std::string& path)
{
    const timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::string utf16(const std::string& ascii, bool bigEndian)
{
    std::string text = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : ascii) {
        text += bigEndian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return text;
}

const std::string SpanishFile = "[Idioma]\nInici=Espanyol\n";

class SetLanguageFault : public InOwnFolder<StoreCase>
{
};

TEST_P(SetLanguageFault, refusesWithTheRealReasonAndLeavesEverythingAsItWas)
{
    const StoreCase& c = GetParam();
    const std::string path = settingsPathIn(m_dir.string());
    c.make(path);
    ageFile(path);
    const Snapshot before = Snapshot::of(path);

    SetLanguageOutcome outcome;
    if (c.asAnotherUser && geteuid() == 0) {
        fs::permissions(m_dir, fs::perms::all);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const bool dropped = setgid(65534) == 0 && setuid(65534) == 0;
            const SetLanguageOutcome got = setStartLanguage("en", path);
            _exit(dropped && got.exitStatus == 1 && got.message.find(c.said) != std::string::npos ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "as nobody: not refused, or refused for "
                                                                      "another reason than \""
                                                                   << c.said << "\"";
        fs::permissions(m_dir, fs::perms::owner_all);
    } else {
        outcome = setStartLanguage("en", path);
        EXPECT_EQ(outcome.exitStatus, 1) << outcome.message;
        EXPECT_NE(outcome.message.find(c.said), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find(path), std::string::npos) << outcome.message;
        EXPECT_NE(outcome.message.find("the start language was not changed"), std::string::npos) << outcome.message;
        EXPECT_EQ(outcome.message.find("check that the folder exists"), std::string::npos) << outcome.message;
    }
    EXPECT_TRUE(Snapshot::of(path) == before) << "the refusal changed the settings file or its folder";
}

INSTANTIATE_TEST_SUITE_P(
    Files, SetLanguageFault,
    ::testing::Values(
        StoreCase{"UTF-16 little-endian", file(utf16(SpanishFile, false)), "is not a text file this program can read"},
        StoreCase{"UTF-16 big-endian", file(utf16(SpanishFile, true)), "is not a text file this program can read"},
        StoreCase{"NUL bytes without a byte order mark", file(std::string("[Idioma]\0\nInici=Espanyol\n", 25)),
                  "is not a text file this program can read"},
        StoreCase{"over 1 MiB", file(SpanishFile + std::string(1024 * 1024, ';')), "is larger than 1 MiB"},
        StoreCase{"no read permission",
                  [](const std::string& path) {
                      file(SpanishFile)(path);
                      fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
                  },
                  "cannot read the settings file", true},
        StoreCase{"a link to nowhere", [](const std::string& path) { fs::create_symlink(path + ".missing", path); },
                  "is a symbolic link to " + std::string("/tmp/")},
        StoreCase{"a link to itself", [](const std::string& path) { fs::create_symlink(path, path); },
                  "which does not exist (or leads round in a loop)"},
        StoreCase{"a named pipe", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); },
                  "is not an ordinary file"},
        StoreCase{"a folder", [](const std::string& path) { fs::create_directory(path); }, "is not an ordinary file"}),
    [](const auto& info) {
        std::string name;
        for (const char c : std::string(info.param.title)) {
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        }
        return name;
    });

TEST_F(SettingsFault, aLinkToNowhereGetsNoFileCreatedThroughIt)
{
    const std::string path = settingsPathIn(m_dir.string());
    fs::create_symlink(m_dir / "elsewhere.ini", path);
    EXPECT_EQ(writeIni(LanguageSection, LanguageKey, EnglishSetting, path), "0");
    EXPECT_FALSE(fs::exists(m_dir / "elsewhere.ini"));
    EXPECT_TRUE(fs::is_symlink(path));
}

TEST_F(SettingsFault, aWriteThatFailsHalfWayLeavesTheOldFileUntouched)
{
    // The disk fills up while the new text is written: a limit on the size of files this process may write,
    // a little above the old file's size, stands in for the full disk.
    const std::string path = settingsPathIn(m_dir.string());
    const std::string old = "; settings of this machine\n" +
                            repeated("; a comment line to make the file longer\n", 20) + "[Other]\nkey=value\n";
    file(old)(path);
    ageFile(path);
    const Snapshot before = Snapshot::of(path);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(old.size() + 8), static_cast<rlim_t>(old.size() + 8)};
        const bool limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
        const SetLanguageOutcome got = setStartLanguage("en", path);
        _exit(limited && got.exitStatus == 1 && got.message.find("cannot write the settings file") != std::string::npos
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failed write was not reported as such";
    EXPECT_TRUE(Snapshot::of(path) == before) << "the failed write changed the file (content or time) or left a file";

    // Without the limit the same write succeeds, keeping every other line.
    const SetLanguageOutcome outcome = setStartLanguage("en", path);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.message;
    EXPECT_EQ(Snapshot::of(path).content, old + "[Idioma]\nInici=Angles\n");
}

} // namespace
