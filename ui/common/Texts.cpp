#include "ui/common/Texts.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QtDebug>

#include <array>

namespace quorvel::ui {

namespace {

using Table = QHash<QString, std::array<QString, 2>>;

QString unescape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const QChar next = text[i + 1];
            if (next == u'n') {
                out += u'\n';
                ++i;
                continue;
            }
            if (next == u't') {
                out += u'\t';
                ++i;
                continue;
            }
            if (next == u'\\') {
                out += u'\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

Table load(const QString& role)
{
    Table table;
    QFile file(QStringLiteral(":/texts/%1.tsv").arg(role));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("No texts for the window role %s", qPrintable(role));
        return table;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r')) {
            line.chop(1);
        }
        if (line.isEmpty() || line.startsWith(u'#')) {
            continue;
        }
        const QStringList cells = line.split(u'\t');
        if (cells.size() != 3) {
            qWarning("Malformed line in texts of %s: %s", qPrintable(role), qPrintable(line));
            continue;
        }
        table.insert(cells[0], {unescape(cells[1]), unescape(cells[2])});
    }
    return table;
}

const Table& tableOf(const QString& role)
{
    static QHash<QString, Table> tables;
    auto it = tables.find(role);
    if (it == tables.end()) {
        it = tables.insert(role, load(role));
    }
    return *it;
}

} // namespace

QString Texts::get(const QString& role, const QString& key, UiLanguage language)
{
    const Table& table = tableOf(role);
    const auto it = table.find(key);
    if (it == table.end()) {
        qWarning("Missing text %s:%s", qPrintable(role), qPrintable(key));
        return QStringLiteral("<%1:%2>").arg(role, key);
    }
    return (*it)[language == UiLanguage::Spanish ? 0 : 1];
}

} // namespace quorvel::ui
