#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel {

/// The most bytes one character takes inside a JSON string ("\u00XX").
inline constexpr std::size_t MaxJsonBytesPerChar = 6;

/// Writes one character as it stands inside a JSON string at p, which has room for MaxJsonBytesPerChar bytes, and
/// returns the end of what was written: quotes and backslashes behind a backslash, control characters as \b, \f,
/// \n, \r, \t or \u00XX, every other character in UTF-8. Surrogates (which include the stand-ins decodeUtf8 gives
/// undecodable bytes) and values beyond Unicode have no UTF-8 form: they are written as U+FFFD.
char* writeJsonChar(char* p, char32_t c);

/// Appends text as the inside of a JSON string, each character as writeJsonChar writes it.
void appendJsonText(std::string& out, std::u32string_view text);

/// The same for text in UTF-8; bytes that do not decode are written as U+FFFD, so the result is always valid.
void appendJsonText(std::string& out, std::string_view utf8);

/// text as a whole JSON string, quotes included.
std::string jsonString(std::string_view utf8);

} // namespace quorvel
