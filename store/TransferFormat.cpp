#include "store/TransferFormat.h"

#include "core/Unicode.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

namespace quorvel::store {

namespace {

constexpr std::size_t ChunkBytes = 64 * 1024;
constexpr int JsonDepthLimit = 256;
constexpr int EndOfInput = -1;

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
void appendCapped(std::string& text, char c, bool& tooLong)
{
    if (text.size() < MaxRecordBytes) {
        text += c;
    } else {
        tooLong = true;
    }
}

std::string trimmedLower(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) {
        --end;
    }
    std::string out;
    for (std::size_t i = begin; i < end; ++i) {
        const char c = text[i];
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

TransferItem fileProblem(TransferProblem problem, long line, std::string detail = {})
{
    TransferItem item;
    item.line = line;
    item.problem = problem;
    item.detail = std::move(detail);
    return item;
}

} // namespace

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
    Impl(TransferFormat format, ReadBytes read) : m_format(format), m_in(std::move(read)) {}

    bool next(TransferItem& item)
    {
        if (m_finished) {
            return false;
        }
        if (!m_started) {
            m_started = true;
            if (auto problem = readStart()) {
                return finishWith(item, *problem);
            }
        }
        const bool got = m_format == TransferFormat::Csv ? nextCsv(item) : nextJson(item);
        if (!got) {
            m_finished = true;
            return inputProblem(item);
        }
        if (item.problem && isFileProblem(*item.problem)) {
            m_finished = true;
        }
        return true;
    }

private:
    // --- Shared ---------------------------------------------------------------------------------------------

    bool finishWith(TransferItem& item, TransferItem problem)
    {
        item = std::move(problem);
        m_finished = true;
        return true;
    }

    /// At the end of the input: a NUL byte or a read failure makes the whole file unusable.
    bool inputProblem(TransferItem& item)
    {
        if (m_in.sawNul()) {
            item = fileProblem(TransferProblem::NotText, m_in.line());
            return true;
        }
        if (m_in.failed()) {
            item = fileProblem(TransferProblem::ReadFailed, m_in.line(), std::strerror(m_in.error()));
            return true;
        }
        return false;
    }

    /// Reads a byte order mark, and in CSV the header. A problem makes the file unusable.
    std::optional<TransferItem> readStart()
    {
        const int first = m_in.peek();
        if (first == 0xEF) {
            m_in.get();
            if (m_in.get() != 0xBB || m_in.get() != 0xBF) {
                return fileProblem(TransferProblem::NotText, 1); // not a BOM: no text starts this way
            }
        } else if (first == 0xFF || first == 0xFE) {
            m_in.get();
            const int second = m_in.peek();
            if ((first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF)) {
                return fileProblem(TransferProblem::Utf16, 1);
            }
            return fileProblem(TransferProblem::NotText, 1);
        }
        if (m_format == TransferFormat::Csv) {
            return readHeader();
        }
        return readJsonStart();
    }

    std::optional<TransferItem> emptyOrInputProblem()
    {
        TransferItem item;
        if (inputProblem(item)) {
            return item;
        }
        return fileProblem(TransferProblem::EmptyFile, m_in.line());
    }

    // --- CSV ------------------------------------------------------------------------------------------------

    struct Record
    {
        long line = 0;
        std::vector<std::string> fields;
        std::optional<TransferProblem> problem;
        bool tooLong = false;
        bool cutShort = false; ///< the input ended on a NUL byte or a read failure within this record
    };

    /// Skips the rest of the physical line, for a row that can no longer be read field by field.
    void skipLine()
    {
        for (int c = m_in.get(); c != EndOfInput && c != '\n' && !(c == '\r' && m_in.peek() != '\n'); c = m_in.get()) {
        }
    }

