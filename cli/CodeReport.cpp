#include "cli/CodeReport.h"

#include "QuorvelConfig.h"
#include "core/FigureCoding.h"
#include "core/NameRules.h"
#include "core/Texts.h"
#include "core/Unicode.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace quorvel::cli {

namespace {

// Output is handed on once a buffer holds this much.
constexpr std::size_t FlushThreshold = 1 << 16;

constexpr std::string_view Usage =
    "Usage: quorvel-code [--lang es|en] [--json] [--check [--endings LIST] [--rdap-bootstrap URL]]\n"
    "                    [--] [NAME ...]\n"
    "\n"
    "Corrects each NAME to the rules for a domain name and prints its addresses: the plain\n"
    ".com address and the four figure addresses. Without NAME, each line of standard input\n"
    "is one name.\n"
    "\n"
    "  --lang es|en  language of the correction notices (default: es)\n"
    "  --json        one JSON object per name on standard output\n"
    "  --help        show this text\n"
    "  --version     show the program's version\n"
    "  --            every following argument is a NAME, even one that starts with '-'\n";

// How each ASCII character is written inside a JSON string: quotes and backslashes behind a backslash, control
// characters as \b, \f, \n, \r, \t or \u00XX, every other character as itself.
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

// The most bytes one character takes inside a JSON string ("\u00XX").
constexpr std::size_t MaxJsonBytesPerChar = 6;

// Writes one character as it stands inside a JSON string at p, which has room for MaxJsonBytesPerChar bytes;
// returns the end of what was written. Surrogates (which include the stand-ins for undecodable bytes) and values
// beyond Unicode have no UTF-8 form: they are written as U+FFFD.
inline char* writeJsonChar(char* p, const char32_t c)
{
    if (c < 0x80) {
        const JsonAscii& e = JsonAsciiTable[c];
        std::memcpy(p, e.bytes.data(), e.bytes.size());
        return p + e.size;
    }
    return writeUtf8(p, c, RawBytes::Replacement);
}

// Writes text as the inside of a JSON string into out (replacing its contents) and, for each character, where
// its bytes end: the bytes of characters i to j-1 are out[ends[i-1], ends[j-1]) (with ends[-1] taken as 0).
void escapeWithEnds(std::u32string_view text, std::string& out, std::vector<std::uint32_t>& ends)
{
    out.resize(MaxJsonBytesPerChar * text.size());
    ends.resize(text.size());
    char* const first = out.data();
    char* p = first;
    for (std::size_t i = 0; i < text.size(); ++i) {
        p = writeJsonChar(p, text[i]);
        ends[i] = static_cast<std::uint32_t>(p - first);
    }
    out.resize(static_cast<std::size_t>(p - first));
}

void appendNumber(std::string& out, std::size_t value)
{
    std::array<char, 24> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    out.append(digits.data(), result.ptr);
}

void appendQuoted(std::string& out, std::string_view utf8)
{
    out.push_back('"');
    appendJsonText(out, utf8);
    out.push_back('"');
}

// The final text is made of name symbols only, so it is ASCII and can be narrowed code point by code point.
void asciiLowerInto(std::string& out, std::u32string_view text)
{
    out.clear();
    for (char32_t c : text) {
        out.push_back(static_cast<char>(asciiLower(c)));
    }
}

std::string_view emptyNameText(UiLanguage language)
{
    return textOfBothEditions("cli", "emptyName")[editionIndex(language)];
}

} // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& args)
{
    ParsedArguments parsed;
    auto fail = [&parsed](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        // A lone "-" is a name (it is corrected to the empty name), not an option.
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.options.names.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            parsed.options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            parsed.options.help = true;
        } else if (arg == "--version") {
            parsed.options.version = true;
        } else if (arg == "--lang" || arg.starts_with("--lang=")) {
            std::string_view value;
            if (arg == "--lang") {
                if (i + 1 >= args.size()) {
                    return fail("option --lang needs a value: es or en");
                }
                value = args[++i];
            } else {
                value = arg.substr(7);
            }
            if (value == "es") {
                parsed.options.language = UiLanguage::Spanish;
            } else if (value == "en") {
                parsed.options.language = UiLanguage::English;
            } else {
                return fail("unknown language '" + std::string(value) + "' for --lang: use es or en");
            }
        } else {
            return fail("unknown option '" + std::string(arg) + "' (put -- before a name that starts with '-')");
        }
    }
    return parsed;
}

std::string_view usageText()
{
    return Usage;
}

