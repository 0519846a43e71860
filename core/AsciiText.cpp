#include "core/AsciiText.h"

namespace quorvel {

std::u32string asciiLower(std::u32string_view text)
{
    std::u32string out(text);
    for (char32_t& c : out) {
        c = asciiLower(c);
    }
    return out;
}

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = asciiLower(c);
    }
    return out;
}

std::string_view trimBlanks(std::string_view text, std::string_view blanks)
{
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

} // namespace quorvel
