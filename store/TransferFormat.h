#pragma once

#include "core/FigureCoding.h"
#include "core/JsonText.h" // jsonString: the one JSON escaper

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvel::store {

/// The two file formats favourites travel in.
enum class TransferFormat
{
    Csv,  ///< RFC 4180: header name,figure,address; on input also ; or tab, Spanish headers, a BOM, CRLF or LF
    Json, ///< an array of objects with the keys name, figure, address; JSON lines accepted on input
};

/// The longest record (CSV) or string (JSON) a reader keeps; anything longer is refused without being held.
inline constexpr std::size_t MaxRecordBytes = 64 * 1024;

/// Why one row of an import file was refused, or why the whole file cannot be used.
enum class TransferProblem
{
    // One row, refused; the rows around it are read on.
    UnclosedQuote,  ///< a quoted CSV field runs to the end of the file
    TextAfterQuote, ///< a closing quote is followed by something other than a separator or a line end
    FieldCount,     ///< the CSV row has more fields than the header (count: the fields found)
    MissingField,   ///< the row has no name or no figure (text: "name" or "figure")
    RowTooLong,     ///< the row is longer than MaxRecordBytes
    NotAString,     ///< a JSON name or figure that is not a string (text: the key)
    DuplicateKey,   ///< a JSON object names a key twice (text: the key)
    NotAnObject,    ///< a JSON entry that is not an object
    JsonSyntax,     ///< a JSON line that is not well-formed JSON
    UnknownFigure,  ///< the figure is no class letter or class name (text: the figure as written)
    EmptyName,      ///< nothing of the name is left once the name rules have corrected it
                    // The whole file; nothing of it is used.
    NotText,        ///< a NUL byte: a binary file, or UTF-16 text
    Utf16,          ///< a UTF-16 byte order mark
    HeaderMissing,  ///< the first CSV row does not name the columns name and figure (in either language)
    HeaderRepeated, ///< the CSV header names a column twice (text: the column)
    BadJson,        ///< the JSON text is not well-formed (at line)
    TooDeep,        ///< JSON values nested beyond reason
    EmptyFile,      ///< the file holds nothing at all
    ReadFailed,     ///< the file could not be read (text: the system's words)
    NoSuchFile,     ///< there is no file of that name
    IsFolder,       ///< the name is that of a folder
    NotAFile,       ///< a named pipe, a device or a socket: nothing a file of favourites can be
    CannotOpen,     ///< the file cannot be opened (text: the system's words)
};

/// Whether a problem makes the whole file unusable rather than refusing one row.
bool isFileProblem(TransferProblem problem);

/// The problem's name as a word, for machine-readable output and tests ("UnclosedQuote", ...).
std::string_view transferProblemName(TransferProblem problem);

/// What a reader found next: a row (line, name, figure as written), or a problem with its line.
struct TransferItem
{
    long line = 0; ///< 1-based line of the file where the row starts
    std::string name;
    std::string figure;
    std::optional<TransferProblem> problem; ///< set for a refused row or an unusable file
    std::string detail;                     ///< the text or key the problem is about
    long count = 0;                         ///< FieldCount: the fields found; the header's count is in expected
    long expected = 0;
};

/// Reads the next bytes of the input into buffer: the number read, 0 at the end, -1 on failure (errno set).
using ReadBytes = std::function<long(char* buffer, std::size_t size)>;

/// How the bytes of an import file become text.
enum class TextEncoding
{
    Auto,        ///< UTF-8; a field that is not valid UTF-8 is read as Windows-1252 (and that is noted)
    Utf8,        ///< UTF-8 only: bytes that are not UTF-8 stay as they are (the name rules remove them)
    Windows1252, ///< what spreadsheets on Windows save by default
};

/// Whether bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);

/// Windows-1252 bytes as UTF-8.
std::string windows1252ToUtf8(std::string_view bytes);

/// Reads rows from a CSV or JSON input as it streams in: the memory used does not grow with the input.
/// A CSV file may separate its fields by commas, semicolons or tabs (the header line tells which) and name its
/// columns in English or Spanish.
class TransferReader
{
public:
    TransferReader(TransferFormat format, ReadBytes read, TextEncoding encoding = TextEncoding::Auto);
    ~TransferReader();
    TransferReader(const TransferReader&) = delete;
    TransferReader& operator=(const TransferReader&) = delete;

    /// The next row or problem; false at the end of the input. After a file problem there is nothing more.
    bool next(TransferItem& item);

    /// True once a row that was not UTF-8 has been read as Windows-1252 (encoding Auto).
    bool usedWindows1252() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

/// The format an input most likely has from its first bytes: JSON when the first non-blank character is
/// '[' or '{', else CSV.
TransferFormat sniffFormat(std::string_view firstBytes);

/// One word the figure column accepts, as compared: lower case, without accents, hyphens as blanks.
struct FigureWord
{
    std::string_view text;
    FigureKind kind;
};

/// Every word the figure column accepts, the class letters first.
std::span<const FigureWord> figureWords();

/// The class of figure a written figure stands for: the letter (either case), the class name in Spanish or
/// English, or the everyday name of a figure of the class ("cuadrado", "circle", "hexágono"), with or without
/// accents, singular or plural, blanks around ignored.
std::optional<FigureKind> figureFromText(std::string_view text);

/// Writes favourites as CSV or JSON to a sink, one record at a time.
class TransferWriter
{
public:
    /// sink takes each block of output; it returns false when the output cannot be written.
    TransferWriter(TransferFormat format, std::function<bool(std::string_view)> sink);

    bool begin();
    bool write(std::string_view name, FigureKind kind);
    bool end();

private:
    bool flush(bool force);

    TransferFormat m_format;
    std::function<bool(std::string_view)> m_sink;
    std::string m_buffer;
    bool m_first = true;
};

/// A text as one CSV field: quoted when it holds a separator, a quote or a line break.
std::string csvField(std::string_view text);

} // namespace quorvel::store
