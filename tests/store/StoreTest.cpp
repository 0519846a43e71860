// The favourites file: the cursor's moves and finds, adding and removing, and every fault of the file,
// on real SQLite files in a temporary folder. Nothing a fault touches may change or be lost.
#include "store/DataFolder.h"
#include "store/FavouritesStore.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/StoreProblems.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>

using namespace quorvel;
using namespace quorvel::store;
using quorvel::test::problemOf;
using quorvel::test::Rows;

namespace {

class StoreTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("QUORVEL.MDB")); }

    FavouriteRecord record(const char* nom, const char* figura)
    {
        return {QString::fromUtf8(nom), QString::fromUtf8(figura)};
    }

    QTemporaryDir m_dir;
};

// ---- moves and finds ----

TEST_F(StoreTest, movesReachBothEndsAndComeBack)
{
    test::makeFavouritesFile(path(), test::rows("b c, a r"));
    FavouritesStore store(path());
    store.openStore();
    ASSERT_TRUE(store.isOpen());
    EXPECT_EQ(store.currentRecord(), record("a", "r")) << "opens on the first record in name order";
    store.toPrevious();
    EXPECT_TRUE(store.beforeFirst());
    EXPECT_FALSE(store.afterLast());
    EXPECT_EQ(problemOf([&] { store.currentRecord(); }), StoreProblem::NoRecord);
    store.toNext();
    EXPECT_EQ(store.currentRecord(), record("a", "r"));
    store.toLast();
    EXPECT_EQ(store.currentRecord(), record("b", "c"));
    store.toNext();
    EXPECT_TRUE(store.afterLast());
    EXPECT_FALSE(store.beforeFirst());
    store.toPrevious();
    EXPECT_EQ(store.currentRecord(), record("b", "c"));
    store.toFirst();
    EXPECT_EQ(store.currentRecord(), record("a", "r"));
}

TEST_F(StoreTest, tableOrderIsByNameThenInsertion)
{
    test::makeFavouritesFile(path(), test::rows("zz r, aa c, mm t, aa p, a-b r, a9 c, zz c"));
    FavouritesStore store(path());
    store.openStore();
    QStringList walked;
    for (store.toFirst(); !store.afterLast(); store.toNext()) {
        walked << store.currentRecord().Nom + u' ' + store.currentRecord().Figura;
    }
    EXPECT_EQ(walked.join(u','), QStringLiteral("a-b r,a9 c,aa c,aa p,mm t,zz r,zz c"));
    QStringList backwards;
    for (store.toLast(); !store.beforeFirst(); store.toPrevious()) {
        backwards << store.currentRecord().Nom + u' ' + store.currentRecord().Figura;
    }
    std::reverse(backwards.begin(), backwards.end());
    EXPECT_EQ(backwards, walked);
}

TEST_F(StoreTest, findsIgnoreCaseAndPickTheFirstOrLastRecordOfTheName)
{
    test::makeFavouritesFile(path(), test::rows("abc t, b r, abc r, abc c, abcd p"));
    FavouritesStore store(path());
    store.openStore();
    struct Find
    {
        const char* text;
        bool last;
        std::optional<FavouriteRecord> found;
    };
    const Find finds[] = {
        {"abc", false, record("abc", "t")},  {"ABC", false, record("abc", "t")}, {"AbC", true, record("abc", "c")},
        {"abcd", true, record("abcd", "p")}, {"ab", false, std::nullopt},        {"o'brien", false, std::nullopt},
        {"' OR '1'='1", true, std::nullopt}, {"", false, std::nullopt},
    };
    for (const Find& find : finds) {
        store.toLast();
        const QString text = QString::fromUtf8(find.text);
        const bool found = find.last ? store.findLastByName(text) : store.findFirstByName(text);
        EXPECT_EQ(found, find.found.has_value()) << find.text;
        EXPECT_EQ(store.currentRecord(), find.found.value_or(record("b", "r"))) << find.text;
    }
}

