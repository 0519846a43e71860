#include "store/ForeignTables.h"

#include "core/AsciiText.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>

namespace quorvel::store {

namespace {

constexpr char SqlTableList[] = "PRAGMA main.table_list(" QUORVEL_FAVOURITES_TABLE ")";
constexpr char SqlTableColumns[] = "PRAGMA main.table_xinfo(" QUORVEL_FAVOURITES_TABLE ")";

// Names of fields and types, compared as SQLite compares them: without regard to ASCII letter case.
bool sameName(std::string_view a, std::string_view b)
{
    return asciiLower(a) == asciiLower(b);
}

} // namespace

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

} // namespace quorvel::store
