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
/// other line stays as it was. "1" on success, "0" on failure (nothing written).
std::string writeIni(std::string_view section, std::string_view key, std::string_view value, const std::string& path);

namespace ini {

/// The longest value readIni returns, in characters (code points of UTF-8 text).
inline constexpr std::size_t MaxValueLength = 254;

/// The largest file the module reads or rewrites; a profile file is a few lines long.
inline constexpr std::size_t MaxFileSize = 1024 * 1024;

/// readIni on the text of a file instead of a file.
std::string lookup(std::string_view content, std::string_view section, std::string_view key);

/// The text of a file after writeIni stored value under key in section; nothing when the section, key or value
/// cannot be written as one line of a profile file (empty names, line breaks, '=' in the key, ']' in the section).
std::optional<std::string> update(std::string_view content, std::string_view section, std::string_view key,
                                  std::string_view value);

} // namespace ini
} // namespace quorvel
