#pragma once

#include "access/AccessReader.h"
#include "core/Language.h"
#include "store/Transfer.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace quorvel::store {
class FavouritesStore;
}

namespace quorvel::access {

/// What became of the import of an Access file's favourites. Every record of the table is counted once in
/// summary: kept, corrected, already there, or refused (left out); leftOutFigure counts the refused records
/// whose figure is no class letter.
struct AccessImportSummary
{
    store::ImportSummary summary;
    long leftOutFigure = 0;
    /// When set, the Access file could not be read and nothing was written.
    std::optional<ReadFailure> readFailure;
    bool failed() const { return readFailure.has_value() || summary.failed(); }
};

/// Where the reading happens and how long it may take.
struct ReaderSettings
{
    QString program = defaultReaderProgram();
    int timeLimitMs = ReadingTimeLimitMs;
};

/// Reads the favourites table of the Access file at accessPath and adds its records to store by the rules of
/// every import: each name through the name rules as if typed, the same name and figure kept once. The figure
/// must be exactly one of the letters r, c, t, p (the only ones any window shows); other records are left
/// out and reported. All or nothing: a file that cannot be read to its end adds nothing. note is called for
/// each corrected or left-out record; its line is the record's number, from 1.
AccessImportSummary importAccessFile(store::FavouritesStore& store, const QString& accessPath, bool dryRun,
                                     const std::function<void(const store::ImportNote&)>& note,
                                     const ReaderSettings& reader = {});

/// "FILE cannot be read as an Access file: why", in the given language.
std::string describeReadFailure(const ReadFailure& failure, const std::string& filePath, UiLanguage language);

/// One line of the report for a corrected or left-out record ("record 7: ...").
std::string describeAccessNote(const store::ImportNote& note, UiLanguage language);

/// A text of resources/texts/access.tsv in the given language, %1, %2, ... replaced by values.
std::string accessText(std::string_view key, UiLanguage language, std::initializer_list<std::string> values);

} // namespace quorvel::access
