#pragma once

#include "core/FigureCoding.h"
#include "store/FavouritesCursor.h"

#include <QString>
#include <QStringList>

#include <array>

namespace quorvel::store {

/// The placeholder of a class of figure that shows no name.
inline const QString NoNameShown = QStringLiteral("?");

/// What the four address labels of the name search show: one text per class of figure, in the order of
/// FigureKind, each the placeholder "?" or a name.
struct WordDisplay
{
    std::array<QString, 4> texts{NoNameShown, NoNameShown, NoNameShown, NoNameShown};

    const QString& text(FigureKind kind) const { return texts[figureIndex(kind)]; }
    /// All four texts are "?".
    bool nothingShown() const;
    /// Sets all four texts to "?".
    void clear();
    /// Writes name into the text whose letter is the record's Figura; any other Figura changes nothing.
    void place(const QString& name, const FavouriteRecord& record);

    friend bool operator==(const WordDisplay&, const WordDisplay&) = default;
};

/// The four lists of the search by figure, one per class of figure, in table order, repeats kept.
struct FigureLists
{
    std::array<QStringList, 4> lists;

    const QStringList& list(FigureKind kind) const { return lists[figureIndex(kind)]; }
};

enum class SearchOutcome
{
    EmptyText,
    NotFound,
    Found,
};

/// The name search for the text of the search box. Shows, in the display, every class of figure the
/// name (the text in lower case) is kept with, wherever its records lie; leaves the cursor on the first
/// record of the name, or on the first record of the table when nothing was found. An empty text changes
/// nothing. Throws StoreFailure (the display then shows nothing).
SearchOutcome searchByName(FavouritesCursor& cursor, WordDisplay& display, const QString& text);

/// Fills the four lists with every record's name, by its Figura, and puts the cursor on the first record.
/// Throws StoreFailure (the lists are then empty).
void listByFigure(FavouritesCursor& cursor, FigureLists& lists);

enum class StepDirection
{
    Next, ///< the word after the one shown (the first word when nothing is shown); at the last word nothing changes
    Back, ///< the word before the one shown (the last word when nothing is shown); at the first word nothing changes
};

/// Shows the neighbouring word of the one shown, in the given direction. Throws StoreFailure.
void stepWord(FavouritesCursor& cursor, WordDisplay& display, StepDirection direction);

} // namespace quorvel::store
