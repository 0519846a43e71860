#include "store/FavouritesSearch.h"

#include "core/AsciiText.h"

namespace quorvel::store {

namespace {

/// The index of the class whose letter is exactly this text, or -1.
int indexOfLetter(const QString& figura)
{
    const auto kind = figureKindForLetter(figura.toStdString());
    return kind ? static_cast<int>(figureIndex(*kind)) : -1;
}

// The name rules and the store's comparisons fold only A to Z; any other letter (the Kelvin sign, a dotted
// capital I) stays as it is, so it never turns into a different stored name.
QString asciiLowerText(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower) {
        c = QChar(static_cast<char16_t>(asciiLower(static_cast<char32_t>(c.unicode()))));
    }
    return lower;
}

enum class Walk
{
    Forwards,
    Backwards
};

// A word is a run of adjacent records with the same Nom. Showing it walks the run from the record under
// the cursor and leaves the cursor on the run's far record; the walk stops at the end of the table without
// reading beyond it.
void showWord(FavouritesCursor& cursor, WordDisplay& display, Walk walk)
{
    const bool forwards = walk == Walk::Forwards;
    const auto pastTheEnd = [&cursor, forwards] { return forwards ? cursor.afterLast() : cursor.beforeFirst(); };
    const auto step = [&cursor](bool ahead) { ahead ? cursor.toNext() : cursor.toPrevious(); };

    display.clear();
    const QString word = cursor.currentRecord().Nom;
    for (FavouriteRecord record = cursor.currentRecord(); record.Nom == word; record = cursor.currentRecord()) {
        display.place(word, record);
        if (!pastTheEnd()) {
            step(forwards);
        }
        if (pastTheEnd()) {
            break;
        }
    }
    step(!forwards);
}

// The name under the cursor is no longer kept (the user deleted every class of it): the cursor still stands
// where its record stood, so the word after it, or before it, is one step away. At the end of the table
// nothing is shown and the cursor comes back onto the nearest record (an empty table fails there).
void goOnFromRemovedName(FavouritesCursor& cursor, WordDisplay& display, Walk walk)
{
    if (walk == Walk::Forwards) {
        cursor.toNext();
        if (cursor.afterLast()) {
            cursor.toLast();
            return;
        }
    } else {
        cursor.toPrevious();
        if (cursor.beforeFirst()) {
            cursor.toFirst();
            return;
        }
    }
    showWord(cursor, display, walk);
}

} // namespace

bool WordDisplay::nothingShown() const
{
    for (const QString& text : texts) {
        if (text != NoNameShown) {
            return false;
        }
    }
    return true;
}

void WordDisplay::clear()
{
    texts.fill(NoNameShown);
}

void WordDisplay::place(const QString& name, const FavouriteRecord& record)
{
    const int index = indexOfLetter(record.Figura);
    if (index >= 0) {
        texts[static_cast<std::size_t>(index)] = name;
    }
}

SearchOutcome searchByName(FavouritesCursor& cursor, WordDisplay& display, const QString& text)
{
    if (text.isEmpty()) {
        return SearchOutcome::EmptyText;
    }
    display.clear();
    const QString name = asciiLowerText(text);
    cursor.toFirst();
    // Every record whose Nom is exactly the lower-case name, wherever it lies, asked of the index rather
    // than by walking the table.
    for (const QString& figura : cursor.figurasOfName(name)) {
        display.place(name, {name, figura});
    }
    if (display.nothingShown()) {
        cursor.toFirst();
        return SearchOutcome::NotFound;
    }
    // The cursor goes to the name as typed, compared without regard to ASCII letter case, which finds the
    // same records; should it miss, the walk starts from the first record.
    if (!cursor.findFirstByName(text)) {
        cursor.toFirst();
    }
    return SearchOutcome::Found;
}

void listByFigure(FavouritesCursor& cursor, FigureLists& lists)
{
    for (QStringList& list : lists.lists) {
        list.clear();
    }
    cursor.toFirst();
    for (const FavouriteRecord& record : cursor.allRecords()) {
        const int index = indexOfLetter(record.Figura);
        if (index >= 0) {
            lists.lists[static_cast<std::size_t>(index)] << record.Nom;
        }
    }
    cursor.toFirst();
}

void stepWord(FavouritesCursor& cursor, WordDisplay& display, StepDirection direction)
{
    const bool forwards = direction == StepDirection::Next;
    const Walk walk = forwards ? Walk::Forwards : Walk::Backwards;
    const QString current = cursor.currentRecord().Nom;
    if (cursor.figurasOfName(current).isEmpty()) {
        goOnFromRemovedName(cursor, display, walk);
        return;
    }
    cursor.toFirst();
    const QString first = cursor.currentRecord().Nom;
    // The word beyond which a step in this direction goes nowhere.
    QString farEnd = first;
    if (forwards) {
        cursor.toLast();
        farEnd = cursor.currentRecord().Nom;
    }
    // The cursor goes to the record of the word shown that lies furthest in the walk's direction.
    forwards ? cursor.findLastByName(current) : cursor.findFirstByName(current);
    if (cursor.currentRecord().Nom == first && display.nothingShown()) {
        // Nothing shown yet: the walk starts at its own end of the table.
        forwards ? cursor.toFirst() : cursor.toLast();
        showWord(cursor, display, walk);
        return;
    }
    const bool pastTheEnd = forwards ? cursor.afterLast() : cursor.beforeFirst();
    if (cursor.currentRecord().Nom != farEnd && !pastTheEnd) {
        forwards ? cursor.toNext() : cursor.toPrevious();
        showWord(cursor, display, walk);
    }
}

} // namespace quorvel::store
