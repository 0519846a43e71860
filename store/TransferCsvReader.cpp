#include "store/TransferInput.h"

#include <array>

namespace quorvel::store::detail {

namespace {

enum class HeaderColumn
{
    Other,
    Name,
    Figure,
    Address,
};

/// The column a header word names, in either language (compared as plainWord gives it).
HeaderColumn headerColumn(std::string_view word)
{
    struct Word
    {
        std::string_view text;
        HeaderColumn column;
    };
    static constexpr std::array<Word, 6> Words = {{
        {"name", HeaderColumn::Name},
        {"nombre", HeaderColumn::Name},
        {"figure", HeaderColumn::Figure},
        {"figura", HeaderColumn::Figure},
        {"address", HeaderColumn::Address},
        {"direccion", HeaderColumn::Address},
    }};
    for (const Word& w : Words) {
        if (word == w.text) {
            return w.column;
        }
    }
    return HeaderColumn::Other;
}

/// CSV as spreadsheets write it: RFC 4180 quoting, a separator chosen from the header line (comma,
/// semicolon or tab), the columns found by their header words in either language.
class CsvReader final : public RowReader
{
public:
    CsvReader(Input& in, TextEncoding encoding, bool& usedWindows1252)
        : m_in(in), m_encoding(encoding), m_usedWindows1252(usedWindows1252)
    {}

    std::optional<TransferItem> start() override { return readHeader(); }

private:
    struct Record
    {
        long line = 0;
        std::vector<std::string> fields;
        std::optional<TransferProblem> problem;
        bool tooLong = false;
        bool cutShort = false; ///< the input ended on a NUL byte or a read failure within this record
    };

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
                    if (c != m_separator && c != '\n' && c != '\r' && c != EndOfInput) {
                        record.problem = TransferProblem::TextAfterQuote;
                        if (c != EndOfInput) {
                            m_in.skipLine();
                        }
                        record.fields.push_back(std::move(field));
                        return true;
                    }
                } else {
                    while (c != m_separator && c != '\n' && c != '\r' && c != EndOfInput) {
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
                if (c == m_separator) {
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

    /// Reads the first line ahead to choose the separator: of comma, semicolon and tab, the one found most
    /// often outside quotes (a comma when none is).
    void chooseSeparator()
    {
        std::string line;
        bool quoted = false;
        std::size_t commas = 0;
        std::size_t semicolons = 0;
        std::size_t tabs = 0;
        for (int c = m_in.peek(); c != EndOfInput && line.size() < MaxRecordBytes; c = m_in.peek()) {
            m_in.get();
            line += static_cast<char>(c);
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == '\n' || c == '\r')) {
                break;
            } else if (!quoted) {
                commas += c == ',' ? 1 : 0;
                semicolons += c == ';' ? 1 : 0;
                tabs += c == '\t' ? 1 : 0;
            }
        }
        m_in.putBack(line);
        if (semicolons > commas && semicolons >= tabs) {
            m_separator = ';';
        } else if (tabs > commas && tabs > semicolons) {
            m_separator = '\t';
        }
    }

    std::optional<TransferItem> readHeader()
    {
        chooseSeparator();
        Record header;
        if (!readRecord(header)) {
            return emptyOrInputProblem(m_in);
        }
        if (header.cutShort) {
            return emptyOrInputProblem(m_in);
        }
        if (header.problem || header.tooLong) {
            return fileProblem(TransferProblem::HeaderMissing, header.line);
        }
        m_columns = static_cast<long>(header.fields.size());
        for (std::size_t i = 0; i < header.fields.size(); ++i) {
            bool unused = false;
            const std::string written = decodeField(header.fields[i], m_encoding, unused);
            const std::string column = plainWord(written).value_or("");
            const HeaderColumn which = headerColumn(column);
            long* index = which == HeaderColumn::Name     ? &m_nameColumn
                          : which == HeaderColumn::Figure ? &m_figureColumn
                                                          : nullptr;
            if (which == HeaderColumn::Address) {
                if (m_addressSeen) {
                    return fileProblem(TransferProblem::HeaderRepeated, header.line, written);
                }
                m_addressSeen = true;
            }
            if (index != nullptr) {
                if (*index >= 0) {
                    return fileProblem(TransferProblem::HeaderRepeated, header.line, written);
                }
                *index = static_cast<long>(i);
            }
        }
        if (m_nameColumn < 0 || m_figureColumn < 0) {
            return fileProblem(TransferProblem::HeaderMissing, header.line);
        }
        return std::nullopt;
    }

public:
    bool next(TransferItem& item) override
    {
        Record record;
        if (!readRecord(record)) {
            return false;
        }
        item = TransferItem{};
        item.line = record.line;
        if (record.cutShort) {
            return inputProblem(m_in, item); // the row was cut short by the end of the readable input
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
            if (m_nameColumn < count) {
                item.name =
                    decodeField(record.fields[static_cast<std::size_t>(m_nameColumn)], m_encoding, m_usedWindows1252);
            }
            return true;
        }
        item.name = decodeField(record.fields[static_cast<std::size_t>(m_nameColumn)], m_encoding, m_usedWindows1252);
        item.figure =
            decodeField(record.fields[static_cast<std::size_t>(m_figureColumn)], m_encoding, m_usedWindows1252);
        return true;
    }

private:
    Input& m_in;
    TextEncoding m_encoding;
    bool& m_usedWindows1252;
    char m_separator = ',';
    long m_columns = 0;
    long m_nameColumn = -1;
    long m_figureColumn = -1;
    bool m_addressSeen = false;
};

} // namespace

std::unique_ptr<RowReader> makeCsvReader(Input& in, TextEncoding encoding, bool& usedWindows1252)
{
    return std::make_unique<CsvReader>(in, encoding, usedWindows1252);
}

} // namespace quorvel::store::detail
