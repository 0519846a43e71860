#include "store/FavouritesStore.h"

#include "core/NameRules.h"

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

#include <cstdint>
#include <utility>

namespace quorvel::store {

namespace {

// The one spelling of the table's name. It holds blanks, so every statement quotes it.
#define FAV_TABLE "\"adreca i figura\""

constexpr char SqlTableInfo[] = "PRAGMA table_info(" FAV_TABLE ")";

constexpr char SqlFirst[] = "SELECT rowid, Nom, Figura FROM " FAV_TABLE " ORDER BY Nom, rowid LIMIT 1";
constexpr char SqlLast[] = "SELECT rowid, Nom, Figura FROM " FAV_TABLE " ORDER BY Nom DESC, rowid DESC LIMIT 1";
constexpr char SqlNext[] =
    "SELECT rowid, Nom, Figura FROM " FAV_TABLE " WHERE (Nom, rowid) > (?1, ?2) ORDER BY Nom, rowid LIMIT 1";
constexpr char SqlPrevious[] =
    "SELECT rowid, Nom, Figura FROM " FAV_TABLE " WHERE (Nom, rowid) < (?1, ?2) ORDER BY Nom DESC, rowid DESC LIMIT 1";
constexpr char SqlFindFirst[] =
    "SELECT rowid, Nom, Figura FROM " FAV_TABLE " WHERE Nom = ?1 COLLATE NOCASE ORDER BY Nom, rowid LIMIT 1";
constexpr char SqlFindLast[] =
    "SELECT rowid, Nom, Figura FROM " FAV_TABLE " WHERE Nom = ?1 COLLATE NOCASE ORDER BY Nom DESC, rowid DESC LIMIT 1";
constexpr char SqlFigurasOfName[] =
    "SELECT Figura FROM " FAV_TABLE " WHERE Nom = ?1 COLLATE BINARY ORDER BY Nom, rowid";
constexpr char SqlAll[] = "SELECT Nom, Figura FROM " FAV_TABLE " ORDER BY Nom, rowid";
constexpr char SqlHasRecord[] = "SELECT 1 FROM " FAV_TABLE " WHERE Nom = ?1 COLLATE BINARY AND Figura = ?2 LIMIT 1";
constexpr char SqlInsert[] = "INSERT INTO " FAV_TABLE " (Nom, Figura) VALUES (?1, ?2)";
constexpr char SqlRemoveOne[] = "DELETE FROM " FAV_TABLE " WHERE rowid = (SELECT rowid FROM " FAV_TABLE
                                " WHERE Nom = ?1 COLLATE BINARY AND Figura = ?2 ORDER BY rowid LIMIT 1)";
constexpr char SqlCreate[] =
    "CREATE TABLE IF NOT EXISTS " FAV_TABLE " (id INTEGER PRIMARY KEY, Nom TEXT NOT NULL, Figura TEXT NOT NULL)";
// The first index orders the walk and the exact finds; the second serves the finds that ignore case
// while delivering their matches in table order. Every index ends with the rowid (here the column id), so
// a table made elsewhere without an id column gets the same order from an index on Nom alone.
constexpr char SqlIndexes[] = "CREATE INDEX IF NOT EXISTS \"adreca i figura by name\" ON " FAV_TABLE " (Nom, id);"
                              "CREATE INDEX IF NOT EXISTS \"adreca i figura by name ignoring case\" ON " FAV_TABLE
                              " (Nom COLLATE NOCASE, Nom, id)";
constexpr char SqlIndexesWithoutId[] =
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

/// What PRAGMA table_info says about the table: missing, usable, or without the two fields.
enum class TableShape
{
    Missing,
    Usable,
    MissingFields,
};

TableShape tableShape(SQLite::Database& db, bool* hasId = nullptr)
{
    SQLite::Statement query(db, SqlTableInfo);
    bool any = false;
    bool nom = false;
    bool figura = false;
    bool id = false;
    while (query.executeStep()) {
        any = true;
        const QString column = QString::fromUtf8(query.getColumn(1).getString());
        nom = nom || column.compare(QLatin1String("Nom"), Qt::CaseInsensitive) == 0;
        figura = figura || column.compare(QLatin1String("Figura"), Qt::CaseInsensitive) == 0;
        id = id || column.compare(QLatin1String("id"), Qt::CaseInsensitive) == 0;
    }
    if (hasId != nullptr) {
        *hasId = id || !any;
    }
    if (!any) {
        return TableShape::Missing;
    }
    return nom && figura ? TableShape::Usable : TableShape::MissingFields;
}

/// Whether path names an ordinary file or nothing at all. Never blocks: stat first, so that a device is not
/// even opened; then a non-blocking open and fstat of what is really there, in case the path was replaced in
/// between. A plain read-only open of a named pipe, which is what the database engine does, waits for a
/// writer for ever.
bool isOrdinaryOrMissing(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info
    {
    };
    if (::stat(native.constData(), &info) != 0) {
        return true; // nothing there (or nothing reachable): opening says what it is
    }
    if (!S_ISREG(info.st_mode)) {
        return false;
    }
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return true; // unreadable: the engine's open fails and says so
    }
    const bool ordinary = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return ordinary;
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
    case StoreProblem::ReadOnly:
        return "ReadOnly";
    case StoreProblem::Locked:
        return "Locked";
    case StoreProblem::Failed:
        return "Failed";
    }
    return "Failed";
}