std::string versionText()
{
    return "quorvel-code " + std::string(quorvel::ProgramVersion) + "\n";
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
    // Runs that need no escape are copied whole.
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
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

CodeReporter::CodeReporter(UiLanguage language, bool json, Sink out, Sink err)
    : m_language(language), m_json(json), m_outSink(std::move(out)), m_errSink(std::move(err))
{
    m_out.reserve(2 * FlushThreshold);
    if (m_json) {
        m_leadingHyphenHead = makeStepHead({NameNotice::LeadingHyphen, 1});
        m_tooLongHead = makeStepHead({NameNotice::TooLong, 0});
    }
}

void CodeReporter::codeInput(std::string_view bytes)
{
    if (bytes.size() > MaxLineBytes) {
        rejectInput(); // too long however it decodes; spare the decoding
        return;
    }
    decodeUtf8(bytes, m_text);
    if (m_text.size() > MaxInputLength) {
        rejectInput();
        return;
    }
    ++m_inputs;
    if (m_json) {
        writeJson();
    } else {
        writeReadable();
    }
    maybeFlush();
}

void CodeReporter::rejectInput()
{
    ++m_inputs;
    ++m_rejected;
    std::string message = "input ";
    appendNumber(message, m_inputs);
    message += " is longer than ";
    appendNumber(message, MaxInputLength);
    message += " characters and was not coded";
    if (m_json) {
        m_out += R"({"input":null,"error":)";
        appendQuoted(m_out, std::string_view(message));
        m_out += "}\n";
    }
    // The error output also gets the message, in both modes, so that a script reading only the JSON
    // still sees the failure in its log.
    flushOut();
    m_err = "quorvel-code: " + message + "\n";
    flushErr();
    maybeFlush();
}

std::string CodeReporter::makeStepHead(const NameStep& step) const
{
    std::string head = R"({"notice":")";
    head += noticeName(step.notice);
    head += R"(","position":)";
    // Only an invalid character has a position of its own; the other two notices name none.
    if (step.notice == NameNotice::InvalidCharacter) {
        appendNumber(head, static_cast<std::size_t>(step.position));
    } else {
        head += "null";
    }
    head += R"(,"message":)";
    appendQuoted(head, std::string_view(noticeText(step, m_language)));
    head += R"(,"text":")";
    return head;
}

// The start of a step's object, up to the opening quote of its text. Every report of an invalid character at
// the same position starts alike, so the heads of the first positions are kept once made.
const std::string& CodeReporter::stepHead(const NameStep& step)
{
    constexpr std::size_t KeptPositions = 1024;
    switch (step.notice) {
    case NameNotice::LeadingHyphen:
        return m_leadingHyphenHead;
    case NameNotice::TooLong:
        return m_tooLongHead;
    case NameNotice::InvalidCharacter:
        break;
    }
    const auto position = static_cast<std::size_t>(step.position);
    if (position >= KeptPositions) {
        m_farInvalidCharacterHead = makeStepHead(step);
        return m_farInvalidCharacterHead;
    }
    if (position >= m_invalidCharacterHeads.size()) {
        m_invalidCharacterHeads.resize(position + 1);
    }
    std::string& head = m_invalidCharacterHeads[position];
    if (head.empty()) {
        head = makeStepHead(step);
    }
    return head;
}

void CodeReporter::writeJson()
{
    // Each step removes one character or cuts the text at MaxNameLength, so the text after a step is made of two
    // slices of the input's JSON form, written once: the characters kept so far (gathered in m_kept) and
    // everything after the character removed. The steps come in the order of the characters they remove, and a
    // removal at position p, after r earlier removals, takes the input's character p - 1 + r.
    validateName(m_text, m_steps);
    escapeWithEnds(m_text, m_escaped, m_ends);
    const auto startOf = [this](std::size_t i) -> std::size_t { return i == 0 ? 0 : m_ends[i - 1]; };
    m_out += R"({"input":")";
    m_out += m_escaped;
    m_out += R"(","steps":[)";
    m_kept.clear();
    std::size_t next = 0; // the first character of the input not yet kept or removed
    std::size_t removed = 0;
    for (const NameStep& step : m_steps) {
        if (&step != m_steps.data()) {
            m_out.push_back(',');
        }
        m_out += stepHead(step);
        if (step.notice == NameNotice::TooLong) {
            // The cut comes last: every character left is kept. Kept characters are name symbols, which are
            // ASCII and need no escaping, so a character is one byte.
            m_kept.append(m_escaped, startOf(next));
            next = m_text.size();
            m_out.append(m_kept, 0, MaxNameLength);
        } else {
            const std::size_t at = static_cast<std::size_t>(step.position) - 1 + removed;
            ++removed;
            m_kept.append(m_escaped, startOf(next), startOf(at) - startOf(next));
            next = at + 1;
            m_out += m_kept;
            m_out.append(m_escaped, startOf(next));
        }
        m_out += "\"}";
        // A long text with many faults makes a large report; hand it on in pieces.
        maybeFlush();
    }
    if (next < m_text.size()) {
        m_kept.append(m_escaped, startOf(next));
    }
    m_name.assign(m_kept, 0, std::min<std::size_t>(m_kept.size(), MaxNameLength));
    for (char& c : m_name) {
        c = asciiLower(c);
    }
    writeJsonAddresses();
}

