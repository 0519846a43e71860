#include "store/FavouritesStore.h"

#include "core/AsciiText.h"
#include "core/NameRules.h"
#include "store/DataFolder.h"
#include "store/ForeignTables.h"
#include "store/SpecialFiles.h"

#include <QFile>
#include <QFileInfo>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace quorvel::store {

namespace {

#define FAV_TABLE QUORVEL_FAVOURITES_TABLE
constexpr char SqlHasRecord[] = "SELECT 1 FROM " FAV_TABLE " WHERE Nom = ?1 COLLATE BINARY AND Figura = ?2 LIMIT 1";
constexpr char SqlInsert[] = "INSERT INTO " FAV_TABLE " (Nom, Figura) VALUES (?1, ?2)";
constexpr char SqlCreate[] =
    "CREATE TABLE IF NOT EXISTS " FAV_TABLE " (id INTEGER PRIMARY KEY, Nom TEXT NOT NULL, Figura TEXT NOT NULL)";
// The first index orders the walk and the exact finds; the second serves the finds that ignore case
// while delivering their matches in table order. Every index ends with the row's key (the rowid, here the
// column id), so a table made elsewhere whose key is not an id column gets the same order from an index on
// Nom alone, which holds the key anyway.
constexpr char SqlIndexesOnId[] = "CREATE INDEX IF NOT EXISTS \"adreca i figura by name\" ON " FAV_TABLE " (Nom, id);"
                                  "CREATE INDEX IF NOT EXISTS \"adreca i figura by name ignoring case\" ON " FAV_TABLE
                                  " (Nom COLLATE NOCASE, Nom, id)";
constexpr char SqlIndexesOnName[] =
    "CREATE INDEX IF NOT EXISTS \"adreca i figura by name\" ON " FAV_TABLE " (Nom);"
    "CREATE INDEX IF NOT EXISTS \"adreca i figura by name ignoring case\" ON " FAV_TABLE " (Nom COLLATE NOCASE, Nom)";
#undef FAV_TABLE

StoreProblem problemFor(int code)
{
    switch (code & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return StoreProblem::NotADatabase;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreProblem::Locked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return StoreProblem::ReadOnly;
    default:
        return StoreProblem::Failed;
    }
}

[[noreturn]] void raise(const SQLite::Exception& e)
{
    throw StoreFailure(problemFor(e.getErrorCode()), e.what());
}

std::string utf8(const QString& text)
{
    return text.toStdString();
}

QString text(const SQLite::Column& column)
{
    return column.isNull() ? QString() : QString::fromUtf8(column.getString());
}

/// A valid name in lower case: what the main window hands over after its name rules.
bool isStorableName(const QString& name)
{
    const std::u32string wide = name.toStdU32String();
    return !wide.empty() && correctedName(wide) == wide && asciiLower(std::u32string_view(wide)) == wide;
}

QString letterOf(FigureKind kind)
{
    return QString(QLatin1Char(figureLetter(kind)));
}

} // namespace

const char* storeProblemName(StoreProblem problem)
{
    switch (problem) {
    case StoreProblem::NoRecord:
        return "NoRecord";
    case StoreProblem::NotOpen:
        return "NotOpen";
    case StoreProblem::NotADatabase:
        return "NotADatabase";
    case StoreProblem::MissingFields:
        return "MissingFields";
    case StoreProblem::UnusableTable:
        return "UnusableTable";
    case StoreProblem::ReadOnly:
        return "ReadOnly";
    case StoreProblem::Locked:
        return "Locked";
    case StoreProblem::Failed:
        return "Failed";
    }
    return "Failed";
}

/// The statements of the cursor, over the layout of the table in the file.
struct FavouritesStore::Queries : TableQueries
{
    using TableQueries::TableQueries;
};

FavouritesStore::FavouritesStore(QString filePath) : m_path(std::move(filePath)), m_queries(std::make_unique<Queries>())
{}

FavouritesStore::~FavouritesStore() = default;

bool FavouritesStore::isWritableFile(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::stat(native.constData(), &info) != 0) {
        return false;
    }
    // A file that nobody may write is read only for us too, even when we run with the rights to write it
    // anyway: its owner marked it so.
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        return false;
    }
    // Writing also makes a journal beside the file: a folder that cannot be written keeps the file read only.
    return ::access(native.constData(), W_OK) == 0 && isWritableFolder(QFileInfo(path).absolutePath());
}

void FavouritesStore::requireOrdinaryFile(const QString& path)
{
    if (!isOrdinaryOrMissing(path)) {
        throw StoreFailure(StoreProblem::NotADatabase,
                           "the path is not an ordinary file (a folder, pipe, socket or device)");
    }
}

