#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvel {

/// Decodes UTF-8 into code points. Each byte that is not part of a well-formed sequence becomes one
/// code point of its own, U+DC80 + byte (a lone surrogate, never a name symbol), so that it counts
/// as one character and the original bytes can be restored by encodeUtf8.
std::u32string decodeUtf8(std::string_view bytes);

/// The same, into out (replacing its contents), so that a caller decoding many texts reuses one buffer.
void decodeUtf8(std::string_view bytes, std::u32string& out);

/// How encodeUtf8 writes the stand-ins for undecodable bytes.
enum class RawBytes
{
    Restore,     ///< write the original byte back
    Replacement, ///< write U+FFFD, so the result is always valid UTF-8
};

/// Encodes code points as UTF-8. Surrogates other than the byte stand-ins, and values beyond
/// U+10FFFF, are written as U+FFFD.
std::string encodeUtf8(std::u32string_view text, RawBytes raw = RawBytes::Restore);

/// The most bytes the UTF-8 form of one code point takes.
inline constexpr std::size_t MaxUtf8Bytes = 4;

/// Writes the UTF-8 form of one code point at `at`, which has room for MaxUtf8Bytes; returns the end of what
/// was written. The one encoder of the program: appendUtf8 and encodeUtf8 write through it.
char* writeUtf8(char* at, char32_t c, RawBytes raw = RawBytes::Restore);

/// Appends the UTF-8 form of one code point to out.
void appendUtf8(std::string& out, char32_t c, RawBytes raw = RawBytes::Restore);

} // namespace quorvel
