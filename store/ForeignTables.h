#pragma once

// Support for favourites tables made by other programs: the table's layout as the file declares it (a view, a table
// without rowid, a key of its own, fields a save cannot fill), the statements of a cursor over that layout, and the
// values of a record's key handed back unchanged, whatever their type.

#include "store/FavouritesStore.h"

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>

#include <string>
#include <vector>

// The one spelling of the table's name. It holds blanks, so every statement quotes it.
#define QUORVEL_FAVOURITES_TABLE "\"adreca i figura\""

namespace quorvel::store {

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

/// Reads the layout of the table in db (exists is false when there is none).
TableLayout readLayout(SQLite::Database& db);

/// A field's name as SQL quotes it.
std::string quotedName(const std::string& name);

/// The statements of a cursor over one layout of the table. Records come by Nom and then by their key: the
/// rowid (the order they were added in) or, in a table without rowid, the fields of its primary key. The
/// cursor keeps the key of its record; each move asks for the neighbouring (Nom, key).
struct TableQueries
{
    int keyCount = 1;
    std::string first, last, next, previous, findFirst, findLast, figurasOfName, all, removeOne;

    explicit TableQueries(const TableLayout& layout = {})
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
        const std::string table = QUORVEL_FAVOURITES_TABLE;
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

/// One field of a record's key as the engine gave it, so it can be handed back unchanged.
KeyValue valueOf(const SQLite::Column& column);

/// Binds a key value as the engine gave it to the parameter at index.
void bindValue(SQLite::Statement& query, int index, const KeyValue& value);

} // namespace quorvel::store
