#include "core/Unicode.h"
#include "store/TransferInput.h"

namespace quorvel::store::detail {

namespace {

constexpr int JsonDepthLimit = 256;

/// JSON as an array of objects, or one object per line; the keys name, figure and address.
class JsonReader final : public RowReader
{
public:
    explicit JsonReader(Input& in) : m_in(in) {}

    std::optional<TransferItem> start() override { return readJsonStart(); }

private:
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
            return emptyOrInputProblem(m_in);
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

public:
    bool next(TransferItem& item) override
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
                    m_in.skipLine(); // else the line break that ended it was what failed, and the next line is whole
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

private:
    Input& m_in;
    bool m_jsonArray = false;
    bool m_arrayDone = false;
    long m_arrayEntries = 0;
};

} // namespace

std::unique_ptr<RowReader> makeJsonReader(Input& in)
{
    return std::make_unique<JsonReader>(in);
}

} // namespace quorvel::store::detail
