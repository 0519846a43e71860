#pragma once

#include "core/JsonText.h"
#include "core/Language.h"
#include "core/NameRules.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::cli {

/// The longest input the tool codes, in characters: lengths and positions of the name rules are 16-bit
/// signed counters. A longer input is reported as not coded instead of being cut silently.
inline constexpr std::size_t MaxInputLength = 32767;

/// The most bytes a line of standard input can have and still be at most MaxInputLength characters:
/// four bytes per character, plus the carriage return that is not part of the line.
inline constexpr std::size_t MaxLineBytes = 4 * MaxInputLength + 1;

/// Receives a block of output; returns false when it could not be written.
using Sink = std::function<bool(std::string_view)>;

/// Codes inputs one by one and writes their reports: in JSON, one object per line on the output; for a
/// person, the addresses on the output and the notices on the error output. Output is collected in
/// buffers that are reused and handed to the sinks in large blocks.
///
/// The two sinks fail separately: once the error output fails, notices are dropped but the answers still
/// go to the output; once the output fails, nothing more is handed to it, and the notices still go to the
/// error output.
class CodeReporter
{
public:
    CodeReporter(UiLanguage language, bool json, Sink out, Sink err);
    CodeReporter(const CodeReporter&) = delete;
    CodeReporter& operator=(const CodeReporter&) = delete;

    /// Codes one input given as bytes (UTF-8 expected; any byte sequence is accepted).
    void codeInput(std::string_view bytes);

    /// Reports an input too long to be coded (more than MaxInputLength characters).
    void rejectInput();

    /// Hands everything pending to the sinks. Returns false when a sink failed, now or before.
    bool flush();

    std::size_t inputCount() const { return m_inputs; }
    std::size_t rejectedCount() const { return m_rejected; }
    /// The output (the answers) could not be written.
    bool outputFailed() const { return m_outFailed; }
    /// The error output (the notices) could not be written.
    bool errorOutputFailed() const { return m_errFailed; }
    bool writeFailed() const { return m_outFailed || m_errFailed; }

private:
    void writeJson();
    void writeJsonAddresses();
    void writeReadable();
    const std::string& stepHead(const NameStep& step);
    std::string makeStepHead(const NameStep& step) const;
    void flushOut();
    void flushErr();
    void maybeFlush();

    UiLanguage m_language;
    bool m_json;
    Sink m_outSink;
    Sink m_errSink;
    std::string m_out;
    std::string m_err;
    std::u32string m_text;             // the input being coded
    std::vector<NameStep> m_steps;     // its corrections
    std::u32string m_work;             // the text as the corrections are applied
    std::string m_name;                // the final lower-case name
    std::string m_escaped;             // the input as the inside of a JSON string
    std::vector<std::uint32_t> m_ends; // where each character of the input ends in m_escaped
    std::string m_kept;                // the characters kept so far, as in m_escaped
    std::string m_leadingHyphenHead;   // the start of a step's JSON object, up to its text; see stepHead
    std::string m_tooLongHead;
    std::vector<std::string> m_invalidCharacterHeads; // by position, made as positions are met
    std::string m_farInvalidCharacterHead;
    std::size_t m_inputs = 0;
    std::size_t m_rejected = 0;
    bool m_outFailed = false;
    bool m_errFailed = false;
};

/// Cuts a stream of bytes into lines at LF; one CR before the LF (or before the end of the stream) is not
/// part of the line. An unterminated last line is still a line; an empty stream has none. A line longer than
/// the limit is not kept: it is announced with overLong set and an empty view, so memory stays bounded.
class LineSplitter
{
public:
    explicit LineSplitter(std::size_t maxLineBytes = MaxLineBytes) : m_max(maxLineBytes) {}

    /// Feeds a block of the stream; calls onLine(std::string_view line, bool overLong) for each full line.
    template <typename OnLine>
    void feed(std::string_view chunk, OnLine&& onLine)
    {
        while (!chunk.empty()) {
            const void* found = std::memchr(chunk.data(), '\n', chunk.size());
            if (found == nullptr) {
                keep(chunk);
                return;
            }
            const auto length = static_cast<std::size_t>(static_cast<const char*>(found) - chunk.data());
            const std::string_view piece = chunk.substr(0, length);
            chunk.remove_prefix(length + 1);
            if (m_carry.empty() && !m_overLong && piece.size() <= m_max) {
                onLine(withoutCarriageReturn(piece), false); // the common case: no copy
                continue;
            }
            keep(piece);
            emitCarry(onLine);
        }
    }

    /// Ends the stream: an unterminated last line is announced.
    template <typename OnLine>
    void finish(OnLine&& onLine)
    {
        if (!m_carry.empty() || m_overLong) {
            emitCarry(onLine);
        }
    }

private:
    static std::string_view withoutCarriageReturn(std::string_view line)
    {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return line;
    }

    void keep(std::string_view piece)
    {
        if (m_overLong) {
            return;
        }
        if (m_carry.size() + piece.size() > m_max) {
            m_overLong = true;
            m_carry.clear();
            return;
        }
        m_carry.append(piece);
    }

    template <typename OnLine>
    void emitCarry(OnLine& onLine)
    {
        if (m_overLong) {
            onLine(std::string_view(), true);
        } else {
            onLine(withoutCarriageReturn(m_carry), false);
        }
        m_carry.clear();
        m_overLong = false;
    }

    std::size_t m_max;
    std::string m_carry;
    bool m_overLong = false;
};

} // namespace quorvel::cli
