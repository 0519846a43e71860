#include "settings/Ini.h"

#include "core/AsciiText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace quorvel {

namespace {

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

// Section and key names are compared the way the profile functions compare them: without regard to case.
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

// One line of the file: its text without the line break, and the line break itself ("\n", "\r\n" or none for a
// last line without one).
struct Line
{
    std::string text;
    std::string ending;
};

std::vector<Line> splitLines(std::string_view content)
{
    std::vector<Line> lines;
    while (!content.empty()) {
        const std::size_t end = content.find('\n');
        std::string_view text = content.substr(0, end);
        std::string_view ending = end == std::string_view::npos ? std::string_view() : std::string_view("\n");
        if (!ending.empty() && !text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
            ending = "\r\n";
        }
        lines.push_back({std::string(text), std::string(ending)});
        if (end == std::string_view::npos) {
            break;
        }
        content.remove_prefix(end + 1);
    }
    return lines;
}

struct Parsed
{
    enum class Kind
    {
        Other,
        Section,
        Key,
    };
    Kind kind = Kind::Other;
    std::string_view name;
    std::string_view value;
};

Parsed parseLine(std::string_view text, bool first)
{
    if (first && text.substr(0, Utf8Bom.size()) == Utf8Bom) {
        text.remove_prefix(Utf8Bom.size());
    }
    text = trimBlanks(text);
    if (text.empty() || text.front() == ';') {
        return {};
    }
    if (text.front() == '[') {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return {};
        }
        return {Parsed::Kind::Section, trimBlanks(text.substr(1, close - 1)), {}};
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return {};
    }
    return {Parsed::Kind::Key, trimBlanks(text.substr(0, equals)), trimBlanks(text.substr(equals + 1))};
}

// One pair of matching quotes around a value is not part of it.
std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The first ini::MaxValueLength characters; a character of UTF-8 text is its lead byte and its continuation bytes.
std::string_view cut(std::string_view value)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if ((byte & 0xC0) != 0x80) {
            if (characters == ini::MaxValueLength) {
                return value.substr(0, i);
            }
            ++characters;
        }
    }
    return value;
}

bool writableName(std::string_view name, std::string_view forbidden)
{
    if (trimBlanks(name).empty()) {
        return false;
    }
    for (const char c : name) {
        if (c == '\n' || c == '\r' || c == '\0' || forbidden.find(c) != std::string_view::npos) {
            return false;
        }
    }
    return true;
}

bool writableArguments(std::string_view section, std::string_view key, std::string_view value)
{
    const std::string_view trimmedKey = trimBlanks(key);
    if (!writableName(section, "]") || !writableName(key, "=") || trimmedKey.front() == '[' ||
        trimmedKey.front() == ';') {
        return false;
    }
    for (const char c : value) {
        if (c == '\n' || c == '\r' || c == '\0') {
            return false;
        }
    }
    return true;
}

enum class ReadStatus
{
    Read,
    NotAFile,
    TooLarge,
    Failed,
};

// Reads a whole regular file of at most ini::MaxFileSize bytes from an open descriptor.
ReadStatus readAll(int fd, std::string& content, int* error = nullptr)
{
    struct stat info = {};
    if (fstat(fd, &info) != 0) {
        if (error != nullptr) {
            *error = errno;
        }
        return ReadStatus::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        return ReadStatus::NotAFile;
    }
    if (info.st_size > static_cast<off_t>(ini::MaxFileSize)) {
        return ReadStatus::TooLarge;
    }
    content.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            if (error != nullptr) {
                *error = errno;
            }
            return ReadStatus::Failed;
        }
        if (got == 0) {
            return ReadStatus::Read;
        }
        content.append(buffer, static_cast<std::size_t>(got));
        if (content.size() > ini::MaxFileSize) {
            return ReadStatus::TooLarge;
        }
    }
}