TEST_F(StoreTest, figurasOfNameIsExact)
{
    test::makeFavouritesFile(path(), test::rows("abc r, ABC c, abc p, abcd t"));
    FavouritesStore store(path());
    store.openStore();
    EXPECT_EQ(store.figurasOfName(QStringLiteral("abc")), QStringList({QStringLiteral("r"), QStringLiteral("p")}));
    EXPECT_TRUE(store.figurasOfName(QStringLiteral("Abc")).isEmpty());
}

TEST_F(StoreTest, twoCursorsOnOneFileSeeEachOthersChanges)
{
    test::makeFavouritesFile(path(), test::rows("m r"));
    FavouritesStore window(path());
    FavouritesStore saver(path());
    window.openStore();
    saver.openStore();
    ASSERT_EQ(saver.addFavourite(QStringLiteral("a"), FigureKind::ThreeSided), AddResult::Saved);
    window.toFirst();
    EXPECT_EQ(window.currentRecord(), record("a", "t"));
    ASSERT_TRUE(window.removeFavourite(QStringLiteral("a"), FigureKind::ThreeSided));
    saver.toFirst();
    EXPECT_EQ(saver.currentRecord(), record("m", "r"));
}

TEST_F(StoreTest, theCursorMovesOnFromARecordRemovedUnderIt)
{
    test::makeFavouritesFile(path(), test::rows("a r, b c, c t"));
    FavouritesStore store(path());
    store.openStore();
    store.toNext();
    ASSERT_EQ(store.currentRecord(), record("b", "c"));
    ASSERT_TRUE(store.removeFavourite(QStringLiteral("b"), FigureKind::CircleOrEllipse));
    store.toNext();
    EXPECT_EQ(store.currentRecord(), record("c", "t"));
    store.toPrevious();
    EXPECT_EQ(store.currentRecord(), record("a", "r"));
}

// ---- adding and removing ----

TEST_F(StoreTest, addKeepsOneRecordPerNameAndLetter)
{
    test::makeFavouritesFile(path(), {});
    FavouritesStore store(path());
    store.openStore();
    struct Add
    {
        const char* name;
        FigureKind kind;
        AddResult result;
    };
    const Add adds[] = {
        {"abc", FigureKind::FourSided, AddResult::Saved},
        {"abc", FigureKind::FourSided, AddResult::AlreadyKept},
        {"abc", FigureKind::ManySided, AddResult::Saved},
        {"a-1", FigureKind::CircleOrEllipse, AddResult::Saved},
        {"", FigureKind::FourSided, AddResult::EmptyName},
        {"?", FigureKind::FourSided, AddResult::EmptyName},
        {"ABC", FigureKind::FourSided, AddResult::InvalidName},
        {"-abc", FigureKind::FourSided, AddResult::InvalidName},
        {"a b", FigureKind::FourSided, AddResult::InvalidName},
        {"o'brien", FigureKind::FourSided, AddResult::InvalidName},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", FigureKind::FourSided, AddResult::InvalidName},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", FigureKind::ThreeSided, AddResult::Saved},
    };
    for (const Add& add : adds) {
        EXPECT_EQ(store.addFavourite(QString::fromUtf8(add.name), add.kind), add.result) << add.name;
    }
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, abc p, a-1 c, aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa t"));
}

TEST_F(StoreTest, removeTakesExactlyOneRecordOfThatNameAndLetter)
{
    test::makeFavouritesFile(path(), test::rows("abc r, abc c, abc r, ABC r"));
    FavouritesStore store(path());
    store.openStore();
    EXPECT_TRUE(store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided));
    EXPECT_EQ(test::readRows(path()), test::rows("abc c, abc r, ABC r"));
    EXPECT_FALSE(store.removeFavourite(QStringLiteral("abc"), FigureKind::ThreeSided));
    EXPECT_FALSE(store.removeFavourite(QStringLiteral("xyz"), FigureKind::FourSided));
    EXPECT_EQ(test::readRows(path()).size(), 3u);
}

// ---- the file and its faults ----

