#include "tests/support/FavouritesFixtures.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStringList>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>

namespace quorvel::test {

void makeFavouritesFile(const QString& path, const Rows& rows)
{
    SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec("CREATE TABLE \"adreca i figura\" (id INTEGER PRIMARY KEY, Nom TEXT NOT NULL, Figura TEXT NOT NULL)");
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO \"adreca i figura\" (Nom, Figura) VALUES (?1, ?2)");
    for (const auto& [nom, figura] : rows) {
        insert.bind(1, nom.toStdString());
        insert.bind(2, figura.toStdString());
        insert.exec();
        insert.reset();
    }
    transaction.commit();
}

void makeForeignTable(const QString& path)
{
    SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec("CREATE TABLE \"adreca i figura\" (Name TEXT, Shape TEXT);"
            "INSERT INTO \"adreca i figura\" VALUES ('abc', 'r')");
}

void makeDatabase(const QString& path, const char* sql)
{
    SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
    db.exec(sql);
}

namespace {

Rows readRowsOrdered(const QString& path, const char* order)
{
    SQLite::Database db(QFile::encodeName(path).toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, std::string("SELECT Nom, Figura FROM \"adreca i figura\" ORDER BY ") + order);
    Rows result;
    while (query.executeStep()) {
        result.emplace_back(QString::fromStdString(query.getColumn(0).getString()),
                            QString::fromStdString(query.getColumn(1).getString()));
    }
    return result;
}

} // namespace

Rows readRows(const QString& path)
{
    return readRowsOrdered(path, "rowid");
}

Rows readRowsByName(const QString& path)
{
    return readRowsOrdered(path, "Nom, Figura");
}

QByteArray fileDigest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

QByteArray noise(int size)
{
    QByteArray bytes;
    quint32 seed = 12345;
    for (int i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 24);
    }
    return bytes;
}

Rows rows(const char* text)
{
    Rows result;
    const QString all = QString::fromUtf8(text);
    for (const QString& item : all.split(u',', Qt::SkipEmptyParts)) {
        const QStringList parts = item.trimmed().split(u' ');
        result.emplace_back(parts.value(0), parts.value(1) == QLatin1String("-") ? QString() : parts.value(1));
    }
    return result;
}

} // namespace quorvel::test