// Text this module can rewrite line by line: no NUL byte, no UTF-16 (or UTF-32) byte order mark.
bool isText(std::string_view content)
{
    if (content.substr(0, 2) == "\xFF\xFE" || content.substr(0, 2) == "\xFE\xFF") {
        return false;
    }
    return content.find('\0') == std::string_view::npos;
}

bool writeAll(int fd, std::string_view content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t put = write(fd, content.data() + done, content.size() - done);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

} // namespace

namespace ini {

std::string lookup(std::string_view content, std::string_view section, std::string_view key)
{
    section = trimBlanks(section);
    key = trimBlanks(key);
    bool inSection = false;
    bool first = true;
    for (const Line& line : splitLines(content)) {
        const Parsed parsed = parseLine(line.text, first);
        first = false;
        if (parsed.kind == Parsed::Kind::Section) {
            inSection = sameName(parsed.name, section);
        } else if (inSection && parsed.kind == Parsed::Kind::Key && sameName(parsed.name, key)) {
            return std::string(cut(unquote(parsed.value)));
        }
    }
    return {};
}

std::optional<std::string> update(std::string_view content, std::string_view section, std::string_view key,
                                  std::string_view value)
{
    if (!writableArguments(section, key, value)) {
        return std::nullopt;
    }
    section = trimBlanks(section);
    key = trimBlanks(key);
    std::vector<Line> lines = splitLines(content);
    std::string newline = "\n";
    for (const Line& line : lines) {
        if (!line.ending.empty()) {
            newline = line.ending; // new lines follow the file's own line breaks
            break;
        }
    }
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    auto join = [&lines] {
        std::string out;
        for (const Line& line : lines) {
            out += line.text + line.ending;
        }
        return out;
    };

    // The key already stored in a matching section: its line is replaced in place.
    bool inSection = false;
    std::optional<std::size_t> header; // the first matching section's header line
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Parsed parsed = parseLine(lines[i].text, i == 0);
        if (parsed.kind == Parsed::Kind::Section) {
            inSection = sameName(parsed.name, section);
            if (inSection && !header) {
                header = i;
            }
        } else if (inSection && parsed.kind == Parsed::Kind::Key && sameName(parsed.name, key)) {
            const bool bom = i == 0 && lines[i].text.substr(0, Utf8Bom.size()) == Utf8Bom;
            lines[i].text = (bom ? std::string(Utf8Bom) : std::string()) + keyLine;
            if (lines[i].ending.empty()) {
                lines[i].ending = newline; // the file ends with a complete line, as a text file should
            }
            return join();
        }
    }

    // The section exists without the key: the key goes after the section's last line with content.
    std::optional<std::size_t> sectionEnd = header;
    if (header) {
        for (std::size_t j = *header + 1; j < lines.size(); ++j) {
            if (parseLine(lines[j].text, false).kind == Parsed::Kind::Section) {
                break;
            }
            if (!trimBlanks(lines[j].text).empty()) {
                sectionEnd = j;
            }
        }
    }

    if (sectionEnd) {
        Line& after = lines[*sectionEnd];
        if (after.ending.empty()) {
            after.ending = newline;
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd) + 1, Line{keyLine, newline});
    } else {
        if (!lines.empty() && lines.back().ending.empty()) {
            lines.back().ending = newline;
        }
        std::string sectionLine(1, '[');
        sectionLine.append(section).push_back(']');
        lines.push_back({std::move(sectionLine), newline});
        lines.push_back({keyLine, newline});
    }
    return join();
}

} // namespace ini

std::string readIni(std::string_view section, std::string_view key, const std::string& path)
{
    // Non-blocking so that a named pipe at the path cannot hold the start-up; regular files ignore the flag.
    Descriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        return {};
    }
    std::string content;
    if (readAll(fd.get(), content) != ReadStatus::Read) {
        return {};
    }
    return ini::lookup(content, section, key);
}

