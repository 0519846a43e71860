#pragma once

// The pieces the import readers share: the input as a stream of bytes, and the reader interface each format
// implements. Internal to the store library.

#include "store/TransferFormat.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::store::detail {

inline constexpr std::size_t ChunkBytes = 64 * 1024;
inline constexpr int EndOfInput = -1;

/// The input as a stream of bytes with one byte of look-ahead and the current line. A NUL byte or a read
/// failure ends the stream early and is remembered, so every reader sees it as the end of its input.
class Input
{
public:
    explicit Input(ReadBytes read) : m_read(std::move(read)), m_buffer(ChunkBytes) {}

    int peek()
    {
        if (m_pos == m_length && !fill()) {
            m_atEnd = true;
            return EndOfInput;
        }
        return static_cast<unsigned char>(m_buffer[m_pos]);
    }

    int get()
    {
        const int c = peek();
        if (c == EndOfInput) {
            return c;
        }
        ++m_pos;
        ++m_offset;
        if (c == '\n') {
            ++m_line;
        } else if (c == '\r' && peek() != '\n') {
            ++m_line; // a line ended by CR alone
        }
        return c;
    }

    long line() const { return m_line; }
    /// Puts bytes back in front of what is left to read; the line count starts again at 1 (for a first line
    /// read ahead to look at it).
    void putBack(std::string_view bytes)
    {
        std::vector<char> buffer(bytes.begin(), bytes.end());
        buffer.insert(buffer.end(), m_buffer.begin() + static_cast<long>(m_pos),
                      m_buffer.begin() + static_cast<long>(m_length));
        if (buffer.size() < ChunkBytes) {
            buffer.resize(ChunkBytes);
        }
        m_length = bytes.size() + (m_length - m_pos);
        m_pos = 0;
        m_buffer = std::move(buffer);
        m_line = 1;
        m_atEnd = false;
    }

    /// Skips the rest of the physical line.
    void skipLine()
    {
        for (int c = get(); c != EndOfInput && c != '\n' && !(c == '\r' && peek() != '\n'); c = get()) {
        }
    }
    long long offset() const { return m_offset; }
    /// True once a reader has asked for the NUL byte (not merely loaded it, nor stopped just before it), so the
    /// pieces the input comes in never change what is reported.
    bool sawNul() const { return m_nul && m_atEnd; }
    bool failed() const { return m_failed; }
    int error() const { return m_error; }

private:
    bool fill()
    {
        if (m_done) {
            return false;
        }
        for (;;) {
            const long got = m_read(m_buffer.data(), m_buffer.size());
            if (got < 0) {
                if (errno == EINTR) {
                    continue;
                }
                m_error = errno;
                m_failed = true;
                m_done = true;
                return false;
            }
            if (got == 0) {
                m_done = true;
                return false;
            }
            m_length = static_cast<std::size_t>(got);
            m_pos = 0;
            // Text never holds a NUL byte: the input ends before it and is reported as not text.
            if (const void* nul = std::memchr(m_buffer.data(), 0, m_length); nul != nullptr) {
                m_length = static_cast<std::size_t>(static_cast<const char*>(nul) - m_buffer.data());
                m_nul = true;
                m_done = true;
                return m_length > 0;
            }
            return true;
        }
    }

    ReadBytes m_read;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    std::size_t m_length = 0;
    long m_line = 1;
    long long m_offset = 0;
    bool m_done = false;
    bool m_nul = false;
    bool m_atEnd = false; // a reader has asked beyond the last byte
    bool m_failed = false;
    int m_error = 0;
};

/// Appends a byte unless the text has reached the limit; then it only marks the text as too long.
inline void appendCapped(std::string& text, char c, bool& tooLong)
{
    if (text.size() < MaxRecordBytes) {
        text += c;
    } else {
        tooLong = true;
    }
}

inline TransferItem fileProblem(TransferProblem problem, long line, std::string detail = {})
{
    TransferItem item;
    item.line = line;
    item.problem = problem;
    item.detail = std::move(detail);
    return item;
}

/// At the end of the input: a NUL byte or a read failure makes the whole file unusable.
inline bool inputProblem(const Input& in, TransferItem& item)
{
    if (in.sawNul()) {
        item = fileProblem(TransferProblem::NotText, in.line());
        return true;
    }
    if (in.failed()) {
        item = fileProblem(TransferProblem::ReadFailed, in.line(), std::strerror(in.error()));
        return true;
    }
    return false;
}

/// What ends a file with nothing in it: the input's own problem, or an empty file.
inline TransferItem emptyOrInputProblem(const Input& in)
{
    TransferItem item;
    if (inputProblem(in, item)) {
        return item;
    }
    return fileProblem(TransferProblem::EmptyFile, in.line());
}

/// The text of a header word or figure as compared: lower case, without accents, blanks and hyphens as one
/// blank, trimmed; nothing when it holds a letter beyond these.
std::optional<std::string> plainWord(std::string_view text);

/// Turns the bytes of a field into UTF-8 as the encoding asks; marks when Windows-1252 was used.
std::string decodeField(std::string_view bytes, TextEncoding encoding, bool& usedWindows1252);

/// One format's reader over the input, after any byte order mark.
class RowReader
{
public:
    virtual ~RowReader() = default;
    /// Reads what comes before the rows (the CSV header, the JSON opening); a problem makes the file unusable.
    virtual std::optional<TransferItem> start() = 0;
    /// The next row or problem; false at the end of the rows.
    virtual bool next(TransferItem& item) = 0;
};

std::unique_ptr<RowReader> makeCsvReader(Input& in, TextEncoding encoding, bool& usedWindows1252);
std::unique_ptr<RowReader> makeJsonReader(Input& in);

} // namespace quorvel::store::detail
