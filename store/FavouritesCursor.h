#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace quorvel::store {

/// One row of the favourites table: the name and the letter of its class of figure.
struct FavouriteRecord
{
    QString Nom;
    QString Figura;

    friend bool operator==(const FavouriteRecord&, const FavouriteRecord&) = default;
};

/// Why an operation of the table could not be done.
enum class StoreProblem
{
    NoRecord,      ///< the table is empty, or the cursor is beyond an end
    NotOpen,       ///< the file or the table is missing
    NotADatabase,  ///< the file is not an SQLite database (or is damaged); it is never written
    MissingFields, ///< the table lacks the fields Nom and Figura; the file is never written
    UnusableTable, ///< the table has the fields but cannot take a record (a view, a further required field)
    ReadOnly,      ///< the file, or its folder, cannot be written
    Locked,        ///< another program kept the file locked beyond the waiting time
    Failed,        ///< any other failure of the database engine
};

/// A failure of the table, raised by the cursor's operations.
class StoreFailure : public std::runtime_error
{
public:
    StoreFailure(StoreProblem problem, const std::string& what) : std::runtime_error(what), m_problem(problem) {}
    StoreProblem problem() const { return m_problem; }

private:
    StoreProblem m_problem;
};

/// A cursor over the favourites table in the table's order. It stands on one record, before the first
/// record (beforeFirst) or after the last one (afterLast); on an empty table both flags are true.
/// Every operation may throw StoreFailure.
class FavouritesCursor
{
public:
    virtual ~FavouritesCursor() = default;

    virtual bool beforeFirst() const = 0;
    virtual bool afterLast() const = 0;

    /// Onto the first or last record; NoRecord on an empty table.
    virtual void toFirst() = 0;
    virtual void toLast() = 0;
    /// One record forward or back. Beyond the last record afterLast becomes true, before the first one
    /// beforeFirst; from beyond an end they come back onto the last or first record. When the record under
    /// the cursor has been removed, they go to the records that stood after and before it.
    virtual void toNext() = 0;
    virtual void toPrevious() = 0;

    /// Onto the first or last record, in table order, whose Nom equals name without regard to ASCII letter
    /// case. The text is compared as data (never part of a query). When none matches the result is false and
    /// the cursor stays where it was.
    virtual bool findFirstByName(const QString& name) = 0;
    virtual bool findLastByName(const QString& name) = 0;

    /// The record under the cursor; NoRecord beyond an end.
    virtual FavouriteRecord currentRecord() const = 0;

    /// The Figura of every record whose Nom equals name exactly, in table order. The cursor does not move.
    virtual QStringList figurasOfName(const QString& name) = 0;

    /// Every record in table order, for the lists by figure. The cursor does not move.
    virtual std::vector<FavouriteRecord> allRecords() = 0;
};

} // namespace quorvel::store
