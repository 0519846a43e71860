#include "store/TransferFormat.h"

#include "core/Unicode.h"
#include "store/TransferInput.h"

#include <array>

namespace quorvel::store {

namespace detail {

std::optional<std::string> plainWord(std::string_view text)
{
    std::string plain;
    for (char32_t c : decodeUtf8(text)) {
        switch (c) {
        case U'á':
        case U'Á':
        case U'à':
        case U'À':
            c = U'a';
            break;
        case U'é':
        case U'É':
        case U'è':
        case U'È':
            c = U'e';
            break;
        case U'í':
        case U'Í':
            c = U'i';
            break;
        case U'ó':
        case U'Ó':
        case U'ò':
        case U'Ò':
            c = U'o';
            break;
        case U'ú':
        case U'Ú':
        case U'ü':
        case U'Ü':
            c = U'u';
            break;
        case U'ñ':
        case U'Ñ':
            c = U'n';
            break;
        case U'\u00A0':
            c = U' ';
            break;
        default:
            break;
        }
        if (c >= U'A' && c <= U'Z') {
            c = c - U'A' + U'a';
        }
        if (c == U' ' || c == U'\t' || c == U'-' || c == U'_') {
            if (!plain.empty() && plain.back() != ' ') {
                plain += ' ';
            }
            continue;
        }
        if (c > 0x7F) {
            return std::nullopt;
        }
        plain += static_cast<char>(c);
    }
    while (!plain.empty() && plain.back() == ' ') {
        plain.pop_back();
    }
    return plain;
}

namespace {

/// Windows-1252 at 0x80-0x9F; the five bytes it leaves unassigned stand for the C1 controls of their value.
constexpr std::array<char16_t, 32> Windows1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

std::string decodeField(std::string_view bytes, TextEncoding encoding, bool& usedWindows1252)
{
    if (encoding == TextEncoding::Utf8 || (encoding == TextEncoding::Auto && isValidUtf8(bytes))) {
        return std::string(bytes);
    }
    if (encoding == TextEncoding::Auto) {
        usedWindows1252 = true;
    }
    return windows1252ToUtf8(bytes);
}

} // namespace detail

using detail::EndOfInput;
using detail::fileProblem;

bool isValidUtf8(std::string_view bytes)
{
    for (char32_t c : decodeUtf8(bytes)) {
        if (c >= 0xDC80 && c <= 0xDCFF) {
            return false;
        }
    }
    return true;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        char32_t c = byte;
        if (byte >= 0x80 && byte < 0xA0) {
            c = detail::Windows1252High[byte - 0x80];
        }
        appendUtf8(out, c);
    }
    return out;
}

bool isFileProblem(TransferProblem problem)
{
    return problem >= TransferProblem::NotText;
}

std::string_view transferProblemName(TransferProblem problem)
{
    static constexpr std::array<std::string_view, 23> Names = {
        "UnclosedQuote", "TextAfterQuote", "FieldCount",     "MissingField",  "RowTooLong", "NotAString",
        "DuplicateKey",  "NotAnObject",    "JsonSyntax",     "UnknownFigure", "EmptyName",  "NotText",
        "Utf16",         "HeaderMissing",  "HeaderRepeated", "BadJson",       "TooDeep",    "EmptyFile",
        "ReadFailed",    "NoSuchFile",     "IsFolder",       "NotAFile",      "CannotOpen"};
    return Names[static_cast<std::size_t>(problem)];
}

class TransferReader::Impl
{
public:
    Impl(TransferFormat format, ReadBytes read, TextEncoding encoding)
        : m_format(format), m_encoding(encoding), m_in(std::move(read))
    {}

    bool next(TransferItem& item)
    {
        if (m_finished) {
            return false;
        }
        if (!m_started) {
            m_started = true;
            if (auto problem = readStart()) {
                item = std::move(*problem);
                m_finished = true;
                return true;
            }
        }
        if (!m_rows->next(item)) {
            m_finished = true;
            return detail::inputProblem(m_in, item);
        }
        if (item.problem && isFileProblem(*item.problem)) {
            m_finished = true;
        } else if (m_format == TransferFormat::Json) {
            item.name = detail::decodeField(item.name, m_encoding, m_usedWindows1252);
            item.figure = detail::decodeField(item.figure, m_encoding, m_usedWindows1252);
        }
        return true;
    }

    bool usedWindows1252() const { return m_usedWindows1252; }

private:
    /// Reads a byte order mark, then what the format puts before its rows. A problem makes the file unusable.
    std::optional<TransferItem> readStart()
    {
        const int first = m_in.peek();
        if (first == 0xEF) {
            m_in.get();
            if (m_in.get() != 0xBB || m_in.get() != 0xBF) {
                return fileProblem(TransferProblem::NotText, 1); // not a BOM: no text starts this way
            }
            if (m_encoding == TextEncoding::Auto) {
                m_encoding = TextEncoding::Utf8; // the file says it is UTF-8
            }
        } else if (first == 0xFF || first == 0xFE) {
            m_in.get();
            const int second = m_in.peek();
            if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
                return fileProblem(TransferProblem::Utf16, 1);
            }
            if (m_encoding == TextEncoding::Utf8) {
                return fileProblem(TransferProblem::NotText, 1);
            }
            m_in.putBack(std::string(1, static_cast<char>(first))); // a Windows-1252 letter such as ÿ or þ
        }
        m_rows = m_format == TransferFormat::Csv ? detail::makeCsvReader(m_in, m_encoding, m_usedWindows1252)
                                                 : detail::makeJsonReader(m_in);
        return m_rows->start();
    }

    TransferFormat m_format;
    TextEncoding m_encoding;
    detail::Input m_in;
    std::unique_ptr<detail::RowReader> m_rows;
    bool m_usedWindows1252 = false;
    bool m_started = false;
    bool m_finished = false;
};

TransferReader::TransferReader(TransferFormat format, ReadBytes read, TextEncoding encoding)
    : m_impl(std::make_unique<Impl>(format, std::move(read), encoding))
{}

TransferReader::~TransferReader() = default;

bool TransferReader::next(TransferItem& item)
{
    return m_impl->next(item);
}

bool TransferReader::usedWindows1252() const
{
    return m_impl->usedWindows1252();
}

TransferFormat sniffFormat(std::string_view firstBytes)
{
    if (firstBytes.substr(0, 3) == "\xEF\xBB\xBF") {
        firstBytes.remove_prefix(3);
    }
    for (char c : firstBytes) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            continue;
        }
        return (c == '[' || c == '{') ? TransferFormat::Json : TransferFormat::Csv;
    }
    return TransferFormat::Csv;
}

} // namespace quorvel::store