    /// Reads one record; false at the end of the input. Blank lines are skipped.
    bool readRecord(Record& record)
    {
        for (;;) {
            record = Record{};
            record.line = m_in.line();
            if (m_in.peek() == EndOfInput) {
                return false;
            }
            std::size_t total = 0;
            std::string field;
            bool blank = true;
            bool endedByLineBreak = false;
            for (;;) {
                int c = m_in.get();
                if (c == '"' && field.empty()) {
                    blank = false;
                    // A quoted field: separators, quotes (doubled) and line breaks are data.
                    for (;;) {
                        c = m_in.get();
                        if (c == EndOfInput) {
                            record.problem = TransferProblem::UnclosedQuote;
                            break;
                        }
                        if (c == '"') {
                            if (m_in.peek() == '"') {
                                m_in.get();
                            } else {
                                break;
                            }
                        }
                        appendCapped(field, static_cast<char>(c), record.tooLong);
                    }
                    if (record.problem) {
                        record.fields.push_back(std::move(field));
                        return true;
                    }
                    c = m_in.get();
                    if (c != ',' && c != '\n' && c != '\r' && c != EndOfInput) {
                        record.problem = TransferProblem::TextAfterQuote;
                        if (c != EndOfInput) {
                            skipLine();
                        }
                        record.fields.push_back(std::move(field));
                        return true;
                    }
                } else {
                    while (c != ',' && c != '\n' && c != '\r' && c != EndOfInput) {
                        blank = false;
                        appendCapped(field, static_cast<char>(c), record.tooLong);
                        c = m_in.get();
                    }
                }
                total += field.size();
                if (total > MaxRecordBytes) {
                    record.tooLong = true;
                }
                if (!record.tooLong) {
                    record.fields.push_back(std::move(field));
                }
                field.clear();
                if (c == ',') {
                    blank = false;
                    continue;
                }
                if (c == '\r' && m_in.peek() == '\n') {
                    m_in.get();
                }
                endedByLineBreak = c != EndOfInput;
                break;
            }
            if (blank && !record.tooLong) {
                continue; // an empty line
            }
            if (record.tooLong) {
                record.fields.clear();
            }
            record.cutShort = m_in.peek() == EndOfInput && (m_in.sawNul() || m_in.failed()) && !endedByLineBreak;
            return true;
        }
    }

    std::optional<TransferItem> readHeader()
    {
        Record header;
        if (!readRecord(header)) {
            return emptyOrInputProblem();
        }
        if (header.cutShort) {
            return emptyOrInputProblem();
        }
        if (header.problem || header.tooLong) {
            return fileProblem(TransferProblem::HeaderMissing, header.line);
        }
        m_columns = static_cast<long>(header.fields.size());
        for (std::size_t i = 0; i < header.fields.size(); ++i) {
            const std::string column = trimmedLower(header.fields[i]);
            long* index = column == "name" ? &m_nameColumn : column == "figure" ? &m_figureColumn : nullptr;
            if (column == "address") {
                if (m_addressSeen) {
                    return fileProblem(TransferProblem::HeaderRepeated, header.line, column);
                }
                m_addressSeen = true;
            }
            if (index != nullptr) {
                if (*index >= 0) {
                    return fileProblem(TransferProblem::HeaderRepeated, header.line, column);
                }
                *index = static_cast<long>(i);
            }
        }
        if (m_nameColumn < 0 || m_figureColumn < 0) {
            return fileProblem(TransferProblem::HeaderMissing, header.line);
        }
        return std::nullopt;
    }

    bool nextCsv(TransferItem& item)
    {
        Record record;
        if (!readRecord(record)) {
            return false;
        }
        item = TransferItem{};
        item.line = record.line;
        if (record.cutShort) {
            return inputProblem(item); // the row was cut short by the end of the readable input
        }
        if (record.tooLong) {
            item.problem = TransferProblem::RowTooLong;
            return true;
        }
        if (record.problem) {
            item.problem = record.problem;
            return true;
        }
        const long count = static_cast<long>(record.fields.size());
        if (count > m_columns) {
            item.problem = TransferProblem::FieldCount;
            item.count = count;
            item.expected = m_columns;
            return true;
        }
        if (m_nameColumn >= count || m_figureColumn >= count) {
            item.problem = TransferProblem::MissingField;
            item.detail = m_nameColumn >= count ? "name" : "figure";
            return true;
        }
        item.name = std::move(record.fields[static_cast<std::size_t>(m_nameColumn)]);
        item.figure = std::move(record.fields[static_cast<std::size_t>(m_figureColumn)]);
        return true;
    }

    // --- JSON -----------------------------------------------------------------------------------------------

    /// A syntax error inside the JSON being read.
    struct SyntaxError
    {
    };
    struct DepthError
    {
    };

    void skipBlanks()
    {
        for (int c = m_in.peek(); c == ' ' || c == '\t' || c == '\n' || c == '\r'; c = m_in.peek()) {
            m_in.get();
        }
    }

    void expect(int wanted)
    {
        if (m_in.get() != wanted) {
            throw SyntaxError{};
        }
    }

    int hexDigit()
    {
        const int c = m_in.get();
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        throw SyntaxError{};
    }

    char32_t hex4()
    {
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            value = value * 16 + static_cast<char32_t>(hexDigit());
        }
        return value;
    }