void CodeReporter::writeJsonAddresses()
{
    // Every text written here is made of the name (name symbols only) and the site word (lower-case letters,
    // checked when the program is configured), so nothing needs escaping.
    m_out += R"(],"name":")";
    m_out += m_name;
    m_out += R"(","prefix":")";
    m_out += FigureSitePrefix;
    m_out.push_back('"');
    if (m_name.empty()) {
        m_out += R"(,"plain":null,"codes":null,"figure":null,"register":null})"
                 "\n";
        return;
    }
    // The addresses are written from their parts, the codes made once: the figure address is the register
    // address behind "http://", and the register address is "www.<prefix>-<name>-<code>.com". Their length is
    // known beforehand, so room is made once and the parts are copied into it.
    const std::array<std::string, AllFigureKinds.size()> codes = figureCodes(m_name);
    constexpr std::string_view Plain = R"(,"plain":"http://www.)";
    constexpr std::string_view PlainEnd = R"(.com")";
    constexpr std::string_view Scheme = "http://";
    constexpr std::string_view Www = "www.";
    constexpr std::string_view Com = ".com";
    constexpr std::array<std::string_view, 3> Groups = {R"(,"codes":{)", R"(,"figure":{)", R"(,"register":{)"};
    std::size_t codeBytes = 0;
    for (const std::string& code : codes) {
        codeBytes += code.size();
    }
    const std::size_t stem = Www.size() + FigureSitePrefix.size() + m_name.size() + 2; // "www.<prefix>-<name>-"
    // Each group's entries are "x":"..." with a comma between two, and the group ends with a brace: seven bytes
    // an entry besides its value.
    const std::size_t entryBytes = 7 * Groups.size() * AllFigureKinds.size();
    const std::size_t size = Plain.size() + m_name.size() + PlainEnd.size() + Groups[0].size() + Groups[1].size() +
                             Groups[2].size() + entryBytes + Groups.size() * codeBytes +
                             AllFigureKinds.size() * (Scheme.size() + 2 * (stem + Com.size())) + 2;
    const std::size_t start = m_out.size();
    m_out.resize(start + size);
    char* p = m_out.data() + start;
    const auto put = [&p](std::string_view part) {
        std::memcpy(p, part.data(), part.size());
        p += part.size();
    };
    put(Plain);
    put(m_name);
    put(PlainEnd);
    for (std::size_t group = 0; group < Groups.size(); ++group) {
        put(Groups[group]);
        for (FigureKind kind : AllFigureKinds) {
            if (kind != FigureKind::FourSided) {
                *p++ = ',';
            }
            *p++ = '"';
            *p++ = figureLetter(kind);
            put(R"(":")");
            if (group == 1) {
                put(Scheme);
            }
            if (group > 0) {
                put(Www);
                put(FigureSitePrefix);
                *p++ = '-';
                put(m_name);
                *p++ = '-';
            }
            put(codes[figureIndex(kind)]);
            if (group > 0) {
                put(Com);
            }
            *p++ = '"';
        }
        *p++ = '}';
    }
    *p++ = '}';
    *p++ = '\n';
    assert(p == m_out.data() + m_out.size());
}

void CodeReporter::writeReadable()
{
    validateName(m_text, m_steps);
    if (!m_steps.empty()) {
        // The notices go to the error output, headed by the input they belong to. The output written so far
        // is handed on first, so that both streams read in order on one terminal.
        flushOut();
        m_err += '"';
        appendJsonText(m_err, std::u32string_view(m_text));
        m_err += "\"\n";
        for (const NameStep& step : m_steps) {
            m_err += "  ";
            m_err += noticeText(step, m_language);
            m_err += '\n';
            if (m_err.size() >= FlushThreshold) {
                flushErr();
            }
        }
        flushErr();
        m_work = correctedName(m_text);
    } else {
        m_work = m_text;
    }
    asciiLowerInto(m_name, m_work);
    if (m_name.empty()) {
        m_out += emptyNameText(m_language);
        m_out += '\n';
        return;
    }
    m_out += m_name;
    m_out += "\n  ";
    m_out += plainAddress(m_name);
    m_out += '\n';
    for (FigureKind kind : AllFigureKinds) {
        m_out += "  ";
        m_out += figureAddress(kind, m_name);
        m_out += '\n';
    }
}

void CodeReporter::flushOut()
{
    if (!m_out.empty()) {
        if (!m_outFailed && !m_outSink(m_out)) {
            m_outFailed = true;
        }
        m_out.clear();
    }
}

void CodeReporter::flushErr()
{
    if (!m_err.empty()) {
        if (!m_errFailed && !m_errSink(m_err)) {
            m_errFailed = true;
        }
        m_err.clear();
    }
}

void CodeReporter::maybeFlush()
{
    if (m_out.size() >= FlushThreshold) {
        flushOut();
    }
}

bool CodeReporter::flush()
{
    flushOut();
    flushErr();
    return !writeFailed();
}

} // namespace quorvel::cli
