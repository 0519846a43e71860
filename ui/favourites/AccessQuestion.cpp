#include "ui/favourites/AccessQuestion.h"

#include "access/AccessConversion.h"
#include "store/AccessSignature.h"
#include "store/DataFolder.h"
#include "ui/common/Notices.h"
#include "ui/favourites/ImportReportDialog.h"

#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include <vector>

namespace quorvel::ui {

namespace {

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
    std::vector<store::ImportNote> notes;
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const access::ConversionResult result = access::convertAccessFavourites(
        path, fallback, [&notes](const store::ImportNote& note) { notes.push_back(note); }, {}, language);
    QGuiApplication::restoreOverrideCursor();
    Notices::inform(parent, QString::fromStdString(access::describeConversion(result, language)));
    if (result.converted && !notes.empty()) {
        // Every corrected or left-out record in the import's report, which can be saved as it is.
        ImportReportDialog report(parent, ImportReportDialog::Stage::Done, result.accessPath, result.import.summary,
                                  notes, language);
        report.exec();
    }
}

} // namespace quorvel::ui