TEST_F(StoreTest, missingFileIsNotCreatedByReadingButByTheFirstSave)
{
    FavouritesStore store(path());
    store.openStore();
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.openProblem(), StoreProblem::NotOpen);
    EXPECT_EQ(problemOf([&] { store.toFirst(); }), StoreProblem::NotOpen);
    EXPECT_FALSE(QFile::exists(path()));
    EXPECT_EQ(store.addFavourite(QString(), FigureKind::FourSided), AddResult::EmptyName);
    EXPECT_FALSE(QFile::exists(path())) << "a refused save creates nothing";

    ASSERT_EQ(store.addFavourite(QStringLiteral("abc"), FigureKind::FourSided), AddResult::Saved);
    EXPECT_TRUE(store.isOpen());
    EXPECT_EQ(store.currentRecord(), record("abc", "r"));
    FavouritesStore again(path());
    again.openStore();
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(again.currentRecord(), record("abc", "r"));
}

TEST_F(StoreTest, aRemovalCreatesNeitherTheFileNorTheTable)
{
    FavouritesStore store(path());
    EXPECT_EQ(problemOf([&] { store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided); }),
              StoreProblem::NotOpen);
    EXPECT_FALSE(QFile::exists(path()));

    test::makeDatabase(path(), "CREATE TABLE notes (text TEXT)");
    const QByteArray before = test::fileDigest(path());
    EXPECT_FALSE(store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided));
    EXPECT_EQ(test::fileDigest(path()), before);
}

TEST_F(StoreTest, missingTableIsCreatedBesideWhatTheFileHolds)
{
    {
        SQLite::Database db(path().toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
        db.exec("CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')");
    }
    FavouritesStore store(path());
    store.openStore();
    EXPECT_EQ(store.openProblem(), StoreProblem::NotOpen);
    ASSERT_EQ(store.addFavourite(QStringLiteral("abc"), FigureKind::ThreeSided), AddResult::Saved);
    EXPECT_EQ(test::readRows(path()), test::rows("abc t"));
    SQLite::Database db(path().toStdString());
    EXPECT_EQ(db.execAndGet("SELECT text FROM notes").getString(), "keep me");
    EXPECT_EQ(db.execAndGet("SELECT count(*) FROM sqlite_master WHERE type = 'index'").getInt(), 2);
}

struct ForeignFile
{
    const char* title;
    QByteArray bytes;
};

class NotADatabase : public ::testing::TestWithParam<ForeignFile>
{
protected:
    QTemporaryDir m_dir;
};

TEST_P(NotADatabase, isNeverWritten)
{
    const QString path = m_dir.filePath(QStringLiteral("QUORVEL.MDB"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(GetParam().bytes);
    }
    const QByteArray before = test::fileDigest(path);

    FavouritesStore store(path);
    store.openStore();
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.openProblem(), StoreProblem::NotADatabase);
    try {
        store.addFavourite(QStringLiteral("abc"), FigureKind::FourSided);
        ADD_FAILURE() << "a save into " << GetParam().title << " reported success";
    } catch (const StoreFailure& failure) {
        EXPECT_EQ(failure.problem(), StoreProblem::NotADatabase);
    }
    EXPECT_THROW(store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided), StoreFailure);
    EXPECT_EQ(test::fileDigest(path), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("QUORVEL.MDB")));
}

INSTANTIATE_TEST_SUITE_P(Files, NotADatabase,
                         ::testing::Values(ForeignFile{"a short text", "hello"},
                                           ForeignFile{"an Access-like header",
                                                       QByteArray("\0\1\0\0Standard Jet DB", 19) + test::noise(2000)},
                                           ForeignFile{"random bytes", test::noise(8192)},
                                           ForeignFile{"an SQLite header over noise",
                                                       QByteArray("SQLite format 3\0", 16) + test::noise(4080)}),
                         [](const auto& info) { return "file" + std::to_string(info.index); });

