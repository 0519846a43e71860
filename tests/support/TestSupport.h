#pragma once

#include "QuorvelConfig.h"
#include "core/Language.h"
#include "launch/Browser.h"
#include "ui/common/FeaturePlugin.h"
#include "ui/common/Features.h"
#include "ui/common/Help.h"
#include "ui/common/Notices.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

Q_DECLARE_METATYPE(quorvel::UiLanguage)

namespace quorvel::test {

/// Records notices instead of showing them; answers questions from a queue (default: yes).
class RecordingNotices final : public ui::Notices::Handler
{
public:
    RecordingNotices() { ui::Notices::setHandler(this); }
    ~RecordingNotices() override { ui::Notices::setHandler(nullptr); }

    void inform(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text, UiLanguage language) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& suggestion,
                         const QString& filter) override;
    QString saveFileNameIn(QWidget* parent, const QString& caption, const QString& suggestion, const QString& filter,
                           UiLanguage language) override;
    QString saveFileOfType(QWidget* parent, const QString& caption, const QString& suggestion, const QString& filter,
                           UiLanguage language, QString& chosenFilter) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& directory, const QString& filter,
                         UiLanguage language) override;

    QStringList informed;              ///< every notice, in order
    QStringList questions;             ///< every yes/no question, in order
    std::deque<bool> answers;          ///< answers to the next questions; yes when empty
    std::deque<QString> fileNames;     ///< answers to the next file-name requests; empty (cancel) when none
    QStringList fileDialogs;           ///< each file dialog's caption, with " es" or " en" for its language
    QStringList fileFilters;           ///< each file dialog's list of types
    std::deque<QString> fileTypes;     ///< the types chosen in the next typed save dialogs; none when empty
    std::vector<QString> textAtNotice; ///< the focused line edit's text when each notice came (empty if none)
};

/// Features of the test's own in place of the plugin's, for as long as it lives: what is not set makes no
/// window, saves nothing and prints nothing (Failed).
class StandInFeatures final : public ui::FeaturePlugin
{
public:
    StandInFeatures() { ui::useFeatures(this); }
    ~StandInFeatures() override { ui::useFeatures(nullptr); }
    StandInFeatures(const StandInFeatures&) = delete;
    StandInFeatures& operator=(const StandInFeatures&) = delete;

    QWidget* createWindow(ui::WindowRole role, UiLanguage language) override
    {
        const auto it = windows.find(role);
        return it == windows.end() ? nullptr : it->second(language);
    }
    void saveFavourite(QWidget* owner, QWidget* command, UiLanguage language, FigureKind kind,
                       const QString& name) override
    {
        if (save) {
            save(owner, command, language, kind, name);
        }
    }
    ui::PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                               const QString& suggestedPdfName, const ui::DrawPage& draw) override
    {
        return print ? print(owner, language, documentName, suggestedPdfName, draw) : ui::PrintOutcome::Failed;
    }

    std::map<ui::WindowRole, std::function<QWidget*(UiLanguage)>> windows;
    std::function<void(QWidget*, QWidget*, UiLanguage, FigureKind, const QString&)> save;
    std::function<ui::PrintOutcome(QWidget*, UiLanguage, const QString&, const QString&, const ui::DrawPage&)> print;
};

/// Records help requests.
class RecordingHelp final : public ui::Help::Handler
{
public:
    RecordingHelp() { ui::Help::setHandler(this); }
    ~RecordingHelp() override { ui::Help::setHandler(nullptr); }

    void showContents(QWidget*, UiLanguage language) override { calls << call(QStringLiteral("contents"), language); }
    void showTopic(QWidget*, UiLanguage language, int context) override
    {
        calls << call(QStringLiteral("topic %1").arg(context), language);
    }
    void showSearch(QWidget*, UiLanguage language) override { calls << call(QStringLiteral("search"), language); }

    /// Each call as "contents es", "topic 200 en", "search es".
    QStringList calls;

private:
    static QString call(const QString& what, UiLanguage language)
    {
        return what + (language == UiLanguage::Spanish ? QStringLiteral(" es") : QStringLiteral(" en"));
    }
};

/// Records launches instead of starting programs; discovery finds `handler`.
class RecordingLaunch final : public launch::Platform
{
public:
    explicit RecordingLaunch(std::string handler = "/usr/bin/fakebrowser");
    ~RecordingLaunch() override;

    std::string findHtmlHandler(const std::string& htmFile) override;
    void startProgram(const std::string& program, const std::string& argument,
                      const std::string& workingDirectory) override;
    void startCommand(const std::vector<std::string>& arguments, const std::string& workingDirectory) override;
    void openAddress(const std::string& address) override;

    std::string handler;
    /// Each launch as "A <program> <address>" (form A; a desktop entry's command: its arguments after "A")
    /// or "B <address>" (form B).
    QStringList launches;
};

/// The prefix of the figure sites, as this build was configured.
inline QString figureSitePrefix()
{
    return QString::fromUtf8(FigureSitePrefix.data(), static_cast<qsizetype>(FigureSitePrefix.size()));
}

/// The Spanish text in the Spanish edition, the English one in the English edition.
inline QString byEdition(UiLanguage language, const char* spanish, const char* english)
{
    return QString::fromUtf8(language == UiLanguage::Spanish ? spanish : english);
}

/// The edition's name in test data rows: "es" or "en".
inline const char* editionTag(UiLanguage language)
{
    return language == UiLanguage::Spanish ? "es" : "en";
}

/// The data column "language" with one row per edition, "es" and "en".
inline void editions()
{
    QTest::addColumn<UiLanguage>("language");
    for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
        QTest::newRow(editionTag(language)) << language;
    }
}

/// The control of a window with this object name; a missing control ends the run, naming it.
template <typename T>
T* child(QWidget* window, const char* name)
{
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (found == nullptr) {
        qFatal("no control %s", name);
    }
    return found;
}

/// Resets what outlives windows: the window registry, CurrentName, RegisterAddresses, BrowserPath.
void resetProgramState();

/// An import dialog (preview or report) as the user reads it.
struct ImportDialogSeen
{
    QString dialog; ///< its object name: importPreview or importReport
    QString counts;
    QStringList rows; ///< each row's cells joined by " | "

    /// All of it in one text: the counts, then every row, each after " | ".
    QString text() const;
};

/// Reads the import dialog that is open.
ImportDialogSeen readImportDialog(QWidget* dialog);

/// What each case of a window test sets up and drops again: the program's state reset, a throw-away favourites
/// folder (QUORVEL_DATA_DIR), notices, help requests and launches recorded, and the stand-in browser found at start.
class WindowSession
{
public:
    WindowSession();
    ~WindowSession();
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;

    /// The favourites file in this session's folder.
    QString favouritesFile() const { return dir.filePath(QStringLiteral("QUORVEL.MDB")); }

    QTemporaryDir dir;
    RecordingNotices notices;
    RecordingHelp help;
    RecordingLaunch launch;
};

/// Stands in for the main window of both editions while it lives: a plain window named like the real one
/// (frmPrin_Cast, frmPrin_Ang) that closes for good, and notes each one made.
class StandInMainWindows
{
public:
    StandInMainWindows();
    ~StandInMainWindows();
    StandInMainWindows(const StandInMainWindows&) = delete;
    StandInMainWindows& operator=(const StandInMainWindows&) = delete;

    QStringList opened; ///< the edition and CurrentName at each one made: "es:abc"
    QStringList names;  ///< the object name of each one made
};

} // namespace quorvel::test
