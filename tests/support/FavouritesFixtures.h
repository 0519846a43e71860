#pragma once

#include <QByteArray>
#include <QString>

#include <utility>
#include <vector>

namespace quorvel::test {

/// (Nom, Figura) pairs in the order they are added to the table.
using Rows = std::vector<std::pair<QString, QString>>;

/// Writes a favourites file with the table "adreca i figura" holding rows, added in the order given,
/// the way the program lays the table out (integer id, Nom, Figura).
void makeFavouritesFile(const QString& path, const Rows& rows);

/// Writes a file whose table "adreca i figura" has other fields (Name, Shape) and one row.
void makeForeignTable(const QString& path);

/// Writes a database file made by the SQL statements sql, for tables laid out as other programs lay them out.
void makeDatabase(const QString& path, const char* sql);

/// Every (Nom, Figura) of the file's table in the order of insertion.
Rows readRows(const QString& path);

/// Every (Nom, Figura) of the file's table ordered by Nom and then Figura: for tables without a rowid.
Rows readRowsByName(const QString& path);

/// A digest of the file's bytes, to show that a file was left alone.
QByteArray fileDigest(const QString& path);

/// The same size bytes of noise on every run, for files that are anything but a database.
QByteArray noise(int size);

/// Parses "abc r, abc p, xyz c" into rows; "abc -" stands for an empty Figura.
Rows rows(const char* text);

} // namespace quorvel::test
