#include "core/Unicode.h"

#include <array>

namespace quorvel {

namespace {

constexpr char32_t RawByteBase = 0xDC80;
constexpr char32_t Replacement = 0xFFFD;

bool isContinuation(unsigned char b)
{
    return (b & 0xC0) == 0x80;
}

} // namespace

std::u32string decodeUtf8(std::string_view bytes)
{
    std::u32string out;
    decodeUtf8(bytes, out);
    return out;
}

void decodeUtf8(std::string_view bytes, std::u32string& out)
{
    // Room for one code point per byte, the most there can be; cut to what was decoded at the end.
    out.resize(bytes.size());
    char32_t* const first = out.data();
    char32_t* o = first;
    const auto size = bytes.size();
    std::size_t i = 0;
    while (i < size) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            *o++ = b0;
            ++i;
            continue;
        }
        std::size_t need = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            need = 1, cp = b0 & 0x1F, min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            need = 2, cp = b0 & 0x0F, min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            need = 3, cp = b0 & 0x07, min = 0x10000;
        }
        bool ok = need > 0 && i + need < size;
        if (ok) {
            for (std::size_t k = 1; k <= need; ++k) {
                const auto b = static_cast<unsigned char>(bytes[i + k]);
                if (!isContinuation(b)) {
                    ok = false;
                    break;
                }
                cp = (cp << 6) | (b & 0x3F);
            }
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) {
            ok = false;
        }
        if (ok) {
            *o++ = cp;
            i += need + 1;
        } else {
            *o++ = RawByteBase + b0 - 0x80;
            ++i;
        }
    }
    out.resize(static_cast<std::size_t>(o - first));
}

char* writeUtf8(char* at, char32_t c, RawBytes raw)
{
    if (c >= RawByteBase && c <= RawByteBase + 0x7F) {
        if (raw == RawBytes::Restore) {
            *at++ = static_cast<char>(0x80 + (c - RawByteBase));
            return at;
        }
        c = Replacement;
    } else if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
        c = Replacement;
    }
    if (c < 0x80) {
        *at++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *at++ = static_cast<char>(0xC0 | (c >> 6));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *at++ = static_cast<char>(0xE0 | (c >> 12));
        *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *at++ = static_cast<char>(0xF0 | (c >> 18));
        *at++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *at++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *at++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return at;
}

void appendUtf8(std::string& out, char32_t c, RawBytes raw)
{
    std::array<char, MaxUtf8Bytes> bytes{};
    out.append(bytes.data(), writeUtf8(bytes.data(), c, raw));
}

std::string encodeUtf8(std::u32string_view text, RawBytes raw)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        appendUtf8(out, c, raw);
    }
    return out;
}

} // namespace quorvel
