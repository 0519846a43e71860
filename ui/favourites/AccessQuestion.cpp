#include "ui/favourites/AccessQuestion.h"

#include "access/AccessConversion.h"
#include "store/AccessSignature.h"
#include "store/DataFolder.h"
#include "ui/common/Notices.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QStringList>

namespace quorvel::ui {

namespace {

/// How many corrected or left-out records the summary lists before it only counts them.
constexpr int ListedRecords = 10;

bool asked = false;

QString text(const char* key, UiLanguage language, std::initializer_list<std::string> values = {})
{
    return QString::fromStdString(access::accessText(key, language, values));
}

} // namespace

void forgetAccessAnswer()
{
    asked = false;
}

void offerAccessConversion(QWidget* parent, UiLanguage language)
{
    if (asked) {
        return;
    }
    const QString path = store::favouritesFilePath();
    if (!store::isAccessFile(path)) {
        return;
    }
    asked = true;
    const std::string shown = QDir::toNativeSeparators(path).toStdString();
    if (!Notices::confirm(parent, text("ask", language, {shown}), language)) {
        return;
    }
    // Where the folder cannot be written the favourites go to the per-user folder, unless the folder was
    // named outright.
    const QString fallback = qEnvironmentVariableIsEmpty("QUORVEL_DATA_DIR") ? store::perUserDataFolder() : QString();
    QStringList records;
    long unlisted = 0;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const access::ConversionResult result = access::convertAccessFavourites(
        path, fallback,
        [&](const store::ImportNote& note) {
            if (records.size() < ListedRecords) {
                records << QString::fromStdString(access::describeAccessNote(note, language));
            } else {
                ++unlisted;
            }
        },
        {}, language);
    QGuiApplication::restoreOverrideCursor();
    QString summary = QString::fromStdString(access::describeConversion(result, language));
    if (result.converted && !records.isEmpty()) {
        summary += QStringLiteral("\n\n") + records.join(QLatin1Char('\n'));
        if (unlisted > 0) {
            summary += QLatin1Char('\n') + text("more", language, {std::to_string(unlisted)});
        }
    }
    Notices::inform(parent, summary);
}

} // namespace quorvel::ui