TEST_F(StoreTest, aTableWithoutTheFieldsIsNeverWritten)
{
    test::makeForeignTable(path());
    const QByteArray before = test::fileDigest(path());
    FavouritesStore store(path());
    store.openStore();
    EXPECT_EQ(store.openProblem(), StoreProblem::MissingFields);
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("abc"), FigureKind::FourSided); }),
              StoreProblem::MissingFields);
    EXPECT_EQ(test::fileDigest(path()), before);
}

// ---- tables made elsewhere ----

/// The size of a file in bytes, -1 when it cannot be read.
qint64 sizeOf(const QString& path)
{
    return QFileInfo(path).exists() ? QFileInfo(path).size() : -1;
}

QStringList walk(FavouritesStore& store)
{
    QStringList walked;
    for (store.toFirst(); !store.afterLast(); store.toNext()) {
        walked << store.currentRecord().Nom + u' ' + store.currentRecord().Figura;
    }
    return walked;
}

struct RefusedTable
{
    const char* title;
    const char* sql; ///< makes the file, with one record ("abc", "r") where the table holds records
    bool readable;   ///< the favourites window can still list what it holds
};

class RefusedTableTest : public ::testing::TestWithParam<RefusedTable>
{
protected:
    QTemporaryDir m_dir;
};

TEST_P(RefusedTableTest, isNamedAndLeftByteForByteAsItWas)
{
    const QString path = m_dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeDatabase(path, GetParam().sql);
    const QByteArray before = test::fileDigest(path);
    const qint64 size = sizeOf(path);

    FavouritesStore store(path);
    store.openStore();
    EXPECT_EQ(store.isOpen(), GetParam().readable);
    if (GetParam().readable) {
        EXPECT_EQ(walk(store), QStringList(QStringLiteral("abc r")));
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            store.addFavourite(QStringLiteral("xyz"), FigureKind::CircleOrEllipse);
            ADD_FAILURE() << "a save into " << GetParam().title << " reported success";
        } catch (const StoreFailure& failure) {
            EXPECT_EQ(failure.problem(), StoreProblem::UnusableTable) << failure.what();
        }
    }
    EXPECT_THROW(store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided), StoreFailure);
    EXPECT_EQ(sizeOf(path), size) << "no index added either";
    EXPECT_EQ(test::fileDigest(path), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("QUORVEL.MDB")));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RefusedTableTest,
    ::testing::Values(
        RefusedTable{"a table with a further required field",
                     "CREATE TABLE \"adreca i figura\" (id INTEGER PRIMARY KEY, Nom TEXT, Figura TEXT, Extra TEXT "
                     "NOT NULL); INSERT INTO \"adreca i figura\" VALUES (1, 'abc', 'r', 'x')",
                     true},
        RefusedTable{"a table keyed by a required text",
                     "CREATE TABLE \"adreca i figura\" (code TEXT NOT NULL PRIMARY KEY, Nom TEXT, Figura TEXT);"
                     "INSERT INTO \"adreca i figura\" VALUES ('k1', 'abc', 'r')",
                     true},
        RefusedTable{"a table without rowid keyed by a number the save cannot give",
                     "CREATE TABLE \"adreca i figura\" (id INTEGER, Nom TEXT, Figura TEXT, PRIMARY KEY (id)) "
                     "WITHOUT ROWID; INSERT INTO \"adreca i figura\" VALUES (1, 'abc', 'r')",
                     true},
        RefusedTable{"a view",
                     "CREATE TABLE kept (Nom TEXT, Figura TEXT); INSERT INTO kept VALUES ('abc', 'r');"
                     "CREATE VIEW \"adreca i figura\" AS SELECT Nom, Figura FROM kept",
                     false}),
    [](const auto& info) { return "table" + std::to_string(info.index); });

struct ServedTable
{
    const char* title;
    const char* sql; ///< makes the file, with the records ("xyz", "c") and ("abc", "r")
};

class ServedTableTest : public ::testing::TestWithParam<ServedTable>
{
protected:
    QTemporaryDir m_dir;
};