void FavouritesStore::openConnection(bool forWriting)
{
    requireOrdinaryFile(m_path);
    // The engine opens a journal left beside the file read only, to roll it back: a pipe there blocks it too.
    if (!isOrdinaryOrMissing(m_path + QLatin1String("-journal"))) {
        throw StoreFailure(StoreProblem::Failed, "the journal beside the file is not an ordinary file");
    }
    const bool exists = QFileInfo::exists(m_path);
    if (!exists && !forWriting) {
        throw StoreFailure(StoreProblem::NotOpen, "the file does not exist");
    }
    const bool readOnly = exists && !isWritableFile(m_path);
    if (forWriting && readOnly) {
        throw StoreFailure(StoreProblem::ReadOnly, "the file is read only");
    }
    int flags = readOnly ? SQLite::OPEN_READONLY : SQLite::OPEN_READWRITE;
    if (!exists) {
        flags |= SQLite::OPEN_CREATE;
    }
    // The new connection replaces the current one only once it is known to be usable, so a failed attempt
    // to write leaves a window's cursor as it was.
    std::unique_ptr<SQLite::Database> db;
    TableLayout layout;
    try {
        db =
            std::make_unique<SQLite::Database>(QFile::encodeName(m_path).toStdString(), flags, FavouritesBusyTimeoutMs);
        layout = readLayout(*db);
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    if (!layout.exists && !forWriting) {
        throw StoreFailure(StoreProblem::NotOpen, "the file holds no table \"adreca i figura\"");
    }
    if (layout.exists && !layout.hasFields) {
        throw StoreFailure(StoreProblem::MissingFields, "the table lacks the fields Nom and Figura");
    }
    if (layout.exists && !layout.ordinary) {
        throw StoreFailure(StoreProblem::UnusableTable, "\"adreca i figura\" is a view or a virtual table");
    }
    m_db = std::move(db);
    m_readOnly = readOnly;
    m_checkedForWriting = false;
    *m_queries = Queries(layout);
}

void FavouritesStore::openStore()
{
    m_beforeFirst = true;
    m_afterLast = true;
    try {
        openConnection(false);
        m_problem.reset();
        m_detail.clear();
        place(selectRow(m_queries->first, nullptr, nullptr));
    } catch (const StoreFailure& failure) {
        m_db.reset();
        m_readOnly = false;
        m_problem = failure.problem();
        m_detail = QString::fromUtf8(failure.what());
    }
}

bool FavouritesStore::fileHasMoved() const
{
    int moved = 0;
    return m_db && sqlite3_file_control(m_db->getHandle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

void FavouritesStore::followMovedFile()
{
    // SQLite goes on serving a file that was deleted or renamed under the connection, and refuses to write it:
    // the window would show records that are gone and every later save would fail. The cursor follows the
    // path instead and reopens whatever stands there now (nothing, a new favourites file, or a foreign file
    // that is then never written). Its place is kept as a key, so moves go on from there.
    if (!fileHasMoved()) {
        return;
    }
    m_db.reset();
    m_readOnly = false;
    m_checkedForWriting = false;
    try {
        openConnection(false);
        m_problem.reset();
        m_detail.clear();
    } catch (const StoreFailure& failure) {
        m_problem = failure.problem();
        m_detail = QString::fromUtf8(failure.what());
    }
}

void FavouritesStore::useFile()
{
    followMovedFile();
    requireOpen();
}

void FavouritesStore::openForWriting()
{
    followMovedFile();
    if (!m_db || m_problem || m_readOnly) {
        openConnection(true);
    }
}

bool FavouritesStore::prepareTableForWriting(bool createMissing)
{
    // Called inside the write's own transaction: whatever the checks refuse, and whatever the write then
    // fails at, leaves the file exactly as it was, the indexes included.
    TableLayout layout = readLayout(*m_db);
    if (!layout.exists) {
        if (!createMissing) {
            return false;
        }
        m_db->exec(SqlCreate);
        layout = readLayout(*m_db);
    }
    if (!layout.hasFields) {
        throw StoreFailure(StoreProblem::MissingFields, "the table lacks the fields Nom and Figura");
    }
    if (!layout.ordinary) {
        throw StoreFailure(StoreProblem::UnusableTable, "\"adreca i figura\" is a view or a virtual table");
    }
    if (!layout.unfillable.empty()) {
        throw StoreFailure(StoreProblem::UnusableTable,
                           "the table has a required field " + layout.unfillable + " without a default value");
    }
    // A damaged file (cut short, overwritten in part) still opens, and SQLite would write into it; the save
    // would be confirmed while the file stays broken. It is checked once per connection and, when damaged,
    // left exactly as it is.
    // The quick check misreads some tables without rowid whose key lists its fields in another order
    // (SQLite 3.40 reports NULL values that are not there); the full check decides then.
    if (!m_checkedForWriting && m_db->execAndGet("PRAGMA quick_check(1)").getString() != "ok" &&
        m_db->execAndGet("PRAGMA integrity_check(1)").getString() != "ok") {
        throw StoreFailure(StoreProblem::NotADatabase, "the file is damaged");
    }
    m_db->exec(layout.idIsRowid ? SqlIndexesOnId : SqlIndexesOnName);
    *m_queries = Queries(layout);
    return true;
}

void FavouritesStore::finishWrite(bool wasOpen)
{
    m_checkedForWriting = true;
    m_problem.reset();
    m_detail.clear();
    if (!wasOpen) {
        m_beforeFirst = true;
        m_afterLast = true;
        place(selectRow(m_queries->first, nullptr, nullptr));
    }
}

void FavouritesStore::finishAdding(bool wasOpen)
{
    finishWrite(wasOpen);
    // A cursor over a table that was empty stands on the first record once there is one.
    if (m_beforeFirst && m_afterLast) {
        place(selectRow(m_queries->first, nullptr, nullptr));
    }
}

AddResult FavouritesStore::addFavourite(const QString& name, FigureKind kind)
{
    if (name.isEmpty() || name == QLatin1String("?")) {
        return AddResult::EmptyName;
    }
    if (!isStorableName(name)) {
        return AddResult::InvalidName;
    }
    // A batch of one: the same check, insert, read-back and transaction as every other add.
    const std::string text = utf8(name);
    bool given = false;
    AddResult result = AddResult::AlreadyKept;
    addFavourites(
        [&](std::string& next, FigureKind& nextKind) {
            if (given) {
                return false;
            }
            given = true;
            next = text;
            nextKind = kind;
            return true;
        },
        [&result](bool added) { result = added ? AddResult::Saved : AddResult::AlreadyKept; }, false);
    return result;
}

void FavouritesStore::addFavourites(const std::function<bool(std::string&, FigureKind&)>& next,
                                    const std::function<void(bool)>& done, bool checkOnly)
{
    if (checkOnly) {
        useFile();
    } else {
        openForWriting();
    }
    const bool wasOpen = !m_problem.has_value();
    try {
        // One transaction for the whole batch: a failure anywhere, or a kill, leaves none of it behind. A check
        // only reads, in one snapshot, and rolls back.
        SQLite::Transaction transaction(*m_db, checkOnly ? SQLite::TransactionBehavior::DEFERRED
                                                         : SQLite::TransactionBehavior::IMMEDIATE);
        if (!checkOnly) {
            prepareTableForWriting(true);
        }
        SQLite::Statement has(*m_db, SqlHasRecord);
        std::optional<SQLite::Statement> insert;
        if (!checkOnly) {
            insert.emplace(*m_db, SqlInsert);
        }
        std::string name;
        FigureKind kind = FigureKind::FourSided;
        while (next(name, kind)) {
            if (!isStorableName(QString::fromStdString(name))) {
                throw StoreFailure(StoreProblem::Failed, "not a valid name: " + name);
            }
            const std::string letter(1, figureLetter(kind));
            has.bind(1, name);
            has.bind(2, letter);
            const bool kept = has.executeStep();
            has.reset();
            if (!kept && insert) {
                insert->bind(1, name);
                insert->bind(2, letter);
                insert->exec();
                insert->reset();
                // As for one save: a rule of the file (a trigger) may drop a record the insert reported added.
                if (!has.executeStep()) {
                    throw StoreFailure(StoreProblem::Failed, "the table did not keep the new record");
                }
                has.reset();
            }
            done(!kept);
        }
        if (checkOnly) {
            return;
        }
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    finishAdding(wasOpen);
}

void FavouritesStore::forEachRecord(const std::function<void(std::string_view, std::string_view)>& each)
{
    useFile();
    try {
        SQLite::Statement query(*m_db, m_queries->all);
        while (query.executeStep()) {
            const SQLite::Column nom = query.getColumn(0);
            const SQLite::Column figura = query.getColumn(1);
            each(std::string_view(nom.getText(""), static_cast<std::size_t>(nom.getBytes())),
                 std::string_view(figura.getText(""), static_cast<std::size_t>(figura.getBytes())));
        }
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
}

bool FavouritesStore::removeFavourite(const QString& name, FigureKind kind)
{
    // A removal never creates the file it would remove from (it may have vanished since it was shown).
    if (!QFileInfo::exists(m_path)) {
        throw StoreFailure(StoreProblem::NotOpen, "the file does not exist");
    }
    openForWriting();
    const bool wasOpen = !m_problem.has_value();
    bool removed = false;
    try {
        SQLite::Transaction transaction(*m_db, SQLite::TransactionBehavior::IMMEDIATE);
        if (!prepareTableForWriting(false)) {
            return false; // no table, so no record to remove; nothing is created for it
        }
        SQLite::Statement remove(*m_db, m_queries->removeOne);
        remove.bind(1, utf8(name));
        remove.bind(2, utf8(letterOf(kind)));
        removed = remove.exec() == 1;
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    finishWrite(wasOpen);
    return removed;
}

void FavouritesStore::requireOpen() const
{
    if (m_problem) {
        throw StoreFailure(*m_problem, "the favourites table is not open");
    }
}

std::optional<FavouritesStore::Row> FavouritesStore::selectRow(const std::string& sql, const QString* name,
                                                               const Row* key)
{
    try {
        SQLite::Statement query(*m_db, sql);
        if (name != nullptr) {
            query.bind(1, utf8(*name));
        }
        if (key != nullptr) {
            query.bind(1, utf8(key->nom));
            for (std::size_t i = 0; i < key->key.size(); ++i) {
                bindValue(query, static_cast<int>(i) + 2, key->key[i]);
            }
        }
        if (!query.executeStep()) {
            return std::nullopt;
        }
        Row row;
        const int keyCount = m_queries->keyCount;
        for (int i = 0; i < keyCount; ++i) {
            row.key.push_back(valueOf(query.getColumn(i)));
        }
        row.nom = text(query.getColumn(keyCount));
        row.figura = text(query.getColumn(keyCount + 1));
        return row;
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
}

void FavouritesStore::place(const std::optional<Row>& row)
{
    if (row) {
        m_current = *row;
        m_beforeFirst = false;
        m_afterLast = false;
    }
}

void FavouritesStore::toFirst()
{
    toEnd(true);
}

void FavouritesStore::toLast()
{
    toEnd(false);
}

void FavouritesStore::toEnd(bool first)
{
    useFile();
    const auto row = selectRow(first ? m_queries->first : m_queries->last, nullptr, nullptr);
    if (!row) {
        m_beforeFirst = true;
        m_afterLast = true;
        throw StoreFailure(StoreProblem::NoRecord, "the favourites table is empty");
    }
    place(row);
}

void FavouritesStore::toNext()
{
    step(true);
}

void FavouritesStore::toPrevious()
{
    step(false);
}

void FavouritesStore::step(bool forward)
{
    useFile();
    // From before the first record a step forward lands on the first one; from after the last, a step back on
    // the last one. Beyond the other end there is nothing to step to.
    bool& outBehind = forward ? m_beforeFirst : m_afterLast;
    bool& outAhead = forward ? m_afterLast : m_beforeFirst;
    if (outBehind) {
        toEnd(forward);
        return;
    }
    if (outAhead) {
        throw StoreFailure(StoreProblem::NoRecord,
                           forward ? "the cursor is after the last record" : "the cursor is before the first record");
    }
    const auto row = selectRow(forward ? m_queries->next : m_queries->previous, nullptr, &m_current);
    if (!row) {
        outAhead = true;
        return;
    }
    place(row);
}

bool FavouritesStore::findFirstByName(const QString& name)
{
    return findByName(true, name);
}

bool FavouritesStore::findLastByName(const QString& name)
{
    return findByName(false, name);
}

bool FavouritesStore::findByName(bool first, const QString& name)
{
    useFile();
    const auto row = selectRow(first ? m_queries->findFirst : m_queries->findLast, &name, nullptr);
    place(row);
    return row.has_value();
}

FavouriteRecord FavouritesStore::currentRecord() const
{
    requireOpen();
    if (m_beforeFirst || m_afterLast) {
        throw StoreFailure(StoreProblem::NoRecord, "the cursor is on no record");
    }
    return {m_current.nom, m_current.figura};
}

QStringList FavouritesStore::figurasOfName(const QString& name)
{
    useFile();
    QStringList figuras;
    try {
        SQLite::Statement query(*m_db, m_queries->figurasOfName);
        query.bind(1, utf8(name));
        while (query.executeStep()) {
            figuras << text(query.getColumn(0));
        }
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    return figuras;
}

std::vector<FavouriteRecord> FavouritesStore::allRecords()
{
    useFile();
    std::vector<FavouriteRecord> records;
    try {
        SQLite::Statement query(*m_db, m_queries->all);
        while (query.executeStep()) {
            records.push_back({text(query.getColumn(0)), text(query.getColumn(1))});
        }
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    return records;
}

} // namespace quorvel::store
