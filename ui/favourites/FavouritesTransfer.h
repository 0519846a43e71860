#pragma once

#include "core/Language.h"
#include "store/TransferFormat.h"

#include <QString>

class QWidget;

namespace quorvel::store {
class FavouritesStore;
}

namespace quorvel::ui {

/// A type of file favourites can be read from: its name and the patterns of its file names. The import
/// dialog offers all of them at once, then each on its own; a new reader adds its row here.
struct ReadableType
{
    const char* name;
    const char* patterns;
};

inline constexpr ReadableType ReadableTypes[] = {
    {"CSV", "*.csv *.txt"},
    {"JSON", "*.json *.jsonl"},
    {"Access", "*.mdb *.accdb"},
};

/// The import dialog's list of types: every readable type at once, each on its own, then all files.
QString readableTypesFilter(UiLanguage language);

/// The format an export is written in: the one its file name's ending names (.csv, .json, .jsonl), else the
/// type chosen in the dialog; a name without an ending gets that type's.
store::TransferFormat exportFormatFor(QString& path, const QString& chosenType);

/// Asks for a file and writes every favourite to it in the type chosen, then tells the user how many were
/// written or why none were.
void exportFavouritesFromWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store);

/// Asks for a file, shows what importing it would do (the counts and every row corrected or left out) and,
/// when the user agrees, imports it into the store and shows the same report of what was done, which can be
/// saved. True when records were added, so the window shows them.
bool importFavouritesIntoWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store);

} // namespace quorvel::ui