TEST_P(ServedTableTest, takesSavesAndRemovalsAndIsWalkedInNameOrder)
{
    const QString path = m_dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeDatabase(path, GetParam().sql);

    FavouritesStore store(path);
    store.openStore();
    ASSERT_TRUE(store.isOpen()) << store.openDetail().toStdString();
    EXPECT_EQ(walk(store), QStringList({QStringLiteral("abc r"), QStringLiteral("xyz c")}));

    EXPECT_EQ(store.addFavourite(QStringLiteral("abc"), FigureKind::ManySided), AddResult::Saved);
    EXPECT_EQ(store.addFavourite(QStringLiteral("abc"), FigureKind::ManySided), AddResult::AlreadyKept);
    EXPECT_EQ(store.addFavourite(QStringLiteral("mmm"), FigureKind::ThreeSided), AddResult::Saved);
    EXPECT_EQ(test::readRowsByName(path), test::rows("abc p, abc r, mmm t, xyz c"));

    // Every move and find of the cursor works over the table's own key.
    const QStringList forwards = walk(store);
    EXPECT_EQ(forwards.size(), 4);
    EXPECT_EQ(forwards.filter(QStringLiteral("abc")).size(), 2);
    EXPECT_EQ(forwards.mid(2), QStringList({QStringLiteral("mmm t"), QStringLiteral("xyz c")}));
    QStringList backwards;
    for (store.toLast(); !store.beforeFirst(); store.toPrevious()) {
        backwards.prepend(store.currentRecord().Nom + u' ' + store.currentRecord().Figura);
    }
    EXPECT_EQ(backwards, forwards);
    ASSERT_TRUE(store.findLastByName(QStringLiteral("MMM")));
    EXPECT_EQ(store.currentRecord(), (FavouriteRecord{QStringLiteral("mmm"), QStringLiteral("t")}));
    EXPECT_EQ(store.figurasOfName(QStringLiteral("xyz")), QStringList(QStringLiteral("c")));

    EXPECT_TRUE(store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided));
    EXPECT_FALSE(store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided));
    EXPECT_EQ(test::readRowsByName(path), test::rows("abc p, mmm t, xyz c"));
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ServedTableTest,
    ::testing::Values(
        ServedTable{"without rowid, keyed by name and figure",
                    "CREATE TABLE \"adreca i figura\" (Nom TEXT NOT NULL, Figura TEXT NOT NULL, PRIMARY KEY (Nom, "
                    "Figura)) WITHOUT ROWID; INSERT INTO \"adreca i figura\" VALUES ('xyz', 'c'), ('abc', 'r')"},
        ServedTable{"without rowid, keyed by figure and name",
                    "CREATE TABLE \"adreca i figura\" (Nom TEXT, Figura TEXT, PRIMARY KEY (Figura DESC, Nom)) "
                    "WITHOUT ROWID; INSERT INTO \"adreca i figura\" VALUES ('xyz', 'c'), ('abc', 'r')"},
        ServedTable{
            "a further field with a default",
            "CREATE TABLE \"adreca i figura\" (id INTEGER PRIMARY KEY, Nom TEXT, Figura TEXT, Extra TEXT NOT "
            "NULL DEFAULT 'x'); INSERT INTO \"adreca i figura\" (Nom, Figura) VALUES ('xyz', 'c'), ('abc', 'r')"},
        ServedTable{"a further optional field and a numbered key of another name",
                    "CREATE TABLE \"adreca i figura\" (num INTEGER PRIMARY KEY NOT NULL, Nom TEXT, Figura TEXT, Note "
                    "TEXT); INSERT INTO \"adreca i figura\" (Nom, Figura) VALUES ('xyz', 'c'), ('abc', 'r')"},
        ServedTable{"no key at all",
                    "CREATE TABLE \"adreca i figura\" (Nom, Figura); INSERT INTO \"adreca i figura\" VALUES ('xyz', "
                    "'c'), ('abc', 'r')"}),
    [](const auto& info) { return "table" + std::to_string(info.index); });

