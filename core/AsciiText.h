#pragma once

#include <string>
#include <string_view>

namespace quorvel {

/// The ASCII lower-case form of one character: only A-Z change.
constexpr char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char32_t asciiLower(char32_t c)
{
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

/// The ASCII lower-case form of a text: only A-Z change.
std::u32string asciiLower(std::u32string_view text);
std::string asciiLower(std::string_view text);

/// The characters a line of a text file may start or end with and still mean the same.
inline constexpr std::string_view AsciiBlanks = " \t\r\v\f";

/// The text without the leading and trailing characters found in blanks.
std::string_view trimBlanks(std::string_view text, std::string_view blanks = AsciiBlanks);

} // namespace quorvel
