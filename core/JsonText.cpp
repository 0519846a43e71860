#include "core/JsonText.h"

#include "core/Unicode.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace quorvel {

namespace {

// How each ASCII character is written inside a JSON string.
struct JsonAscii
{
    std::array<char, 6> bytes{};
    std::uint8_t size = 0;
};

constexpr std::array<JsonAscii, 128> makeJsonAsciiTable()
{
    constexpr std::string_view Hex = "0123456789abcdef";
    std::array<JsonAscii, 128> table{};
    for (std::size_t c = 0; c < table.size(); ++c) {
        JsonAscii& e = table[c];
        char letter = 0;
        switch (c) {
        case '\b':
            letter = 'b';
            break;
        case '\f':
            letter = 'f';
            break;
        case '\n':
            letter = 'n';
            break;
        case '\r':
            letter = 'r';
            break;
        case '\t':
            letter = 't';
            break;
        case '"':
        case '\\':
            letter = static_cast<char>(c);
            break;
        default:
            break;
        }
        if (letter != 0) {
            e.bytes = {'\\', letter};
            e.size = 2;
        } else if (c < 0x20) {
            e.bytes = {'\\', 'u', '0', '0', Hex[c >> 4], Hex[c & 0xF]};
            e.size = 6;
        } else {
            e.bytes = {static_cast<char>(c)};
            e.size = 1;
        }
    }
    return table;
}

constexpr std::array<JsonAscii, 128> JsonAsciiTable = makeJsonAsciiTable();

} // namespace

char* writeJsonChar(char* p, const char32_t c)
{
    if (c < 0x80) {
        const JsonAscii& e = JsonAsciiTable[c];
        std::memcpy(p, e.bytes.data(), e.bytes.size());
        return p + e.size;
    }
    return writeUtf8(p, c, RawBytes::Replacement);
}

void appendJsonText(std::string& out, std::u32string_view text)
{
    // The text is written straight into room made in blocks, then the string is cut to what was written.
    constexpr std::size_t Block = 1024;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = i + std::min(Block, text.size() - i);
        const std::size_t start = out.size();
        out.resize(start + MaxJsonBytesPerChar * (end - i));
        char* const first = out.data() + start;
        char* p = first;
        for (; i < end; ++i) {
            p = writeJsonChar(p, text[i]);
        }
        out.resize(start + static_cast<std::size_t>(p - first));
    }
}

void appendJsonText(std::string& out, std::string_view utf8)
{
    // ASCII, the common case (addresses, names, most notices): runs that need no escape are copied whole.
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x80) {
            // Beyond ASCII the text is decoded, so that bytes that do not decode become U+FFFD.
            out.append(utf8, run, i - run);
            appendJsonText(out, std::u32string_view(decodeUtf8(utf8.substr(i))));
            return;
        }
        if (b != '"' && b != '\\' && b >= 0x20) {
            continue;
        }
        out.append(utf8, run, i - run);
        const JsonAscii& e = JsonAsciiTable[b];
        out.append(e.bytes.data(), e.size);
        run = i + 1;
    }
    out.append(utf8, run);
}

std::string jsonString(std::string_view utf8)
{
    std::string out = "\"";
    appendJsonText(out, utf8);
    out += '"';
    return out;
}

} // namespace quorvel