TEST_F(StoreTest, aSaveTheFileDropsIsNotConfirmedAndLeavesTheFileAsItWas)
{
    const char* rules[] = {
        "CREATE TRIGGER dropNew AFTER INSERT ON \"adreca i figura\" BEGIN DELETE FROM \"adreca i figura\" WHERE "
        "rowid = new.rowid; END",
        "CREATE TRIGGER ignoreNew BEFORE INSERT ON \"adreca i figura\" BEGIN SELECT RAISE(IGNORE); END",
        "CREATE TRIGGER renameNew AFTER INSERT ON \"adreca i figura\" BEGIN UPDATE \"adreca i figura\" SET Nom = "
        "upper(Nom) WHERE rowid = new.rowid; END",
    };
    for (const char* rule : rules) {
        QFile::remove(path());
        test::makeFavouritesFile(path(), test::rows("abc r"));
        test::makeDatabase(path(), rule);
        const QByteArray before = test::fileDigest(path());
        FavouritesStore store(path());
        store.openStore();
        EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("xyz"), FigureKind::FourSided); }),
                  StoreProblem::Failed)
            << rule;
        EXPECT_EQ(test::fileDigest(path()), before) << rule;
        EXPECT_EQ(walk(store), QStringList(QStringLiteral("abc r"))) << rule;
    }
}

TEST_F(StoreTest, aReadOnlyFileIsReadButNotWrittenEvenWithTheRightsToWriteIt)
{
    test::makeFavouritesFile(path(), test::rows("abc r, xyz c"));
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    // Run as root, the system would let us write the file anyway; the store must still leave it alone.
    const QByteArray before = test::fileDigest(path());

    FavouritesStore store(path());
    store.openStore();
    ASSERT_TRUE(store.isOpen());
    EXPECT_TRUE(store.isReadOnly());
    store.toLast();
    EXPECT_EQ(store.currentRecord(), record("xyz", "c"));
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("new"), FigureKind::FourSided); }),
              StoreProblem::ReadOnly);
    EXPECT_EQ(problemOf([&] { store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided); }),
              StoreProblem::ReadOnly);
    EXPECT_EQ(store.currentRecord(), record("xyz", "c")) << "a refused write leaves the cursor as it was";
    EXPECT_EQ(test::fileDigest(path()), before);

    // Once the file may be written again, the same cursor saves.
    ASSERT_TRUE(QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner));
    EXPECT_EQ(store.addFavourite(QStringLiteral("new"), FigureKind::FourSided), AddResult::Saved);
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, xyz c, new r"));
}

TEST_F(StoreTest, aFileInAReadOnlyFolderIsReadButSavesSayItCannotBeWritten)
{
    // A portable copy on a read-only medium: writing would need a journal beside the file.
    test::makeFavouritesFile(path(), test::rows("abc r, xyz c"));
    const QByteArray before = test::fileDigest(path());
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                        QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));

    FavouritesStore store(path());
    store.openStore();
    ASSERT_TRUE(store.isOpen());
    EXPECT_TRUE(store.isReadOnly());
    EXPECT_EQ(store.currentRecord(), record("abc", "r"));
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("new"), FigureKind::FourSided); }),
              StoreProblem::ReadOnly);
    EXPECT_EQ(problemOf([&] { store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided); }),
              StoreProblem::ReadOnly);

    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    EXPECT_EQ(test::fileDigest(path()), before);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList(QStringLiteral("QUORVEL.MDB")));
}

/// Starts another program that holds the file locked for holdMs, and waits until it does.
std::unique_ptr<QProcess> holdLock(const QString& path, int holdMs)
{
    auto holder = std::make_unique<QProcess>();
    holder->start(QStringLiteral(QUORVEL_LOCK_HOLDER), {path, QString::number(holdMs)});
    if (!holder->waitForReadyRead(10000) || !holder->readAllStandardOutput().startsWith("locked")) {
        return nullptr;
    }
    return holder;
}

