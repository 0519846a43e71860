#include "store/FavouritesStore.h"

#include "core/AsciiText.h"
#include "core/NameRules.h"
#include "store/DataFolder.h"

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

// The one spelling of the table's name. It holds blanks, so every statement quotes it.
#define FAV_TABLE "\"adreca i figura\""

constexpr char QuotedTable[] = FAV_TABLE;
constexpr char SqlTableList[] = "PRAGMA main.table_list(" FAV_TABLE ")";
constexpr char SqlTableColumns[] = "PRAGMA main.table_xinfo(" FAV_TABLE ")";
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

// Names of fields and types, compared as SQLite compares them: without regard to ASCII letter case.
bool sameName(std::string_view a, std::string_view b)
{
    return asciiLower(a) == asciiLower(b);
}

/// How the table "adreca i figura" of a file is laid out, as far as the cursor and the saves are concerned.
struct TableLayout
{
    bool exists = false;
    bool ordinary = false; ///< a table of its own: not a view, not a virtual table
    bool withoutRowid = false;
    bool hasFields = false;              ///< Nom and Figura
    bool idIsRowid = false;              ///< a column id that stands for the rowid, as in the tables the program makes
    std::vector<std::string> primaryKey; ///< the key fields of a table without rowid, in the key's order
    std::string unfillable;              ///< a field a save must fill but cannot (required, no default)
};

TableLayout readLayout(SQLite::Database& db)
{
    TableLayout layout;
    {
        SQLite::Statement list(db, SqlTableList);
        if (!list.executeStep()) {
            return layout;
        }
        layout.exists = true;
        layout.ordinary = list.getColumn(2).getString() == "table";
        layout.withoutRowid = list.getColumn(4).getInt() != 0;
    }
    struct Field
    {
        std::string name;
        std::string type;
        bool required = false;
        bool hasDefault = false;
        int keyPosition = 0;
        bool generated = false;
    };
    std::vector<Field> fields;
    SQLite::Statement columns(db, SqlTableColumns);
    while (columns.executeStep()) {
        fields.push_back({columns.getColumn(1).getString(), columns.getColumn(2).getString(),
                          columns.getColumn(3).getInt() != 0, !columns.getColumn(4).isNull(),
                          columns.getColumn(5).getInt(), columns.getColumn(6).getInt() != 0});
    }
    bool nom = false;
    bool figura = false;
    std::vector<const Field*> key;
    for (const Field& field : fields) {
        nom = nom || sameName(field.name, "Nom");
        figura = figura || sameName(field.name, "Figura");
        if (field.keyPosition > 0) {
            key.push_back(&field);
        }
    }
    layout.hasFields = nom && figura;
    std::sort(key.begin(), key.end(), [](const Field* a, const Field* b) { return a->keyPosition < b->keyPosition; });
    // In a table with rowid, a single key field declared INTEGER is the rowid itself and numbers new rows.
    const Field* rowidField =
        !layout.withoutRowid && key.size() == 1 && sameName(key.front()->type, "INTEGER") ? key.front() : nullptr;
    layout.idIsRowid = rowidField != nullptr && sameName(rowidField->name, "id");
    if (layout.withoutRowid) {
        for (const Field* field : key) {
            layout.primaryKey.push_back(field->name);
        }
    }
    for (const Field& field : fields) {
        const bool filled = sameName(field.name, "Nom") || sameName(field.name, "Figura") || field.generated ||
                            field.hasDefault || &field == rowidField;
        // A table without rowid refuses a key field left empty whether or not it was declared NOT NULL.
        const bool required = field.required || (layout.withoutRowid && field.keyPosition > 0);
        if (required && !filled) {
            layout.unfillable = field.name;
            break;
        }
    }
    return layout;
}

std::string quotedName(const std::string& name)
{
    std::string quoted = "\"";
    for (const char c : name) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

} // namespace

/// The statements of a cursor over one layout of the table. Records come by Nom and then by their key: the
/// rowid (the order they were added in) or, in a table without rowid, the fields of its primary key. The
/// cursor keeps the key of its record; each move asks for the neighbouring (Nom, key).
struct FavouritesStore::Queries
{
    int keyCount = 1;
    std::string first, last, next, previous, findFirst, findLast, figurasOfName, all, removeOne;

