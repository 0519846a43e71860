// The name search, the lists by figure and the word navigation, table-driven: every case runs on a
// cursor over records in exactly the order listed, and, where that order is already by name, on a real
// favourites file too.
#include "store/FavouritesSearch.h"
#include "store/FavouritesStore.h"
#include "tests/support/FavouritesFixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace quorvel;
using namespace quorvel::store;
using quorvel::test::Rows;

namespace {

/// A cursor over records held in memory in the order given, with the same end flags and finds as the
/// file's cursor; it lets the navigation run on orders the file never delivers (a name split in two runs).
class ListCursor final : public FavouritesCursor
{
public:
    explicit ListCursor(Rows rows) : m_rows(std::move(rows))
    {
        if (!m_rows.empty()) {
            m_at = 0;
        }
    }

    bool beforeFirst() const override { return m_rows.empty() || m_at < 0; }
    bool afterLast() const override { return m_rows.empty() || m_at >= size(); }
    void toFirst() override { m_at = nonEmpty(0); }
    void toLast() override { m_at = nonEmpty(size() - 1); }
    void toNext() override
    {
        nonEmpty(0);
        m_at = m_at < 0 ? 0 : m_at + 1;
    }
    void toPrevious() override
    {
        nonEmpty(0);
        m_at = m_at >= size() ? size() - 1 : m_at - 1;
    }
    bool findFirstByName(const QString& name) override
    {
        for (int i = 0; i < size(); ++i) {
            if (sameIgnoringCase(i, name)) {
                m_at = i;
                return true;
            }
        }
        return false;
    }
    bool findLastByName(const QString& name) override
    {
        for (int i = size() - 1; i >= 0; --i) {
            if (sameIgnoringCase(i, name)) {
                m_at = i;
                return true;
            }
        }
        return false;
    }
    FavouriteRecord currentRecord() const override
    {
        if (m_at < 0 || m_at >= size()) {
            throw StoreFailure(StoreProblem::NoRecord, "beyond an end");
        }
        const auto& row = m_rows[static_cast<std::size_t>(m_at)];
        return {row.first, row.second};
    }
    QStringList figurasOfName(const QString& name) override
    {
        QStringList figuras;
        for (const auto& row : m_rows) {
            if (row.first == name) {
                figuras << row.second;
            }
        }
        return figuras;
    }
    std::vector<FavouriteRecord> allRecords() override
    {
        std::vector<FavouriteRecord> all;
        for (const auto& row : m_rows) {
            all.push_back({row.first, row.second});
        }
        return all;
    }

private:
    int size() const { return static_cast<int>(m_rows.size()); }
    int nonEmpty(int at) const
    {
        if (m_rows.empty()) {
            throw StoreFailure(StoreProblem::NoRecord, "empty table");
        }
        return at;
    }
    bool sameIgnoringCase(int i, const QString& name) const
    {
        return m_rows[static_cast<std::size_t>(i)].first.compare(name, Qt::CaseInsensitive) == 0;
    }

