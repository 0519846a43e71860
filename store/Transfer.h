#pragma once

#include "core/Language.h"
#include "core/NameRules.h"
#include "store/FavouritesCursor.h"
#include "store/TransferFormat.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::store {

class FavouritesStore;

/// One row of an import that was corrected or left out, for the report.
struct ImportNote
{
    long line = 0;
    std::optional<TransferProblem> problem; ///< set when the row was left out
    std::string detail;                     ///< the figure, key or field the problem is about
    long count = 0;                         ///< FieldCount: the fields found and the header's fields
    long expected = 0;
    std::string written; ///< the name as the file gives it (valid UTF-8 for showing)
    std::string figure;  ///< the figure as the file gives it (valid UTF-8 for showing)
    std::string name;    ///< the name saved, after the corrections

    /// One kind of correction of the name rules, with where it was made in the name as written.
    struct Correction
    {
        enum class Kind
        {
            UpperCase,     ///< capitals made small
            LeadingHyphen, ///< a hyphen before the first letter or digit removed
            Removed,       ///< a character that is no name symbol removed
            Cut,           ///< the name cut to MaxNameLength
        };
        Kind kind = Kind::Removed;
        char32_t character = 0;      ///< Removed: the character (U+DC80 + byte for a byte that is not UTF-8)
        long times = 0;              ///< how often it was made
        std::vector<long> positions; ///< 1-based, in the name as written (the first few)
    };
    std::vector<Correction> corrections; ///< in order of first appearance
};

/// What became of an import. Every row read is counted once: written (some of them with the name corrected),
/// already there, or left out.
struct ImportSummary
{
    long written = 0;      ///< favourites written (on a dry run: that would be written)
    long corrected = 0;    ///< of those written, how many had their name corrected
    long alreadyThere = 0; ///< already kept with that figure, or earlier in the same file; not added again
    long leftOut = 0;      ///< malformed, an unknown figure, or no name left after the corrections
    bool dryRun = false;
    bool committed = false;         ///< the records were committed to the file (never on a dry run)
    bool readAsWindows1252 = false; ///< rows that were not UTF-8 were read as Windows-1252

    /// When set, the file to import could not be used at all and nothing was written.
    std::optional<TransferItem> fileProblem;
    /// When set, the favourites file could not take the records and nothing was written.
    std::optional<StoreProblem> storeProblem;
    std::string storeDetail;

    long rows() const { return written + alreadyThere + leftOut; }
    bool failed() const { return fileProblem.has_value() || storeProblem.has_value(); }
};

/// What an export wrote.
struct ExportSummary
{
    long written = 0; ///< records written
    long skipped = 0; ///< records whose figure is no class letter: shown nowhere, so not exported either
    std::optional<StoreProblem> storeProblem;
    std::string storeDetail;
    std::string outputError; ///< the system's words when the output could not be written
    bool failed() const { return storeProblem.has_value() || !outputError.empty(); }
};

/// The input of an import as an open file descriptor, or why there is none.
struct ImportInput
{
    int fd = -1;
    bool owned = false; ///< closed by close()
    std::optional<TransferProblem> problem;
    std::string detail;
    void close();
};

/// Opens a file to import without ever blocking: "-" is standard input; any other path must name a
/// regular file (a folder, a named pipe or a device is refused without waiting for a writer).
ImportInput openImportInput(const QString& path);

/// The next row already read from a file of any kind (line or record number, name and figure as written,
/// in UTF-8), or a problem; false at the end.
using NextRow = std::function<bool(TransferItem& item)>;

/// Runs each row's name through the name rules as if it had been typed, and adds the rows that are kept to
/// the store in one transaction (none on a dry run). note is called for each corrected or left-out row. The
/// memory used does not grow with the input: rows wait in a temporary file. Every reader of favourites ends
/// here, so all give the same counts and report.
ImportSummary importRows(FavouritesStore& store, const NextRow& next, bool dryRun,
                         const std::function<void(const ImportNote&)>& note);

/// importRows over a CSV or JSON reader.
ImportSummary importFavourites(FavouritesStore& store, TransferReader& reader, bool dryRun,
                               const std::function<void(const ImportNote&)>& note);

/// importFavourites from a file ("-": standard input). Without a format, the first bytes decide. With
/// TextEncoding::Auto, each field that is not UTF-8 is read as Windows-1252, so a file that mixes both loses
/// nothing either.
ImportSummary importFile(FavouritesStore& store, const QString& path, std::optional<TransferFormat> format, bool dryRun,
                         const std::function<void(const ImportNote&)>& note,
                         TextEncoding encoding = TextEncoding::Auto);

/// Writes every record with a class letter to sink, in table order. A missing file or table is an empty
/// list.
ExportSummary exportFavourites(FavouritesStore& store, TransferFormat format,
                               const std::function<bool(std::string_view)>& sink);

/// exportFavourites into a file, replaced only once the whole export is written ("-": standard output).
ExportSummary exportFile(FavouritesStore& store, const QString& path, TransferFormat format);

/// The format a file name asks for: JSON for a name ending in .json or .jsonl, else CSV.
TransferFormat formatForFileName(const QString& path);

/// One line of the import report for a corrected or left-out row, in the given language.
std::string describeNote(const ImportNote& note, UiLanguage language, bool dryRun = false);

/// The corrections made to a row's name in plain words ("blank removed (position 8); «ú» removed ...").
std::string describeCorrections(const ImportNote& note, UiLanguage language);

/// Why a row was left out, in plain words.
std::string describeLeftOut(const ImportNote& note, UiLanguage language);

/// Why a file could not be imported at all, in the given language.
std::string describeFileProblem(const TransferItem& problem, UiLanguage language);

/// Why the favourites file could not be read or written, in the given language.
std::string describeStoreProblem(StoreProblem problem, const std::string& filePath, UiLanguage language);

/// The counts of an import, one per line: written (with the name corrected), already there, left out, rows
/// read; then, when so, that the file was read as Windows-1252.
std::vector<std::string> describeSummaryLines(const ImportSummary& summary, UiLanguage language);

/// The same on one line, as the command line closes its report.
std::string describeSummary(const ImportSummary& summary, UiLanguage language);

/// A text of resources/texts/transfer.tsv in the given language, %1, %2, ... replaced by values.
std::string transferText(std::string_view key, UiLanguage language, std::initializer_list<std::string> values);

} // namespace quorvel::store