    explicit Queries(const TableLayout& layout = {})
    {
        std::vector<std::string> key;
        for (const std::string& field : layout.primaryKey) {
            key.push_back(quotedName(field));
        }
        if (key.empty()) {
            key.push_back("rowid");
        }
        keyCount = static_cast<int>(key.size());
        std::string keyList;
        std::string up = "Nom";
        std::string down = "Nom DESC";
        std::string parameters = "?1";
        for (std::size_t i = 0; i < key.size(); ++i) {
            keyList += (i == 0 ? "" : ", ") + key[i];
            up += ", " + key[i];
            down += ", " + key[i] + " DESC";
            parameters += ", ?" + std::to_string(i + 2);
        }
        const std::string table = QuotedTable;
        const std::string select = "SELECT " + keyList + ", Nom, Figura FROM " + table;
        first = select + " ORDER BY " + up + " LIMIT 1";
        last = select + " ORDER BY " + down + " LIMIT 1";
        next = select + " WHERE (Nom, " + keyList + ") > (" + parameters + ") ORDER BY " + up + " LIMIT 1";
        previous = select + " WHERE (Nom, " + keyList + ") < (" + parameters + ") ORDER BY " + down + " LIMIT 1";
        findFirst = select + " WHERE Nom = ?1 COLLATE NOCASE ORDER BY " + up + " LIMIT 1";
        findLast = select + " WHERE Nom = ?1 COLLATE NOCASE ORDER BY " + down + " LIMIT 1";
        figurasOfName = "SELECT Figura FROM " + table + " WHERE Nom = ?1 COLLATE BINARY ORDER BY " + up;
        all = "SELECT Nom, Figura FROM " + table + " ORDER BY " + up;
        removeOne = "DELETE FROM " + table + " WHERE (" + keyList + ") = (SELECT " + keyList + " FROM " + table +
                    " WHERE Nom = ?1 COLLATE BINARY AND Figura = ?2 ORDER BY " + keyList + " LIMIT 1)";
    }
};

namespace {

/// One field of a record's key as the engine gave it, so it can be handed back unchanged.
KeyValue valueOf(const SQLite::Column& column)
{
    KeyValue value;
    value.type = column.getType();
    switch (value.type) {
    case SQLITE_INTEGER:
        value.integer = column.getInt64();
        break;
    case SQLITE_FLOAT:
        value.real = column.getDouble();
        break;
    case SQLITE_TEXT:
        value.bytes = column.getString();
        break;
    case SQLITE_BLOB:
        value.bytes.assign(static_cast<const char*>(column.getBlob()), static_cast<std::size_t>(column.getBytes()));
        break;
    default:
        break;
    }
    return value;
}

void bindValue(SQLite::Statement& query, int index, const KeyValue& value)
{
    switch (value.type) {
    case SQLITE_INTEGER:
        query.bind(index, static_cast<int64_t>(value.integer));
        break;
    case SQLITE_FLOAT:
        query.bind(index, value.real);
        break;
    case SQLITE_TEXT:
        query.bind(index, value.bytes);
        break;
    case SQLITE_BLOB:
        query.bind(index, value.bytes.data(), static_cast<int>(value.bytes.size()));
        break;
    default:
        query.bind(index);
        break;
    }
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
    openForWriting();
    const bool wasOpen = !m_problem.has_value();
    AddResult result = AddResult::Saved;
    try {
        // One transaction, so that two windows saving at once still keep a single record, and so that a save
        // that fails anywhere leaves nothing behind.
        SQLite::Transaction transaction(*m_db, SQLite::TransactionBehavior::IMMEDIATE);
        prepareTableForWriting(true);
        SQLite::Statement has(*m_db, SqlHasRecord);
        has.bind(1, utf8(name));
        has.bind(2, utf8(letterOf(kind)));
        if (has.executeStep()) {
            result = AddResult::AlreadyKept;
        } else {
            SQLite::Statement insert(*m_db, SqlInsert);
            insert.bind(1, utf8(name));
            insert.bind(2, utf8(letterOf(kind)));
            insert.exec();
            // The record is confirmed only once it is read back: a rule of the file (a trigger) may have
            // dropped or changed it while the insert itself succeeded.
            has.reset();
            if (!has.executeStep()) {
                throw StoreFailure(StoreProblem::Failed, "the table did not keep the new record");
            }
        }
        transaction.commit();
    } catch (const SQLite::Exception& e) {
        raise(e);
    }
    finishAdding(wasOpen);
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
