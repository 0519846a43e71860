// Any bytes as a settings file. Reading never crashes, never changes the file (its bytes, its size, nothing
// else appears beside it), gives the same answer from the file as from its text, and stays within the
// 254-character cut. Storing a value into the text changes what that one key reads and nothing else.
#include "settings/Ini.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace quorvel;

namespace {

void check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

struct Scratch
{
    std::string folder;
    std::string file;

    Scratch()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/quorvel-ini-fuzz-XXXXXX";
        check(mkdtemp(pattern.data()) != nullptr);
        folder = pattern;
        file = folder + "/quorvel.ini";
    }
    ~Scratch()
    {
        unlink(file.c_str());
        rmdir(folder.c_str());
    }
};

Scratch& scratch()
{
    static Scratch instance;
    return instance;
}

void writeFile(const std::string& path, std::string_view bytes)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    check(fd >= 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
        check(put > 0);
        done += static_cast<std::size_t>(put);
    }
    check(close(fd) == 0);
}

std::string readFile(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    check(fd >= 0);
    std::string content;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        check(got >= 0);
        if (got == 0) {
            break;
        }
        content.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

std::vector<std::string> folderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    check(dir != nullptr);
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    return names;
}

std::size_t characters(std::string_view text)
{
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// A section name and a key name taken from the text itself, so that random files also hit names they hold.
struct Names
{
    std::string section;
    std::string key;
};

Names namesIn(std::string_view content)
{
    Names names;
    const std::size_t open = content.find('[');
    if (open != std::string_view::npos) {
        const std::size_t close = content.find_first_of("]\n", open + 1);
        names.section = std::string(content.substr(open + 1, close == std::string_view::npos ? 0 : close - open - 1));
    }
    const std::size_t equals = content.find('=');
    if (equals != std::string_view::npos) {
        const std::size_t lineStart = content.rfind('\n', equals);
        const std::size_t from = lineStart == std::string_view::npos ? 0 : lineStart + 1;
        names.key = std::string(content.substr(from, equals - from));
    }
    return names;
}

bool sameName(std::string_view a, std::string_view b)
{
    auto trim = [](std::string_view s) {
        while (!s.empty() && std::string_view(" \t\r\v\f").find(s.front()) != std::string_view::npos) {
            s.remove_prefix(1);
        }
        while (!s.empty() && std::string_view(" \t\r\v\f").find(s.back()) != std::string_view::npos) {
            s.remove_suffix(1);
        }
        return s;
    };
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const Names found = namesIn(content);
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {"Idioma", "Inici"},        {"IDIOMA", "inici"},      {"Inici", "Idioma"},   {" Idioma ", "Inici"},
        {found.section, found.key}, {found.section, "Inici"}, {"Idioma", found.key},
    };

    // Reading the file: the same answers as from its text, and the file as it was.
    Scratch& place = scratch();
    writeFile(place.file, content);
    std::vector<std::string> before;
    for (const auto& [section, key] : pairs) {
        const std::string value = readIni(section, key, place.file);
        check(value == ini::lookup(content, section, key));
        check(characters(value) <= ini::MaxValueLength);
        check(value.find('\n') == std::string::npos);
        before.push_back(value);
    }
    check(readFile(place.file) == content);
    check(folderEntries(place.folder) == std::vector<std::string>{"quorvel.ini"});

    // Storing a value into the text: that key reads back as it would from a file that held nothing else, and
    // every other pair reads as before.
    static const std::string_view values[] = {"Angles", "", "Espanyol", "a = b ; c", std::string_view("x\0y", 3)};
    const std::string_view value = values[size % std::size(values)];
    const auto& [section, key] = pairs[(size / std::size(values)) % pairs.size()];
    const std::optional<std::string> after = ini::update(content, section, key, value);
    const std::optional<std::string> alone = ini::update("", section, key, value);
    check(after.has_value() == alone.has_value());
    if (after) {
        check(ini::lookup(*after, section, key) == ini::lookup(*alone, section, key));
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const auto& [otherSection, otherKey] = pairs[i];
            if (!sameName(otherSection, section) || !sameName(otherKey, key)) {
                check(ini::lookup(*after, otherSection, otherKey) == before[i]);
            }
        }
        // No line is ever removed: one is replaced in place, or lines are added.
        auto lines = [](std::string_view text) { return std::count(text.begin(), text.end(), '\n'); };
        check(lines(*after) >= lines(content));
    }
    return 0;
}
