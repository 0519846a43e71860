#pragma once

#include "access/AccessImport.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace quorvel::access {

/// What a conversion did.
struct ConversionResult
{
    AccessImportSummary import; ///< the records: kept, corrected, already there, left out
    bool converted = false;     ///< the converted favourites are in place
    QString favouritesPath;     ///< where the favourites are kept from now on
    QString accessPath;         ///< where the Access file lies now (unchanged when it was not moved)
    /// When set, nothing was converted: why, in plain words (the Access file could not be read, or the new
    /// favourites file could not be written).
    std::string failure;
};

/// Converts the Access favourites file at accessPath into a favourites file in the program's own format.
///
/// The records go through the rules of every import (importAccessFile) into a new file written completely
/// beside the old one and flushed to disc. Where the Access file's folder can be written, the Access file is
/// then given a second name that says what it is (QUORVEL.MDB.access, or .access.1 and on when that is
/// taken: nothing is overwritten) and the new file takes the old name; killed at any moment, the folder
/// holds either the untouched Access file under its old name, or the converted favourites under it and the
/// Access file under its new name. Where the folder cannot be written, the converted favourites go to
/// fallbackFolder (added to a favourites file already there) and the Access file stays as it is; with an
/// empty fallbackFolder that is a failure. A file that cannot be read to its end converts nothing and writes
/// nothing anywhere.
ConversionResult convertAccessFavourites(const QString& accessPath, const QString& fallbackFolder,
                                         const std::function<void(const store::ImportNote&)>& note,
                                         const ReaderSettings& reader = {}, UiLanguage language = UiLanguage::English);

/// The summary of a conversion in plain words: how many favourites are kept now, how many names were
/// corrected, how many records were left out and why, and where the files are.
std::string describeConversion(const ConversionResult& result, UiLanguage language);

} // namespace quorvel::access