    /// Reads a string after its opening quote into out (kept within MaxRecordBytes; tooLong marks a cut).
    void readString(std::string* out, bool& tooLong)
    {
        std::string ignored;
        std::string& text = out != nullptr ? *out : ignored;
        for (;;) {
            const int c = m_in.get();
            if (c == EndOfInput || c < 0x20) {
                throw SyntaxError{};
            }
            if (c == '"') {
                return;
            }
            if (c != '\\') {
                if (out != nullptr) {
                    appendCapped(text, static_cast<char>(c), tooLong);
                }
                continue;
            }
            char32_t decoded = 0;
            switch (m_in.get()) {
            case '"':
                decoded = U'"';
                break;
            case '\\':
                decoded = U'\\';
                break;
            case '/':
                decoded = U'/';
                break;
            case 'b':
                decoded = U'\b';
                break;
            case 'f':
                decoded = U'\f';
                break;
            case 'n':
                decoded = U'\n';
                break;
            case 'r':
                decoded = U'\r';
                break;
            case 't':
                decoded = U'\t';
                break;
            case 'u': {
                decoded = hex4();
                if (decoded >= 0xD800 && decoded < 0xDC00 && m_in.peek() == '\\') {
                    m_in.get();
                    expect('u');
                    const char32_t low = hex4();
                    decoded = (low >= 0xDC00 && low < 0xE000) ? 0x10000 + ((decoded - 0xD800) << 10) + (low - 0xDC00)
                                                              : U'\uFFFD';
                } else if (decoded >= 0xD800 && decoded < 0xE000) {
                    decoded = U'\uFFFD'; // a lone surrogate
                }
                break;
            }
            default:
                throw SyntaxError{};
            }
            if (out != nullptr) {
                std::string bytes;
                appendUtf8(bytes, decoded);
                for (char b : bytes) {
                    appendCapped(text, b, tooLong);
                }
            }
        }
    }

    void skipLiteral(const char* word)
    {
        for (const char* p = word; *p != '\0'; ++p) {
            expect(static_cast<unsigned char>(*p));
        }
    }

    /// Skips one value of any kind; its first byte has not been read.
    void skipValue(int depth)
    {
        if (depth > JsonDepthLimit) {
            throw DepthError{};
        }
        skipBlanks();
        const int c = m_in.peek();
        bool unused = false;
        switch (c) {
        case '"':
            m_in.get();
            readString(nullptr, unused);
            return;
        case '{':
        case '[': {
            m_in.get();
            const int close = c == '{' ? '}' : ']';
            skipBlanks();
            if (m_in.peek() == close) {
                m_in.get();
                return;
            }
            for (;;) {
                if (c == '{') {
                    skipBlanks();
                    expect('"');
                    readString(nullptr, unused);
                    skipBlanks();
                    expect(':');
                }
                skipValue(depth + 1);
                skipBlanks();
                const int after = m_in.get();
                if (after == close) {
                    return;
                }
                if (after != ',') {
                    throw SyntaxError{};
                }
            }
        }
        case 't':
            skipLiteral("true");
            return;
        case 'f':
            skipLiteral("false");
            return;
        case 'n':
            skipLiteral("null");
            return;
        default:
            if (c == '-' || (c >= '0' && c <= '9')) {
                // Numbers are skipped leniently: their value is never used.
                for (int n = m_in.peek();
                     n == '-' || n == '+' || n == '.' || n == 'e' || n == 'E' || (n >= '0' && n <= '9');
                     n = m_in.peek()) {
                    m_in.get();
                }
                return;
            }
            throw SyntaxError{};
        }
    }

