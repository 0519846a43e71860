// Damaged and odd settings files at the settings path: unreadable ones, binary garbage, 10 MB lines, long values,
// sections and keys given twice. The start language is English only when the first "Inici" key found under a
// section "Idioma" holds exactly "Angles"; everything else gives Spanish. Reading never hangs, never crashes and
// leaves the file, and the folder it lies in, exactly as they were.
#include "settings/Ini.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
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

class SettingsFault : public ::testing::TestWithParam<SettingsCase>
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

} // namespace