FavouritesStore::FavouritesStore(QString filePath) : m_path(std::move(filePath)) {}

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
    return ::access(native.constData(), W_OK) == 0;
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
    try {
        db =
            std::make_unique<SQLite::Database>(QFile::encodeName(m_path).toStdString(), flags, FavouritesBusyTimeoutMs);
        switch (tableShape(*db)) {
        case TableShape::Usable:
            break;
        case TableShape::MissingFields:
            throw StoreFailure(StoreProblem::MissingFields, "the table lacks the fields Nom and Figura");
        case TableShape::Missing:
            if (!forWriting) {
                throw StoreFailure(StoreProblem::NotOpen, "the file holds no table \"adreca i figura\"");
            }
            break;
        }
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    m_db = std::move(db);
    m_readOnly = readOnly;
    m_schemaReady = false;
}

void FavouritesStore::openStore()
{
    m_beforeFirst = true;
    m_afterLast = true;
    try {
        openConnection(false);
        m_problem.reset();
        m_detail.clear();
        place(selectRow(SqlFirst, nullptr, nullptr));
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
    m_schemaReady = false;
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

void FavouritesStore::ensureWritable()
{
    followMovedFile();
    if (m_db && !m_problem && !m_readOnly && m_schemaReady) {
        return;
    }
    const bool wasOpen = !m_problem.has_value();
    if (!m_db || m_problem || m_readOnly) {
        openConnection(true);
    }
    try {
        SQLite::Transaction transaction(*m_db, SQLite::TransactionBehavior::IMMEDIATE);
        bool hasId = true;
        const TableShape shape = tableShape(*m_db, &hasId);
        if (shape == TableShape::MissingFields) {
            throw StoreFailure(StoreProblem::MissingFields, "the table lacks the fields Nom and Figura");
        }
        // A damaged file (cut short, overwritten in part) still opens, and SQLite would write into it; the
        // save would be confirmed while the file stays broken. It is checked once per connection and, when
        // damaged, left exactly as it is.
        if (m_db->execAndGet("PRAGMA quick_check(1)").getString() != "ok") {
            throw StoreFailure(StoreProblem::NotADatabase, "the file is damaged");
        }
        if (shape == TableShape::Missing) {
            m_db->exec(SqlCreate);
        }
        m_db->exec(hasId ? SqlIndexes : SqlIndexesWithoutId);
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    m_schemaReady = true;
    m_problem.reset();
    m_detail.clear();
    if (!wasOpen) {
        m_beforeFirst = true;
        m_afterLast = true;
        place(selectRow(SqlFirst, nullptr, nullptr));
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
    ensureWritable();
    try {
        // One transaction, so that two windows saving at once still keep a single record.
        SQLite::Transaction transaction(*m_db, SQLite::TransactionBehavior::IMMEDIATE);
        SQLite::Statement has(*m_db, SqlHasRecord);
        has.bind(1, utf8(name));
        has.bind(2, utf8(letterOf(kind)));
        if (has.executeStep()) {
            return AddResult::AlreadyKept;
        }
        SQLite::Statement insert(*m_db, SqlInsert);
        insert.bind(1, utf8(name));
        insert.bind(2, utf8(letterOf(kind)));
        insert.exec();
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    if (m_beforeFirst && m_afterLast) {
        place(selectRow(SqlFirst, nullptr, nullptr));
    }
    return AddResult::Saved;
}

bool FavouritesStore::removeFavourite(const QString& name, FigureKind kind)
{
    ensureWritable();
    try {
        SQLite::Statement remove(*m_db, SqlRemoveOne);
        remove.bind(1, utf8(name));
        remove.bind(2, utf8(letterOf(kind)));
        return remove.exec() == 1;
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
}

void FavouritesStore::requireOpen() const
{
    if (m_problem) {
        throw StoreFailure(*m_problem, "the favourites table is not open");
    }
}

std::optional<FavouritesStore::Row> FavouritesStore::selectRow(const char* sql, const QString* name, const Row* key)
{
    try {
        SQLite::Statement query(*m_db, sql);
        if (name != nullptr) {
            query.bind(1, utf8(*name));
        }
        if (key != nullptr) {
            query.bind(1, utf8(key->nom));
            query.bind(2, static_cast<int64_t>(key->id));
        }
        if (!query.executeStep()) {
            return std::nullopt;
        }
        return Row{query.getColumn(0).getInt64(), text(query.getColumn(1)), text(query.getColumn(2))};
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
    toEnd(SqlFirst);
}

void FavouritesStore::toLast()
{
    toEnd(SqlLast);
}

void FavouritesStore::toEnd(const char* sql)
{
    useFile();
    const auto row = selectRow(sql, nullptr, nullptr);
    if (!row) {
        m_beforeFirst = true;
        m_afterLast = true;
        throw StoreFailure(StoreProblem::NoRecord, "the favourites table is empty");
    }
    place(row);
}

void FavouritesStore::toNext()
{
    useFile();
    if (m_beforeFirst) {
        toFirst();
        return;
    }
    if (m_afterLast) {
        throw StoreFailure(StoreProblem::NoRecord, "the cursor is after the last record");
    }
    const auto row = selectRow(SqlNext, nullptr, &m_current);
    if (!row) {
        m_afterLast = true;
        return;
    }
    place(row);
}

void FavouritesStore::toPrevious()
{
    useFile();
    if (m_afterLast) {
        toLast();
        return;
    }
    if (m_beforeFirst) {
        throw StoreFailure(StoreProblem::NoRecord, "the cursor is before the first record");
    }
    const auto row = selectRow(SqlPrevious, nullptr, &m_current);
    if (!row) {
        m_beforeFirst = true;
        return;
    }
    place(row);
}

bool FavouritesStore::findFirstByName(const QString& name)
{
    return findByName(SqlFindFirst, name);
}

bool FavouritesStore::findLastByName(const QString& name)
{
    return findByName(SqlFindLast, name);
}

bool FavouritesStore::findByName(const char* sql, const QString& name)
{
    useFile();
    const auto row = selectRow(sql, &name, nullptr);
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
        SQLite::Statement query(*m_db, SqlFigurasOfName);
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
        SQLite::Statement query(*m_db, SqlAll);
        while (query.executeStep()) {
            records.push_back({text(query.getColumn(0)), text(query.getColumn(1))});
        }
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    return records;
}

} // namespace quorvel::store
