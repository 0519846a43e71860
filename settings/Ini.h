#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

/// The value of key in section of the profile file at path: names match without regard to case, the value
/// comes back without surrounding blanks and without one pair of enclosing quotes, cut to 254 characters.
/// The empty text when the file, the section or the key is missing or the file cannot be read. Reading never
/// creates or changes the file.
std::string readIni(std::string_view section, std::string_view key, const std::string& path);

/// Stores value under key in section of the profile file at path: replaces the key's line in place, or adds
/// the key at the end of its section, or adds the section at the end of the file, or creates the file; every
/// other line stays as it was. "1" on success, "0" on failure (nothing written). See ini::writeFile.
std::string writeIni(std::string_view section, std::string_view key, std::string_view value, const std::string& path);

namespace ini {

/// The longest value readIni returns, in characters (code points of UTF-8 text).
inline constexpr std::size_t MaxValueLength = 254;

/// The largest file the module reads or rewrites; a profile file is a few lines long.
inline constexpr std::size_t MaxFileSize = 1024 * 1024;

/// Why ini::writeFile did or did not store a value.
enum class WriteOutcome
{
    Written,      ///< the file holds the value (it may already have held it)
    BadArguments, ///< the section, key or value cannot be one line of a profile file, or the path is empty
    NotText,      ///< the file holds NUL bytes or starts with a UTF-16 byte order mark
    TooLarge,     ///< the file is larger than MaxFileSize
    Unreadable,   ///< the file is there but cannot be read
    NotAFile,     ///< a folder, named pipe, socket or device stands at the path
    DanglingLink, ///< the path is a symbolic link that leads to nothing (a missing file or a loop)
    CannotWrite,  ///< the new file could not be made beside the old one, or could not take its place
};

struct WriteResult
{
    WriteOutcome outcome = WriteOutcome::CannotWrite;
    int error = 0;      ///< the system's error number, when one is known
    std::string target; ///< the file the path leads to (a link's target), once known
};

/// writeIni with the reason of a failure. The new text goes to a complete new file beside the old one, which
/// then takes the old one's place in a single rename: a failure at any point leaves the old file exactly as it
/// was (content and modification time). A symbolic link stays a link and the file it leads to is replaced; a
/// link that leads nowhere is refused, so no file is created through it. A missing file is created. A file
/// that cannot be read as text is refused, never rewritten. The new file takes the old one's permissions.
WriteResult writeFile(std::string_view section, std::string_view key, std::string_view value, const std::string& path);

/// readIni on the text of a file instead of a file.
std::string lookup(std::string_view content, std::string_view section, std::string_view key);

/// The text of a file after writeIni stored value under key in section; nothing when the section, key or value
/// cannot be written as one line of a profile file (empty names, line breaks, '=' in the key, ']' in the section).
std::optional<std::string> update(std::string_view content, std::string_view section, std::string_view key,
                                  std::string_view value);

} // namespace ini
} // namespace quorvel
