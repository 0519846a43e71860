#include "ui/favourites/FavouritesTransfer.h"

#include "access/AccessImport.h"
#include "store/AccessSignature.h"
#include "store/FavouritesStore.h"
#include "store/Transfer.h"
#include "ui/common/Notices.h"
#include "ui/favourites/FavouritesTexts.h"
#include "ui/favourites/ImportReportDialog.h"

#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStringList>

#include <vector>

namespace quorvel::ui {

namespace {

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

QString readableTypesFilter(UiLanguage language)
{
    QStringList names;
    QStringList patterns;
    QStringList entries;
    for (const ReadableType& type : ReadableTypes) {
        const QString name = QString::fromLatin1(type.name);
        const QString pattern = QString::fromLatin1(type.patterns);
        names << name;
        patterns << pattern;
        entries << name + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    entries.prepend(fillIn(transferWords("ui.importAllTypes", language), {names.join(QStringLiteral(", "))}) +
                    QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    entries << transferWords("ui.allFiles", language);
    return entries.join(QStringLiteral(";;"));
}

store::TransferFormat exportFormatFor(QString& path, const QString& chosenType)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("json") || suffix == QLatin1String("jsonl")) {
        return store::TransferFormat::Json;
    }
    if (suffix == QLatin1String("csv")) {
        return store::TransferFormat::Csv;
    }
    const bool json = chosenType.contains(QLatin1String("*.json"));
    if (suffix.isEmpty()) {
        path += json ? QStringLiteral(".json") : QStringLiteral(".csv");
    }
    return json ? store::TransferFormat::Json : store::TransferFormat::Csv;
}

void exportFavouritesFromWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store)
{
    QString chosenType;
    QString path = Notices::saveFileOfType(owner, favouritesText("exportCaption", language),
                                           QDir::home().filePath(favouritesText("exportSuggestion", language)),
                                           transferWords("ui.exportFilter", language), language, chosenType);
    if (path.isEmpty()) {
        return;
    }
    const store::TransferFormat format = exportFormatFor(path, chosenType);
    store::ExportSummary summary;
    {
        const BusyCursor busy;
        summary = store::exportFile(store, path, format);
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

namespace {

/// Runs an import (or its dry run), keeping every corrected or left-out row for the report. An Access file's
/// favourites table is read by the reader process by the same rules; when it cannot be read, unreadable says why.
store::ImportSummary runImport(store::FavouritesStore& store, const QString& path, bool dryRun,
                               std::vector<store::ImportNote>& notes, UiLanguage language, QString& unreadable)
{
    notes.clear();
    unreadable.clear();
    const BusyCursor busy;
    const auto keep = [&notes](const store::ImportNote& note) { notes.push_back(note); };
    if (!store::isAccessFile(path)) {
        return store::importFile(store, path, std::nullopt, dryRun, keep);
    }
    const access::AccessImportSummary read = access::importAccessFile(store, path, dryRun, keep);
    if (read.readFailure) {
        unreadable = QString::fromStdString(
            access::describeReadFailure(*read.readFailure, shownPath(path).toStdString(), language));
    }
    return read.summary;
}

/// Tells why nothing was imported; true when something was wrong.
bool importFailed(QWidget* owner, UiLanguage language, store::FavouritesStore& store, const QString& path,
                  const store::ImportSummary& summary)
{
    if (summary.fileProblem) {
        Notices::inform(owner,
                        fillIn(favouritesText("importNotDone", language),
                               {shownPath(path),
                                QString::fromStdString(store::describeFileProblem(*summary.fileProblem, language))}));
        return true;
    }
    if (summary.storeProblem) {
        Notices::inform(
            owner, fillIn(favouritesText("importNotDone", language),
                          {shownPath(path), storeReason(*summary.storeProblem, summary.storeDetail, store, language)}));
        return true;
    }
    return false;
}

} // namespace

bool importFavouritesIntoWindow(QWidget* owner, UiLanguage language, store::FavouritesStore& store)
{
    const QString path = Notices::openFileName(owner, favouritesText("importCaption", language), QDir::homePath(),
                                               readableTypesFilter(language), language);
    if (path.isEmpty()) {
        return false;
    }
    // First a look at what the import would do, written nowhere; then, once the user agrees, the import itself.
    std::vector<store::ImportNote> notes;
    QString unreadable;
    const store::ImportSummary preview = runImport(store, path, true, notes, language, unreadable);
    if (!unreadable.isEmpty()) {
        Notices::inform(owner, unreadable);
        return false;
    }
    if (importFailed(owner, language, store, path, preview)) {
        return false;
    }
    {
        ImportReportDialog ask(owner, ImportReportDialog::Stage::Preview, path, preview, notes, language);
        if (ask.exec() != QDialog::Accepted) {
            return false;
        }
    }
    const store::ImportSummary summary = runImport(store, path, false, notes, language, unreadable);
    if (!unreadable.isEmpty()) {
        Notices::inform(owner, unreadable);
        return false;
    }
    if (importFailed(owner, language, store, path, summary)) {
        return false;
    }
    ImportReportDialog report(owner, ImportReportDialog::Stage::Done, path, summary, notes, language);
    report.exec();
    return summary.written > 0;
}

} // namespace quorvel::ui
