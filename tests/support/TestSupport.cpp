#include "tests/support/TestSupport.h"

#include "core/SharedState.h"
#include "ui/common/Windows.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>

namespace quorvel::test {

void RecordingNotices::inform(QWidget* /*parent*/, const QString& text)
{
    informed << text;
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    textAtNotice.push_back(edit != nullptr ? edit->text() : QString());
}

bool RecordingNotices::confirm(QWidget* /*parent*/, const QString& text, UiLanguage /*language*/)
{
    questions << text;
    if (answers.empty()) {
        return true;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

QString RecordingNotices::saveFileName(QWidget* /*parent*/, const QString& /*caption*/, const QString& /*suggestion*/,
                                       const QString& /*filter*/)
{
    if (fileNames.empty()) {
        return {};
    }
    QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString RecordingNotices::saveFileNameIn(QWidget* parent, const QString& caption, const QString& suggestion,
                                         const QString& filter, UiLanguage language)
{
    fileDialogs << caption + (language == UiLanguage::Spanish ? QStringLiteral(" es") : QStringLiteral(" en"));
    fileFilters << filter;
    return saveFileName(parent, caption, suggestion, filter);
}

QString RecordingNotices::saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion,
                                         const QString& filter, UiLanguage language, QString& chosenFilter)
{
    if (!fileTypes.empty()) {
        chosenFilter = fileTypes.front();
        fileTypes.pop_front();
    }
    return saveFileNameIn(parent, caption, suggestion, filter, language);
}

QString RecordingNotices::openFileName(QWidget* parent, const QString& caption, const QString& directory,
                                       const QString& filter, UiLanguage language)
{
    fileFilters << filter;
    fileDialogs << caption + (language == UiLanguage::Spanish ? QStringLiteral(" es") : QStringLiteral(" en"));
    return saveFileName(parent, caption, directory, filter);
}

RecordingLaunch::RecordingLaunch(std::string handlerPath) : handler(std::move(handlerPath))
{
    launch::setPlatform(this);
}

RecordingLaunch::~RecordingLaunch()
{
    launch::setPlatform(nullptr);
}

std::string RecordingLaunch::findHtmlHandler(const std::string& /*htmFile*/)
{
    return handler;
}

void RecordingLaunch::startProgram(const std::string& program, const std::string& argument,
                                   const std::string& /*workingDirectory*/)
{
    launches << QStringLiteral("A %1 %2").arg(QString::fromStdString(program), QString::fromStdString(argument));
}

void RecordingLaunch::startCommand(const std::vector<std::string>& arguments, const std::string& /*workingDirectory*/)
{
    QString record = QStringLiteral("A");
    for (const std::string& argument : arguments) {
        record += QLatin1Char(' ') + QString::fromStdString(argument);
    }
    launches << record;
}

void RecordingLaunch::openAddress(const std::string& address)
{
    launches << QStringLiteral("B %1").arg(QString::fromStdString(address));
}

void resetProgramState()
{
    ui::Windows::instance().reset();
    CurrentName.clear();
    RegisterAddresses = {};
    BrowserPath.clear();
}

QString ImportDialogSeen::text() const
{
    QString all = counts;
    for (const QString& row : rows) {
        all += QStringLiteral(" | ") + row;
    }
    return all;
}

ImportDialogSeen readImportDialog(QWidget* dialog)
{
    ImportDialogSeen seen{dialog->objectName(), child<QLabel>(dialog, "importCounts")->text(), {}};
    auto* table = child<QTableWidget>(dialog, "importRows");
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < table->columnCount(); ++column) {
            cells << table->item(row, column)->text();
        }
        seen.rows << cells.join(QStringLiteral(" | "));
    }
    return seen;
}

WindowSession::WindowSession()
{
    resetProgramState();
    qputenv("QUORVEL_DATA_DIR", dir.path().toUtf8());
    BrowserPath = launch.handler;
}

WindowSession::~WindowSession()
{
    resetProgramState();
}

StandInMainWindows::StandInMainWindows()
{
    ui::Windows::instance().setFactory(ui::WindowRole::Main, [this](UiLanguage language) -> QWidget* {
        auto* main = new QWidget;
        main->setAttribute(Qt::WA_DeleteOnClose);
        main->setObjectName(language == UiLanguage::Spanish ? QStringLiteral("frmPrin_Cast")
                                                            : QStringLiteral("frmPrin_Ang"));
        opened << QStringLiteral("%1:%2").arg(QLatin1String(editionTag(language)), QString::fromStdString(CurrentName));
        names << main->objectName();
        return main;
    });
}

StandInMainWindows::~StandInMainWindows()
{
    ui::Windows::instance().setFactory(ui::WindowRole::Main, {});
}

} // namespace quorvel::test