    Rows m_rows;
    int m_at = -1;
};

QString shown(const WordDisplay& display)
{
    return QStringList(display.texts.begin(), display.texts.end()).join(u'|');
}

QString outcomeName(SearchOutcome outcome)
{
    switch (outcome) {
    case SearchOutcome::EmptyText:
        return QStringLiteral("EmptyText");
    case SearchOutcome::NotFound:
        return QStringLiteral("NotFound");
    case SearchOutcome::Found:
        return QStringLiteral("Found");
    }
    return {};
}

/// One user action and what the display (and for searches the outcome, for "cursor" the record under
/// the cursor) must be afterwards.
struct Step
{
    const char* action; ///< "next", "back", "search:TEXT", "cursor"
    const char* expected;
};

struct NavigationCase
{
    const char* title;
    const char* records;
    std::vector<Step> steps;
};

const NavigationCase NavigationCases[] = {
    {"next walks the words and stops at the last",
     "abc r, abc p, xyz c",
     {{"next", "abc|?|?|abc"}, {"cursor", "abc p"}, {"next", "?|xyz|?|?"}, {"next", "?|xyz|?|?"}}},
    {"back from nothing shown starts at the last word and stops at the first",
     "abc r, abc p, xyz c",
     {{"back", "?|xyz|?|?"}, {"back", "abc|?|?|abc"}, {"cursor", "abc r"}, {"back", "abc|?|?|abc"}}},
    {"search ignores the case typed and shows every class of the name",
     "abc r, abc p, xyz c",
     {{"search:ABC", "Found abc|?|?|abc"}, {"cursor", "abc r"}, {"next", "?|xyz|?|?"}}},
    {"search then back shows the word before the name",
     "abc r, abc p, xyz c",
     {{"search:xyz", "Found ?|xyz|?|?"}, {"back", "abc|?|?|abc"}}},
    {"no prefix matching; the cursor goes back to the first record",
     "abc r, abc p, xyz c",
     {{"next", "abc|?|?|abc"}, {"next", "?|xyz|?|?"}, {"search:ab", "NotFound ?|?|?|?"}, {"cursor", "abc r"}}},
    {"an empty search changes nothing",
     "abc r, abc p, xyz c",
     {{"next", "abc|?|?|abc"}, {"search:", "EmptyText abc|?|?|abc"}, {"next", "?|xyz|?|?"}}},
    {"blanks around the name are part of it",
     "abc r",
     {{"search: abc", "NotFound ?|?|?|?"}, {"search:abc ", "NotFound ?|?|?|?"}}},
    {"an apostrophe is only a character that no name holds",
     "abc r, o c",
     {{"search:o'brien", "NotFound ?|?|?|?"}, {"search:'", "NotFound ?|?|?|?"}, {"cursor", "abc r"}}},
    {"one name with all four classes is one word at both ends",
     "n r, n c, n t, n p",
     {{"next", "n|n|n|n"}, {"next", "n|n|n|n"}, {"back", "n|n|n|n"}}},
    {"back from nothing shown on a one-word table", "n r, n c, n t, n p", {{"back", "n|n|n|n"}, {"back", "n|n|n|n"}}},
    {"an odd Figura inside a word is walked over",
     "abc r, abc x, abc t, b c",
     {{"next", "abc|?|abc|?"}, {"next", "?|b|?|?"}, {"back", "abc|?|abc|?"}}},
    {"upper-case R, blank and two letters show nowhere",
     "a R, a r, a -, a rr, b t",
     {{"next", "a|?|?|?"}, {"next", "?|?|b|?"}, {"search:A", "Found a|?|?|?"}}},
    {"a first word with only an odd Figura shows nothing, so next keeps showing it",
     "a x, b r",
     {{"search:a", "NotFound ?|?|?|?"}, {"next", "?|?|?|?"}, {"next", "?|?|?|?"}, {"back", "b|?|?|?"}}},
    {"middle words in both directions",
     "a r, b c, c t, d p",
     {{"next", "a|?|?|?"},
      {"next", "?|b|?|?"},
      {"next", "?|?|c|?"},
      {"back", "?|b|?|?"},
      {"back", "a|?|?|?"},
      {"back", "a|?|?|?"},
      {"next", "?|b|?|?"}}},
    {"a repeated name and letter writes the same text again",
     "abc r, abc r, b c",
     {{"next", "abc|?|?|?"}, {"cursor", "abc r"}, {"next", "?|b|?|?"}}},
    {"names differing only in case: the finds ignore case, so next lands past the upper-case word",
     "ABC r, abc c",
     {{"next", "?|?|?|?"},
      {"back", "?|abc|?|?"},
      {"search:ABC", "Found ?|abc|?|?"},
      {"cursor", "ABC r"},
      {"next", "?|abc|?|?"}}},
    {"a name split in two runs: next shows only the first run and never reaches the word between",
     "abc r, xyz c, abc t",
     {{"next", "abc|?|?|?"}, {"next", "abc|?|?|?"}, {"search:abc", "Found abc|?|abc|?"}}},
};

void runSteps(FavouritesCursor& cursor, const NavigationCase& c)
{
    WordDisplay display;
    int number = 0;
    for (const Step& step : c.steps) {
        ++number;
        const QString action = QString::fromUtf8(step.action);
        QString actual;
        if (action == QLatin1String("next")) {
            stepWord(cursor, display, StepDirection::Next);
            actual = shown(display);
        } else if (action == QLatin1String("back")) {
            stepWord(cursor, display, StepDirection::Back);
            actual = shown(display);
        } else if (action == QLatin1String("cursor")) {
            const FavouriteRecord record = cursor.currentRecord();
            actual = record.Nom + u' ' + record.Figura;
        } else {
            const SearchOutcome outcome = searchByName(cursor, display, action.mid(7));
            actual = outcomeName(outcome) + u' ' + shown(display);
        }
        EXPECT_EQ(actual.toStdString(), step.expected) << c.title << ", step " << number << " (" << step.action << ")";
    }
}

bool orderedByName(const Rows& rows)
{
    return std::is_sorted(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

class Navigation : public ::testing::TestWithParam<NavigationCase>
{
};

TEST_P(Navigation, inTheOrderListed)
{
    ListCursor cursor(test::rows(GetParam().records));
    runSteps(cursor, GetParam());
}

TEST_P(Navigation, onAFavouritesFile)
{
    const Rows rows = test::rows(GetParam().records);
    if (!orderedByName(rows)) {
        GTEST_SKIP() << "the file keeps the records of a name together";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(path, rows);
    FavouritesStore store(path);
    store.openStore();
    ASSERT_TRUE(store.isOpen());
    runSteps(store, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, Navigation, ::testing::ValuesIn(NavigationCases),
                         [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(NavigationOnFile, aNameAddedInTwoRunsIsOneWord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(path, test::rows("abc r, xyz c, abc t"));
    FavouritesStore store(path);
    store.openStore();
    WordDisplay display;
    stepWord(store, display, StepDirection::Next);
    EXPECT_EQ(shown(display), QStringLiteral("abc|?|abc|?"));
    stepWord(store, display, StepDirection::Next);
    EXPECT_EQ(shown(display), QStringLiteral("?|xyz|?|?"));
    stepWord(store, display, StepDirection::Back);
    EXPECT_EQ(shown(display), QStringLiteral("abc|?|abc|?"));
}

struct ListCase
{
    const char* records;
    std::array<const char*, 4> lists;
};

const ListCase ListCases[] = {
    {"abc r, abc p, xyz c", {"abc", "xyz", "", "abc"}},
    {"a R, a r, b -, c rr, c t, d x", {"a", "", "c", ""}},
    {"abc r, abc r, b r", {"abc,abc,b", "", "", ""}},
    {"m p, k p, z c, a p", {"", "z", "", "m,k,a"}},
};

TEST(ListByFigure, fillsOneListPerClassInTableOrder)
{
    for (const ListCase& c : ListCases) {
        ListCursor cursor(test::rows(c.records));
        FigureLists lists;
        lists.lists[2] << QStringLiteral("stale");
        listByFigure(cursor, lists);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(lists.lists[i].join(u',').toStdString(), c.lists[i]) << c.records << ", list " << i + 1;
        }
        EXPECT_EQ(cursor.currentRecord().Nom, test::rows(c.records).front().first) << c.records;
    }
}

TEST(ListByFigure, onAFileListsByNameThenInsertion)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(path, test::rows("m p, k p, z c, a p, k r, k p"));
    FavouritesStore store(path);
    store.openStore();
    FigureLists lists;
    listByFigure(store, lists);
    EXPECT_EQ(lists.list(FigureKind::ManySided).join(u','), QStringLiteral("a,k,k,m"));
    EXPECT_EQ(lists.list(FigureKind::FourSided).join(u','), QStringLiteral("k"));
    EXPECT_EQ(lists.list(FigureKind::CircleOrEllipse).join(u','), QStringLiteral("z"));
    EXPECT_EQ(store.currentRecord(), (FavouriteRecord{QStringLiteral("a"), QStringLiteral("p")}));
}

TEST(EmptyTable, everyOperationFailsWithNoRecord)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(path, {});
    FavouritesStore store(path);
    store.openStore();
    ASSERT_TRUE(store.isOpen());
    const auto problemOf = [](auto&& action) {
        try {
            action();
        } catch (const StoreFailure& failure) {
            return failure.problem();
        }
        return StoreProblem::Failed;
    };
    WordDisplay display;
    display.texts[0] = QStringLiteral("abc");
    EXPECT_EQ(problemOf([&] { searchByName(store, display, QStringLiteral("abc")); }), StoreProblem::NoRecord);
    EXPECT_TRUE(display.nothingShown()) << "the search clears the display before it fails";
    FigureLists lists;
    lists.lists[0] << QStringLiteral("stale");
    EXPECT_EQ(problemOf([&] { listByFigure(store, lists); }), StoreProblem::NoRecord);
    EXPECT_TRUE(lists.lists[0].isEmpty());
    EXPECT_EQ(problemOf([&] { stepWord(store, display, StepDirection::Next); }), StoreProblem::NoRecord);
    EXPECT_EQ(problemOf([&] { stepWord(store, display, StepDirection::Back); }), StoreProblem::NoRecord);
}

TEST(MissingFile, everyOperationFailsWithNotOpen)
{
    QTemporaryDir dir;
    FavouritesStore store(dir.filePath(QStringLiteral("QUORVEL.MDB")));
    store.openStore();
    WordDisplay display;
    FigureLists lists;
    try {
        listByFigure(store, lists);
        FAIL() << "listByFigure on a missing file";
    } catch (const StoreFailure& failure) {
        EXPECT_EQ(failure.problem(), StoreProblem::NotOpen);
    }
    EXPECT_THROW(stepWord(store, display, StepDirection::Next), StoreFailure);
    EXPECT_THROW(searchByName(store, display, QStringLiteral("abc")), StoreFailure);
}

} // namespace