    /// Reads one object after its opening brace into item, noting the first problem of its fields.
    void readObject(TransferItem& item)
    {
        bool haveName = false;
        bool haveFigure = false;
        bool haveAddress = false;
        bool tooLong = false;
        auto note = [&item](TransferProblem problem, std::string detail) {
            if (!item.problem) {
                item.problem = problem;
                item.detail = std::move(detail);
            }
        };
        skipBlanks();
        if (m_in.peek() == '}') {
            m_in.get();
        } else {
            for (;;) {
                skipBlanks();
                expect('"');
                std::string key;
                bool keyTooLong = false;
                readString(&key, keyTooLong);
                skipBlanks();
                expect(':');
                skipBlanks();
                bool* seen = key == "name" ? &haveName : key == "figure" ? &haveFigure : nullptr;
                if (key == "address") {
                    if (haveAddress) {
                        note(TransferProblem::DuplicateKey, key);
                    }
                    haveAddress = true;
                }
                if (seen != nullptr) {
                    if (*seen) {
                        note(TransferProblem::DuplicateKey, key);
                    }
                    *seen = true;
                    if (m_in.peek() == '"') {
                        m_in.get();
                        std::string& target = key == "name" ? item.name : item.figure;
                        target.clear();
                        readString(&target, tooLong);
                    } else {
                        skipValue(1);
                        note(TransferProblem::NotAString, key);
                    }
                } else {
                    skipValue(1);
                }
                skipBlanks();
                const int after = m_in.get();
                if (after == '}') {
                    break;
                }
                if (after != ',') {
                    throw SyntaxError{};
                }
            }
        }
        if (tooLong) {
            item.problem = TransferProblem::RowTooLong;
            item.detail.clear();
        } else if (!haveName) {
            note(TransferProblem::MissingField, "name");
        } else if (!haveFigure) {
            note(TransferProblem::MissingField, "figure");
        }
    }

    std::optional<TransferItem> readJsonStart()
    {
        skipBlanks();
        const int c = m_in.peek();
        if (c == EndOfInput) {
            return emptyOrInputProblem();
        }
        if (c == '[') {
            m_in.get();
            m_jsonArray = true;
            return std::nullopt;
        }
        if (c == '{') {
            m_jsonArray = false;
            return std::nullopt;
        }
        return fileProblem(TransferProblem::BadJson, m_in.line());
    }

    bool nextJson(TransferItem& item)
    {
        item = TransferItem{};
        try {
            skipBlanks();
            if (m_jsonArray) {
                if (m_arrayDone) {
                    if (m_in.peek() != EndOfInput) {
                        throw SyntaxError{}; // something after the array
                    }
                    return false;
                }
                if (m_arrayEntries > 0 || m_in.peek() == ']') {
                    const int c = m_in.get();
                    if (c == ']') {
                        m_arrayDone = true;
                        skipBlanks();
                        if (m_in.peek() != EndOfInput) {
                            throw SyntaxError{};
                        }
                        return false;
                    }
                    if (c != ',' || m_arrayEntries == 0) {
                        throw SyntaxError{};
                    }
                    skipBlanks();
                }
                ++m_arrayEntries;
                item.line = m_in.line();
                if (m_in.peek() == '{') {
                    m_in.get();
                    readObject(item);
                } else {
                    skipValue(1);
                    item.problem = TransferProblem::NotAnObject;
                }
                return true;
            }
            if (m_in.peek() == EndOfInput) {
                return false;
            }
            const long startLine = m_in.line();
            item.line = startLine;
            try {
                if (m_in.peek() == '{') {
                    m_in.get();
                    readObject(item);
                } else {
                    skipValue(1);
                    item.problem = TransferProblem::NotAnObject;
                }
                // One object per line: the rest of its line holds nothing else.
                for (int c = m_in.peek(); c == ' ' || c == '\t' || c == '\r'; c = m_in.peek()) {
                    m_in.get();
                }
                if (m_in.peek() != '\n' && m_in.peek() != EndOfInput) {
                    throw SyntaxError{};
                }
            } catch (const SyntaxError&) {
                if (m_in.sawNul() || m_in.failed()) {
                    throw;
                }
                // A line that is not JSON is one refused row; reading goes on with the next line.
                item = TransferItem{};
                item.line = startLine;
                item.problem = TransferProblem::JsonSyntax;
                if (m_in.line() == startLine) {
                    skipLine(); // else the line break that ended it was what failed, and the next line is whole
                }
            }
            return true;
        } catch (const SyntaxError&) {
            if (m_in.sawNul() || m_in.failed()) {
                return false; // reported as the input's own problem
            }
            item = fileProblem(TransferProblem::BadJson, m_in.line());
            return true;
        } catch (const DepthError&) {
            item = fileProblem(TransferProblem::TooDeep, m_in.line());
            return true;
        }
    }

    TransferFormat m_format;
    Input m_in;
    bool m_started = false;
    bool m_finished = false;
    // CSV: the header's columns.
    long m_columns = 0;
    long m_nameColumn = -1;
    long m_figureColumn = -1;
    bool m_addressSeen = false;
    // JSON: an array of objects, or one object per line.
    bool m_jsonArray = false;
    bool m_arrayDone = false;
    long m_arrayEntries = 0;
};

TransferReader::TransferReader(TransferFormat format, ReadBytes read) : m_impl(new Impl(format, std::move(read))) {}

