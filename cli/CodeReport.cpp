#include "cli/CodeReport.h"

#include "QuorvelConfig.h"
#include "core/FigureCoding.h"
#include "core/NameRules.h"
#include "core/Texts.h"
#include "core/Unicode.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace quorvel::cli {

namespace {

// Output is handed on once a buffer holds this much.
constexpr std::size_t FlushThreshold = 1 << 16;

constexpr std::string_view Usage =
    "Usage: quorvel-code [--lang es|en] [--json] [--] [NAME ...]\n"
    "\n"
    "Corrects each NAME to the rules for a domain name and prints its addresses: the plain\n"
    ".com address and the four figure addresses. Without NAME, each line of standard input\n"
    "is one name.\n"
    "\n"
    "  --lang es|en  language of the correction notices (default: es)\n"
    "  --json        one JSON object per name on standard output\n"
    "  --help        show this text\n"
    "  --            every following argument is a NAME, even one that starts with '-'\n"
    "\n"
    "Exit status: 0 when every name was coded, 1 when an input could not be coded\n"
    "or the output could not be written, 2 for a bad command line.\n";

constexpr std::array<char, 16> HexDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                            '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};

// Writes the JSON escape of a control character (below U+0020) at p; returns the end of what was written.
char* writeControlEscape(char* p, unsigned c)
{
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
    default:
        break;
    }
    *p++ = '\\';
    if (letter != 0) {
        *p++ = letter;
        return p;
    }
    *p++ = 'u';
    *p++ = '0';
    *p++ = '0';
    *p++ = HexDigits[(c >> 4) & 0xF];
    *p++ = HexDigits[c & 0xF];
    return p;
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

void appendQuoted(std::string& out, std::u32string_view text)
{
    out.push_back('"');
    appendJsonText(out, text);
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

void appendJsonText(std::string& out, std::u32string_view text)
{
    // The text is written straight into room made in blocks of at most six bytes per character (the most a
    // character needs, for "\u00XX"), then the string is cut to what was written. Long texts with many faults
    // are written once per correction, so this loop carries the whole cost of such a report.
    constexpr std::size_t Block = 1024;
    constexpr std::size_t MaxBytesPerChar = 6;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = i + std::min(Block, text.size() - i);
        const std::size_t start = out.size();
        out.resize(start + MaxBytesPerChar * (end - i));
        char* const first = out.data() + start;
        char* p = first;
        for (; i < end; ++i) {
            const char32_t c = text[i];
            if (c < 0x80) {
                const auto ch = static_cast<char>(c);
                if (c == U'"' || c == U'\\') {
                    *p++ = '\\';
                    *p++ = ch;
                } else if (c < 0x20) {
                    p = writeControlEscape(p, static_cast<unsigned>(c));
                } else {
                    *p++ = ch;
                }
                continue;
            }
            // Surrogates (which include the stand-ins for undecodable bytes) and values beyond Unicode have no
            // UTF-8 form: they are written as U+FFFD.
            p = writeUtf8(p, c, RawBytes::Replacement);
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
        std::array<char, 6> escape{};
        char* const end = b < 0x20 ? writeControlEscape(escape.data(), b) : escape.data() + 2;
        if (b >= 0x20) {
            escape[0] = '\\';
            escape[1] = static_cast<char>(b);
        }
        out.append(escape.data(), end);
        run = i + 1;
    }
    out.append(utf8, run);
}

CodeReporter::CodeReporter(UiLanguage language, bool json, Sink out, Sink err)
    : m_language(language), m_json(json), m_outSink(std::move(out)), m_errSink(std::move(err))
{
    m_out.reserve(2 * FlushThreshold);
}

void CodeReporter::codeInput(std::string_view bytes)
{
    if (bytes.size() > MaxLineBytes) {
        rejectInput(); // too long however it decodes; spare the decoding
        return;
    }
    m_text = decodeUtf8(bytes);
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

void CodeReporter::writeJson()
{
    const std::vector<NameStep> steps = validateName(m_text);
    m_out += R"({"input":)";
    appendQuoted(m_out, std::u32string_view(m_text));
    m_out += R"(,"steps":[)";
    m_work = m_text;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const NameStep& step = steps[i];
        applyNameStep(m_work, step);
        if (i > 0) {
            m_out.push_back(',');
        }
        m_out += R"({"notice":")";
        m_out += noticeName(step.notice);
        m_out += R"(","position":)";
        // Only an invalid character has a position of its own; the other two notices name none.
        if (step.notice == NameNotice::InvalidCharacter) {
            appendNumber(m_out, static_cast<std::size_t>(step.position));
        } else {
            m_out += "null";
        }
        m_out += R"(,"message":)";
        appendQuoted(m_out, std::string_view(noticeText(step, m_language)));
        m_out += R"(,"text":)";
        appendQuoted(m_out, std::u32string_view(m_work));
        m_out.push_back('}');
        // A long text with many faults makes a large report; hand it on in pieces.
        maybeFlush();
    }
    asciiLowerInto(m_name, steps.empty() ? m_text : m_work);
    m_out += R"(],"name":)";
    appendQuoted(m_out, std::string_view(m_name));
    m_out += R"(,"prefix":)";
    appendQuoted(m_out, FigureSitePrefix);
    if (m_name.empty()) {
        m_out += R"(,"plain":null,"codes":null,"figure":null,"register":null})"
                 "\n";
        return;
    }
    // From here on every text is made of the name (name symbols only) and the site word (lower-case letters,
    // checked when the program is configured), so nothing needs escaping.
    auto appendPlainQuoted = [this](const std::string& text) {
        m_out.push_back('"');
        m_out += text;
        m_out.push_back('"');
    };
    m_out += R"(,"plain":)";
    appendPlainQuoted(plainAddress(m_name));
    const std::array<std::pair<std::string_view, std::string (*)(FigureKind, std::string_view)>, 3> groups = {{
        {"codes", &figureCode},
        {"figure", &figureAddress},
        {"register", &registerAddress},
    }};
    for (const auto& [key, make] : groups) {
        m_out += ",\"";
        m_out += key;
        m_out += "\":{";
        for (FigureKind kind : AllFigureKinds) {
            if (kind != FigureKind::FourSided) {
                m_out.push_back(',');
            }
            m_out.push_back('"');
            m_out.push_back(figureLetter(kind));
            m_out += "\":";
            appendPlainQuoted(make(kind, m_name));
        }
        m_out.push_back('}');
    }
    m_out += "}\n";
}

void CodeReporter::writeReadable()
{
    const std::vector<NameStep> steps = validateName(m_text);
    if (!steps.empty()) {
        // The notices go to the error output, headed by the input they belong to. The output written so far
        // is handed on first, so that both streams read in order on one terminal.
        flushOut();
        m_err += '"';
        appendJsonText(m_err, std::u32string_view(m_text));
        m_err += "\"\n";
        for (const NameStep& step : steps) {
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
        if (!m_writeFailed && !m_outSink(m_out)) {
            m_writeFailed = true;
        }
        m_out.clear();
    }
}

void CodeReporter::flushErr()
{
    if (!m_err.empty()) {
        if (!m_writeFailed && !m_errSink(m_err)) {
            m_writeFailed = true;
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
    return !m_writeFailed;
}

} // namespace quorvel::cli
