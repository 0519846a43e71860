#include "ui/favourites/FavouritesTransfer.h"

#include "access/AccessImport.h"
#include "store/AccessSignature.h"
#include "store/FavouritesStore.h"
#include "store/Transfer.h"
#include "ui/common/Notices.h"
#include "ui/favourites/FavouritesTexts.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <algorithm>

namespace quorvel::ui {

namespace {

/// How many corrected or refused rows the import notice lists before it only counts them.
constexpr int ListedRows = 10;

QString shownPath(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

/// The store's words for a failure of the favourites file, as the window's other messages give them.
QString storeReason(store::StoreProblem problem, const std::string& detail, const store::FavouritesStore& store,
                    UiLanguage language)
{
    return problemReason(store::StoreFailure(problem, detail), store.filePath(), language);
}

/// Keeps the wait cursor up while a long import or export runs.
class BusyCursor
{
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QGuiApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

void exportFavouritesFromWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store)
{
    QString path = Notices::saveFileName(owner, favouritesText("exportCaption", language),
                                         QDir::home().filePath(favouritesText("exportSuggestion", language)),
                                         favouritesText("transferFilter", language), language);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".csv");
    }
    store::ExportSummary summary;
    {
        const BusyCursor busy;
        summary = store::exportFile(store, path, store::formatForFileName(path));
    }
    if (summary.storeProblem) {
        Notices::inform(
            owner, fillIn(favouritesText("exportNotDone", language),
                          {shownPath(path), storeReason(*summary.storeProblem, summary.storeDetail, store, language)}));
        return;
    }
    if (!summary.outputError.empty()) {
        Notices::inform(owner, fillIn(favouritesText("exportNotDone", language),
                                      {shownPath(path), QString::fromStdString(summary.outputError)}));
        return;
    }
    QString text = fillIn(favouritesText("exportDone", language), {QString::number(summary.written), shownPath(path)});
    if (summary.skipped > 0) {
        text +=
            QLatin1Char('\n') + fillIn(favouritesText("exportSkipped", language), {QString::number(summary.skipped)});
    }
    Notices::inform(owner, text);
}

bool importFavouritesIntoWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store)
{
    // Access files are offered beside CSV and JSON, before "all files".
    QStringList filters = favouritesText("transferFilter", language).split(QStringLiteral(";;"));
    filters.insert(std::max<qsizetype>(filters.size() - 1, 0),
                   QString::fromStdString(access::accessText("importFilter", language, {})));
    const QString path = Notices::openFileName(owner, favouritesText("importCaption", language), QDir::homePath(),
                                               filters.join(QStringLiteral(";;")), language);
    if (path.isEmpty()) {
        return false;
    }
    QStringList rows;
    long unlisted = 0;
    store::ImportSummary summary;
    {
        const BusyCursor busy;
        if (store::isAccessFile(path)) {
            // An Access file: its favourites table, read by the reader process, by the same rules.
            const access::AccessImportSummary read =
                access::importAccessFile(store, path, false, [&](const store::ImportNote& note) {
                    if (rows.size() < ListedRows) {
                        rows << QString::fromStdString(access::describeAccessNote(note, language));
                    } else {
                        ++unlisted;
                    }
                });
            if (read.readFailure) {
                Notices::inform(owner, QString::fromStdString(access::describeReadFailure(
                                           *read.readFailure, shownPath(path).toStdString(), language)));
                return false;
            }
            summary = read.summary;
        } else {
            summary = store::importFile(store, path, std::nullopt, false, [&](const store::ImportNote& note) {
                if (rows.size() < ListedRows) {
                    rows << QString::fromStdString(store::describeNote(note, language));
                } else {
                    ++unlisted;
                }
            });
        }
    }
    if (summary.fileProblem) {
        Notices::inform(owner,
                        fillIn(favouritesText("importNotDone", language),
                               {shownPath(path),
                                QString::fromStdString(store::describeFileProblem(*summary.fileProblem, language))}));
        return false;
    }
    if (summary.storeProblem) {
        Notices::inform(
            owner, fillIn(favouritesText("importNotDone", language),
                          {shownPath(path), storeReason(*summary.storeProblem, summary.storeDetail, store, language)}));
        return false;
    }
    QString text = fillIn(favouritesText("importDone", language),
                          {shownPath(path), QString::number(summary.kept), QString::number(summary.corrected),
                           QString::number(summary.alreadyThere), QString::number(summary.refused)});
    if (!rows.isEmpty()) {
        text += QStringLiteral("\n\n") + rows.join(QLatin1Char('\n'));
    }
    if (unlisted > 0) {
        text += QLatin1Char('\n') + fillIn(favouritesText("importMore", language), {QString::number(unlisted)});
    }
    Notices::inform(owner, text);
    return summary.kept + summary.corrected > 0;
}

} // namespace quorvel::ui
