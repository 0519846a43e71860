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

/// One row of an import that was corrected or refused, for the report.
struct ImportNote
{
    long line = 0;
    std::optional<TransferProblem> problem; ///< set when the row was refused
    std::string detail;                     ///< the figure, key or field the problem is about
    long count = 0;                         ///< FieldCount: the fields found and the header's fields
    long expected = 0;
    std::string written; ///< the name as the file gives it (valid UTF-8 for showing)
    std::string name;    ///< the name kept, after the corrections

    /// One correction of the name rules: the character removed (and where), or the cut to MaxNameLength.
    struct Correction
    {
        NameNotice notice = NameNotice::InvalidCharacter;
        int position = 0;       ///< 1-based, in the text as it stood at this correction
        char32_t character = 0; ///< the character removed (U+DC80 + byte for a byte that is not UTF-8)
    };
    std::vector<Correction> corrections; ///< the first few corrections, in order
    long correctionCount = 0;            ///< all corrections, also those not listed
};

/// What became of an import. Every row read is counted exactly once: kept, corrected, already there or
/// refused.
struct ImportSummary
{
    long kept = 0;         ///< added as written (letter case aside)
    long corrected = 0;    ///< added after the name rules corrected the name
    long alreadyThere = 0; ///< already kept with that figure, or earlier in the same file; not added again
    long refused = 0;      ///< malformed, an unknown figure, or no name left after the corrections
    bool dryRun = false;
    bool written = false; ///< the records were committed to the file (never on a dry run)

    /// When set, the file to import could not be used at all and nothing was written.
    std::optional<TransferItem> fileProblem;
    /// When set, the favourites file could not take the records and nothing was written.
    std::optional<StoreProblem> storeProblem;
    std::string storeDetail;

    long rows() const { return kept + corrected + alreadyThere + refused; }
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

/// Reads rows from reader, runs each name through the name rules as if it had been typed, and adds the
/// rows that are kept to the store in one transaction (none on a dry run). note is called for each
/// corrected or refused row. The memory used does not grow with the input: rows wait in a temporary file.
ImportSummary importFavourites(FavouritesStore& store, TransferReader& reader, bool dryRun,
                               const std::function<void(const ImportNote&)>& note);

/// importFavourites from a file ("-": standard input). Without a format, the first bytes decide.
ImportSummary importFile(FavouritesStore& store, const QString& path, std::optional<TransferFormat> format, bool dryRun,
                         const std::function<void(const ImportNote&)>& note);

/// Writes every record with a class letter to sink, in table order. A missing file or table is an empty
/// list.
ExportSummary exportFavourites(FavouritesStore& store, TransferFormat format,
                               const std::function<bool(std::string_view)>& sink);

/// exportFavourites into a file, replaced only once the whole export is written ("-": standard output).
ExportSummary exportFile(FavouritesStore& store, const QString& path, TransferFormat format);

/// The format a file name asks for: JSON for a name ending in .json or .jsonl, else CSV.
TransferFormat formatForFileName(const QString& path);

/// One line of the import report for a corrected or refused row, in the given language.
std::string describeNote(const ImportNote& note, UiLanguage language);

/// Why a file could not be imported at all, in the given language.
std::string describeFileProblem(const TransferItem& problem, UiLanguage language);

/// Why the favourites file could not be read or written, in the given language.
std::string describeStoreProblem(StoreProblem problem, const std::string& filePath, UiLanguage language);

/// The closing summary: kept, corrected, already there, refused.
std::string describeSummary(const ImportSummary& summary, UiLanguage language);

/// A text of resources/texts/transfer.tsv in the given language, %1, %2, ... replaced by values.
std::string transferText(std::string_view key, UiLanguage language, std::initializer_list<std::string> values);

} // namespace quorvel::store
