#pragma once

#include "core/Language.h"

class QWidget;

namespace quorvel::store {
class FavouritesStore;
}

namespace quorvel::ui {

/// Asks for a file and writes every favourite to it (CSV, or JSON for a name ending in .json), then tells
/// the user how many were written or why none were.
void exportFavouritesFromWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store);

/// Asks for a file and imports it into the store, then sums up in one notice what became of its rows
/// (kept, corrected, already there, refused) with the first corrected or refused rows. True when records
/// were added, so the window shows them.
bool importFavouritesIntoWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store);

} // namespace quorvel::ui