TEST_F(StoreTest, aFileLockedLongerThanTheWaitIsNotWrittenAndSaysSo)
{
    test::makeFavouritesFile(path(), test::rows("abc r"));
    FavouritesStore store(path());
    store.openStore();
    auto holder = holdLock(path(), 3000);
    ASSERT_NE(holder, nullptr);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("xyz"), FigureKind::FourSided); }),
              StoreProblem::Locked);
    EXPECT_GE(waited.elapsed(), FavouritesBusyTimeoutMs - 200) << "the save waits a moment first";
    holder->waitForFinished(10000);
    EXPECT_EQ(test::readRows(path()), test::rows("abc r")) << "nothing kept, nothing lost";
    EXPECT_EQ(store.addFavourite(QStringLiteral("xyz"), FigureKind::FourSided), AddResult::Saved);
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, xyz r"));
}

TEST_F(StoreTest, aFileLockedForAMomentIsWrittenOnceFree)
{
    test::makeFavouritesFile(path(), test::rows("abc r"));
    FavouritesStore store(path());
    store.openStore();
    ASSERT_EQ(store.addFavourite(QStringLiteral("first"), FigureKind::ThreeSided), AddResult::Saved);
    auto holder = holdLock(path(), 400);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(store.addFavourite(QStringLiteral("xyz"), FigureKind::FourSided), AddResult::Saved);
    holder->waitForFinished(10000);
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, first t, xyz r"));
}

TEST(DataFolder, theOverrideWinsElseTheProgramsWritableFolder)
{
    QTemporaryDir dir;
    qputenv("QUORVEL_DATA_DIR", dir.path().toUtf8());
    EXPECT_EQ(programFolder(), QDir::cleanPath(dir.path()));
    EXPECT_EQ(favouritesFilePath(), dir.filePath(QStringLiteral("QUORVEL.MDB")));
    qunsetenv("QUORVEL_DATA_DIR");
    int argc = 1;
    char name[] = "store_favourites";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath()) << "the build tree is writable";
}

TEST(DataFolder, aFileBesideTheProgramIsUsedEvenWhereItsFolderCannotBeWritten)
{
    constexpr QFile::Permissions ReadOnlyFolder =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    constexpr QFile::Permissions WritableFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QTemporaryDir withFile;
    QTemporaryDir withoutFile;
    test::makeFavouritesFile(withFile.filePath(QStringLiteral("QUORVEL.MDB")), test::rows("abc r"));
    EXPECT_TRUE(keepsFavouritesBesideExecutable(withFile.path()));
    EXPECT_TRUE(keepsFavouritesBesideExecutable(withoutFile.path())) << "a writable portable copy";

    ASSERT_TRUE(QFile::setPermissions(withFile.path(), ReadOnlyFolder));
    ASSERT_TRUE(QFile::setPermissions(withoutFile.path(), ReadOnlyFolder));
    EXPECT_TRUE(keepsFavouritesBesideExecutable(withFile.path())) << "the user's file, not a new empty one";
    EXPECT_FALSE(keepsFavouritesBesideExecutable(withoutFile.path())) << "nothing to use and nowhere to save";
    EXPECT_FALSE(isWritableFolder(withoutFile.path()));
    EXPECT_FALSE(keepsFavouritesBesideExecutable(QString()));
    ASSERT_TRUE(QFile::setPermissions(withFile.path(), WritableFolder));
    ASSERT_TRUE(QFile::setPermissions(withoutFile.path(), WritableFolder));
}

TEST(DataFolder, installedProgramFoldersAreNeverUsedForData)
{
    EXPECT_TRUE(isSharedProgramFolder(QStringLiteral("/usr/bin")));
    EXPECT_TRUE(isSharedProgramFolder(QStringLiteral("/usr/local/bin")));
    EXPECT_TRUE(isSharedProgramFolder(QStringLiteral("/bin")));
    QTemporaryDir portable;
    EXPECT_FALSE(isSharedProgramFolder(portable.path()));
}

} // namespace