namespace ini {

WriteResult writeFile(std::string_view section, std::string_view key, std::string_view value, const std::string& path)
{
    auto failed = [](WriteOutcome outcome, int error, const std::string& target) {
        return WriteResult{outcome, error, target};
    };
    if (!writableArguments(section, key, value) || path.empty()) {
        return failed(WriteOutcome::BadArguments, 0, path);
    }

    // Where the new text goes: the path itself, or the file a symbolic link at the path leads to.
    std::string target = path;
    struct stat own = {};
    bool exists = true;
    if (lstat(path.c_str(), &own) != 0) {
        if (errno != ENOENT) {
            return failed(WriteOutcome::CannotWrite, errno, path);
        }
        exists = false;
    } else if (S_ISLNK(own.st_mode)) {
        char* resolved = realpath(path.c_str(), nullptr);
        if (resolved == nullptr) {
            const int error = errno;
            if (error != ENOENT && error != ELOOP) {
                return failed(WriteOutcome::CannotWrite, error, path);
            }
            char link[4096] = {};
            const ssize_t length = readlink(path.c_str(), link, sizeof link - 1);
            return failed(WriteOutcome::DanglingLink, error,
                          length > 0 ? std::string(link, static_cast<std::size_t>(length)) : path);
        }
        target = resolved;
        std::free(resolved);
    }

    // The old text, read whole through a non-blocking descriptor (a named pipe must not hold the program).
    std::string before;
    struct stat info = {};
    if (exists) {
        Descriptor fd(open(target.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
        if (fd.get() < 0) {
            const int error = errno;
            if (stat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
                return failed(WriteOutcome::NotAFile, 0, target);
            }
            return failed(WriteOutcome::Unreadable, error, target);
        }
        int error = 0;
        switch (readAll(fd.get(), before, &error)) {
        case ReadStatus::Read:
            break;
        case ReadStatus::NotAFile:
            return failed(WriteOutcome::NotAFile, 0, target);
        case ReadStatus::TooLarge:
            return failed(WriteOutcome::TooLarge, 0, target);
        case ReadStatus::Failed:
            return failed(WriteOutcome::Unreadable, error, target);
        }
        if (fstat(fd.get(), &info) != 0) {
            return failed(WriteOutcome::Unreadable, errno, target);
        }
        if (!isText(before)) {
            return failed(WriteOutcome::NotText, 0, target);
        }
    }
    const std::optional<std::string> after = update(before, section, key, value);
    if (!after) {
        return failed(WriteOutcome::BadArguments, 0, target);
    }
    if (exists && *after == before) {
        return {WriteOutcome::Written, 0, target};
    }

    // A complete new file beside the old one, then one rename: the old file stays whole until it is replaced.
    const std::string folder = folderOf(target);
    std::string name = target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
    std::string temporary = folder + "/." + name + ".XXXXXX";
    Descriptor fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) {
        return failed(WriteOutcome::CannotWrite, errno, target);
    }
    auto discard = [&](int error) {
        unlink(temporary.c_str());
        return failed(WriteOutcome::CannotWrite, error, target);
    };
    mode_t mode = 0;
    if (exists) {
        mode = info.st_mode & 07777;
        if (info.st_uid != geteuid() || info.st_gid != getegid()) {
            // Only an administrator may hand the file back to its owner; anyone else makes it their own.
            [[maybe_unused]] const int ignored = fchown(fd.get(), info.st_uid, info.st_gid);
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0644 & ~mask;
    }
    if (fchmod(fd.get(), mode) != 0 || !writeAll(fd.get(), *after) || fsync(fd.get()) != 0) {
        return discard(errno);
    }
    if (!fd.close()) {
        return discard(errno);
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        return discard(errno);
    }
    // The rename itself is made durable with the folder; a failure here loses nothing already written.
    Descriptor folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folderFd.get() >= 0) {
        fsync(folderFd.get());
    }
    return {WriteOutcome::Written, 0, target};
}

} // namespace ini

std::string writeIni(std::string_view section, std::string_view key, std::string_view value, const std::string& path)
{
    return ini::writeFile(section, key, value, path).outcome == ini::WriteOutcome::Written ? "1" : "0";
}

} // namespace quorvel
