#pragma once

#include "core/FigureCoding.h"
#include "store/FavouritesCursor.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace SQLite {
class Database;
}

namespace quorvel::store {

/// How long a write waits for another program's lock before it gives up.
inline constexpr int FavouritesBusyTimeoutMs = 2000;

/// One value of a record's key, of whichever type the engine stored (an SQLite fundamental type).
struct KeyValue
{
    int type = 5; ///< SQLITE_INTEGER (1), SQLITE_FLOAT (2), SQLITE_TEXT (3), SQLITE_BLOB (4) or SQLITE_NULL (5)
    qint64 integer = 0;
    double real = 0;
    std::string bytes; ///< text in UTF-8, or a blob
};

/// The result of addFavourite when nothing went wrong with the file.
enum class AddResult
{
    Saved,       ///< one record was added
    AlreadyKept, ///< the name was already kept with that class of figure; nothing was added
    EmptyName,   ///< there is no name (empty, or the placeholder "?"); nothing was added
    InvalidName, ///< the text is not a valid lower-case name; nothing was added
};

/// A window's cursor over the table "adreca i figura" of the SQLite file QUORVEL.MDB.
///
/// Table order is by Nom (binary comparison, so each exact name is one run of records) and then by
/// insertion (rowid). Every move and find is one query over the index on (Nom, id): the cursor keeps only
/// the key of its record and asks for the neighbouring key, so no operation walks the table except
/// allRecords().
///
/// Opening never creates anything and never writes. The first add creates a missing file or table. A file
/// that is not a database, or whose table lacks the fields, is never written (SQLite refuses to write into
/// it and the table is checked before any write). A file without any write permission bit, or in a folder
/// without one, is opened read only, even for a user whom the system would let write it. Nothing but an
/// ordinary file is ever opened.
///
/// Tables made elsewhere are served when a save can fill them: other fields must be optional or have a
/// default. A table without rowid is walked in the order of Nom and then its primary key. Every write is one
/// transaction that also holds the checks of the table and the creation of its indexes, so a refused or
/// failed write leaves the file as it was; a save is confirmed only once its record is read back.
class FavouritesStore final : public FavouritesCursor
{
public:
    /// A cursor over the database at filePath; nothing is opened yet.
    explicit FavouritesStore(QString filePath);
    ~FavouritesStore() override;
    FavouritesStore(const FavouritesStore&) = delete;
    FavouritesStore& operator=(const FavouritesStore&) = delete;

    /// Opens the file and its table and puts the cursor on the first record (both flags true for an empty
    /// table). Never throws: when the file or table cannot be used, isOpen() is false and every cursor
    /// operation fails with openProblem().
    void openStore();

    bool isOpen() const { return !m_problem.has_value(); }
    StoreProblem openProblem() const { return m_problem.value_or(StoreProblem::Failed); }
    /// The engine's words for the last failure of openStore, if any.
    QString openDetail() const { return m_detail; }
    bool isReadOnly() const { return m_readOnly; }
    const QString& filePath() const { return m_path; }

    /// Adds one record (name, figureLetter(kind)) unless the name is empty or invalid, or already kept
    /// with that letter. Creates a missing file or table first. Throws StoreFailure when the file cannot
    /// take the record (not a database, missing fields, read only, locked, engine failure).
    AddResult addFavourite(const QString& name, FigureKind kind);

    /// Adds many records in one write transaction, all of them or none: the file is opened and checked as for
    /// addFavourite. next gives each record in turn (a valid lower-case name, UTF-8) and returns false after
    /// the last; done then says whether it was added (false: already kept, also earlier in the same batch).
    /// Throws StoreFailure, having added nothing, when the file cannot take the records. With checkOnly the
    /// file is only read (it must be open): done says whether each record would be added, not counting
    /// repeats within the batch.
    void addFavourites(const std::function<bool(std::string& name, FigureKind& kind)>& next,
                       const std::function<void(bool added)>& done, bool checkOnly = false);

    /// Calls each with every record in table order, without holding them all. The cursor does not move.
    void forEachRecord(const std::function<void(std::string_view nom, std::string_view figura)>& each);

    /// Removes one record of exactly that name and letter (the earliest kept); false when there is none.
    /// Throws StoreFailure when the file cannot be written.
    bool removeFavourite(const QString& name, FigureKind kind);

    bool beforeFirst() const override { return m_beforeFirst; }
    bool afterLast() const override { return m_afterLast; }
    void toFirst() override;
    void toLast() override;
    void toNext() override;
    void toPrevious() override;
    bool findFirstByName(const QString& name) override;
    bool findLastByName(const QString& name) override;
    FavouriteRecord currentRecord() const override;
    QStringList figurasOfName(const QString& name) override;
    std::vector<FavouriteRecord> allRecords() override;

    /// Whether a file may be written: it and its folder have a write permission bit and the system allows
    /// writing them.
    static bool isWritableFile(const QString& path);

    /// Throws StoreFailure (NotADatabase) when something other than an ordinary file stands at path: a folder,
    /// a named pipe, a socket or a device. Never blocks, never writes. Nothing at path passes. Every open of
    /// the favourites file goes through this before the database engine opens the path.
    static void requireOrdinaryFile(const QString& path);

private:
    struct Queries;
    struct Row
    {
        std::vector<KeyValue> key; ///< the rowid, or the primary key of a table without rowid
        QString nom;
        QString figura;
    };

    void requireOpen() const;
    bool fileHasMoved() const;
    void followMovedFile();
    void useFile();
    void openConnection(bool forWriting);
    void openForWriting();
    /// Inside a write transaction: creates a missing table when asked (else false), refuses a table the saves
    /// cannot serve, checks the file once per connection and adds the indexes.
    bool prepareTableForWriting(bool createMissing);
    void finishWrite(bool wasOpen);
    void finishAdding(bool wasOpen);
    void place(const std::optional<Row>& row);
    /// Moves to the first or last record; an empty table is a failure.
    void toEnd(bool first);
    /// One record forward or back; off either end the cursor stands before the first or after the last.
    void step(bool forward);
    /// Moves to the first or last record of the name; false if none.
    bool findByName(bool first, const QString& name);
    std::optional<Row> selectRow(const std::string& sql, const QString* text, const Row* key);

    QString m_path;
    std::unique_ptr<SQLite::Database> m_db;
    std::unique_ptr<Queries> m_queries;
    std::optional<StoreProblem> m_problem = StoreProblem::NotOpen;
    QString m_detail;
    bool m_readOnly = false;
    bool m_checkedForWriting = false; ///< the file was found undamaged on this connection

    bool m_beforeFirst = true;
    bool m_afterLast = true;
    Row m_current;
};

/// The reason of a failure, as a word for messages in logs and tests ("NotADatabase", ...).
const char* storeProblemName(StoreProblem problem);

} // namespace quorvel::store