TransferReader::~TransferReader()
{
    delete m_impl;
}

bool TransferReader::next(TransferItem& item)
{
    return m_impl->next(item);
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

std::optional<FigureKind> figureFromText(std::string_view text)
{
    // Lower case without accents, blanks and hyphens as single blanks, trimmed.
    std::string plain;
    for (char32_t c : decodeUtf8(text)) {
        switch (c) {
        case U'á':
        case U'Á':
            c = U'a';
            break;
        case U'é':
        case U'É':
            c = U'e';
            break;
        case U'í':
        case U'Í':
            c = U'i';
            break;
        case U'ó':
        case U'Ó':
            c = U'o';
            break;
        case U'ú':
        case U'Ú':
            c = U'u';
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
    struct Name
    {
        std::string_view text;
        FigureKind kind;
    };
    static constexpr std::array<Name, 30> Names = {{
        {"r", FigureKind::FourSided},
        {"c", FigureKind::CircleOrEllipse},
        {"t", FigureKind::ThreeSided},
        {"p", FigureKind::ManySided},
        {"four sided polygon", FigureKind::FourSided},
        {"four sided polygons", FigureKind::FourSided},
        {"polygon of four sides", FigureKind::FourSided},
        {"polygons of four sides", FigureKind::FourSided},
        {"poligono de cuatro lados", FigureKind::FourSided},
        {"poligonos de cuatro lados", FigureKind::FourSided},
        {"foursided", FigureKind::FourSided},
        {"circle or ellipse", FigureKind::CircleOrEllipse},
        {"circulo o elipse", FigureKind::CircleOrEllipse},
        {"figures of circular or elliptic line", FigureKind::CircleOrEllipse},
        {"figuras de trazo circular o eliptico", FigureKind::CircleOrEllipse},
        {"circleorellipse", FigureKind::CircleOrEllipse},
        {"three sided polygon", FigureKind::ThreeSided},
        {"three sided polygons", FigureKind::ThreeSided},
        {"polygon of three sides", FigureKind::ThreeSided},
        {"polygons of three sides", FigureKind::ThreeSided},
        {"poligono de tres lados", FigureKind::ThreeSided},
        {"poligonos de tres lados", FigureKind::ThreeSided},
        {"threesided", FigureKind::ThreeSided},
        {"polygon of more than four sides", FigureKind::ManySided},
        {"polygons of more than four sides", FigureKind::ManySided},
        {"poligono de mas de cuatro lados", FigureKind::ManySided},
        {"poligonos de mas de cuatro lados", FigureKind::ManySided},
        {"manysided", FigureKind::ManySided},
        {"many sided polygon", FigureKind::ManySided},
        {"many sided polygons", FigureKind::ManySided},
    }};
    for (const Name& name : Names) {
        if (plain == name.text) {
            return name.kind;
        }
    }
    return std::nullopt;
}

std::string csvField(std::string_view text)
{
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

TransferWriter::TransferWriter(TransferFormat format, std::function<bool(std::string_view)> sink)
    : m_format(format), m_sink(std::move(sink))
{}

bool TransferWriter::begin()
{
    m_buffer += m_format == TransferFormat::Csv ? "name,figure,address\r\n" : "[";
    return flush(false);
}

bool TransferWriter::write(std::string_view name, FigureKind kind)
{
    const std::string address = figureAddress(kind, name);
    if (m_format == TransferFormat::Csv) {
        m_buffer += csvField(name);
        m_buffer += ',';
        m_buffer += figureLetter(kind);
        m_buffer += ',';
        m_buffer += csvField(address);
        m_buffer += "\r\n";
    } else {
        m_buffer += m_first ? "\n" : ",\n";
        m_buffer += "{\"name\":";
        m_buffer += jsonString(name);
        m_buffer += ",\"figure\":\"";
        m_buffer += figureLetter(kind);
        m_buffer += "\",\"address\":";
        m_buffer += jsonString(address);
        m_buffer += '}';
    }
    m_first = false;
    return flush(false);
}

bool TransferWriter::end()
{
    if (m_format == TransferFormat::Json) {
        m_buffer += "\n]\n";
    }
    return flush(true);
}

bool TransferWriter::flush(bool force)
{
    if (m_buffer.empty() || (!force && m_buffer.size() < ChunkBytes)) {
        return true;
    }
    const bool written = m_sink(m_buffer);
    m_buffer.clear();
    return written;
}

} // namespace quorvel::store
