// The favourites window driven as a user drives it, in both editions, on real favourites files; and the
// main window's save commands through the save handler.
#include "core/FigureCoding.h"
#include "launch/Browser.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Features.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Windows.h"
#include "ui/favourites/SaveFromMainWindow.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <memory>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

const QString FakeBrowser = QStringLiteral("/usr/bin/fakebrowser");

QString address(FigureKind kind, const char* name)
{
    return QString::fromStdString(figureAddress(kind, name));
}

} // namespace

class WindowTest : public QObject
{
    Q_OBJECT

private:
    UiLanguage m_language = UiLanguage::Spanish;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::RecordingNotices> m_notices;
    std::unique_ptr<test::RecordingHelp> m_help;
    std::unique_ptr<test::RecordingLaunch> m_launch;
    test::StandInMainWindows m_main;

    QString path() const { return m_dir->filePath(QStringLiteral("QUORVEL.MDB")); }
    bool spanish() const { return m_language == UiLanguage::Spanish; }
    QString es(const char* spanishText, const char* englishText) const
    {
        return test::byEdition(m_language, spanishText, englishText);
    }

    QWidget* open(const char* rows = nullptr)
    {
        QFETCH(UiLanguage, language);
        m_language = language;
        if (rows != nullptr) {
            test::makeFavouritesFile(path(), test::rows(rows));
        }
        QWidget* window = Windows::instance().show(WindowRole::Favourites, m_language);
        if (window != nullptr) {
            QApplication::setActiveWindow(window);
        }
        return window;
    }

    static void click(QWidget* window, const char* name)
    {
        QWidget* control = test::child<QWidget>(window, name);
        QVERIFY2(control->isVisible(), name);
        QTest::mouseClick(control, Qt::LeftButton);
    }

    static QString shown(QWidget* window)
    {
        QStringList texts;
        for (const char* name : {"lbladreca1", "lbladreca2", "lbladreca3", "lbladreca4"}) {
            texts << test::child<QLabel>(window, name)->text();
        }
        return texts.join(u'|');
    }

    static QStringList entries(QWidget* window, const char* combo)
    {
        QComboBox* box = test::child<QComboBox>(window, combo);
        QStringList items;
        for (int i = 0; i < box->count(); ++i) {
            items << box->itemText(i);
        }
        return items;
    }

    static QString front(QWidget* window)
    {
        QStringList visible;
        for (const char* panel : {"picnohay", "picnom", "picfig"}) {
            if (test::child<QWidget>(window, panel)->isVisible()) {
                visible << QString::fromUtf8(panel);
            }
        }
        return visible.join(u',');
    }

    void search(QWidget* window, const QString& text)
    {
        QLineEdit* box = test::child<QLineEdit>(window, "txtNOM");
        box->clear();
        QTest::keyClicks(box, text);
        click(window, "cmdbuscar");
    }

    void expectNoEntries(QWidget* window)
    {
        QCOMPARE(front(window), QStringLiteral("picnohay"));
        QVERIFY(test::child<QLabel>(window, "Label3")->isVisible());
        QVERIFY(!test::child<QWidget>(window, "Label1")->isVisible());
        QVERIFY(!test::child<QWidget>(window, "Label2")->isVisible());
        QVERIFY(!test::child<QWidget>(window, "Shape3")->isVisible());
        QVERIFY(!test::child<QWidget>(window, "Shape4")->isVisible());
        QVERIFY(!test::child<QAction>(window, "mnufig")->isEnabled());
        QVERIFY(!test::child<QAction>(window, "mnunom")->isEnabled());
    }

private Q_SLOTS:
    void initTestCase() { useFeatures(&featureSet()); }

    void init()
    {
        test::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("QUORVEL_DATA_DIR", m_dir->path().toUtf8());
        m_notices = std::make_unique<test::RecordingNotices>();
        m_help = std::make_unique<test::RecordingHelp>();
        m_launch = std::make_unique<test::RecordingLaunch>(FakeBrowser.toStdString());
        BrowserPath = FakeBrowser.toStdString();
        m_main.names.clear();
    }

    void cleanup()
    {
        Windows::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_launch.reset();
        m_help.reset();
        m_notices.reset();
        m_dir.reset();
    }

    void opensWithNothingShown_data() { test::editions(); }
    void opensWithNothingShown()
    {
        QWidget* window = open("abc r, abc p, xyz c");
        QVERIFY(window);
        QCOMPARE(window->objectName(), es("frmbdd", "frmdb"));
        QCOMPARE(window->windowTitle(), es("Favoritos", "Favorites"));
        QCOMPARE(front(window), QStringLiteral("picnohay"));
        QCOMPARE(test::child<QLabel>(window, "Label3")->text(), es("No Hay entradas", "There aren't entries"));
        QVERIFY(!test::child<QWidget>(window, "Shape3")->isVisible());
        QVERIFY(!test::child<QWidget>(window, "Shape4")->isVisible());
        QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
        for (const char* combo : {"Combo1", "Combo2", "Combo3", "Combo4"}) {
            QCOMPARE(test::child<QComboBox>(window, combo)->count(), 0);
            QVERIFY(!test::child<QComboBox>(window, combo)->isEditable());
        }
        QVERIFY(test::child<QLineEdit>(window, "txtNOM")->text().isEmpty());
        QVERIFY(test::child<QAction>(window, "mnufig")->isEnabled());
        QVERIFY(test::child<QAction>(window, "mnunom")->isEnabled());
        QCOMPARE(test::child<QLabel>(window, "Label1")->text(), es("Buscar por figuras", "Search by shape"));
        QCOMPARE(test::child<QAction>(window, "mnunom")->text(), es("Buscar por nombre", "search by name"));
        QCOMPARE(test::child<QMenu>(window, spanish() ? "mnuopcions" : "mnuoptions")->title(),
                 es("&Opciones", "&Options"));
        QAction* exit = test::child<QAction>(window, spanish() ? "mnusalir" : "mnuexit");
        QCOMPARE(exit->shortcut(), QKeySequence(es("Ctrl+S", "Ctrl+E")));
        QVERIFY(test::child<QAction>(window, "mnulin1")->isSeparator());
        // The Spanish edition has a fixed border, the English one a sizable border.
        QCOMPARE(window->minimumSize() == window->maximumSize(), spanish());
        QTest::keyClick(window, Qt::Key_F1);
        QCOMPARE(m_help->calls, QStringList(es("topic 200 es", "topic 202 en")));
    }

    void searchByFigureListsEveryNameByClass_data() { test::editions(); }
    void searchByFigureListsEveryNameByClass()
    {
        QWidget* window = open("abc r, abc p, xyz c, q R, abc r");
        click(window, "Label1");
        QCOMPARE(front(window), QStringLiteral("picfig"));
        QVERIFY(test::child<QWidget>(window, "Shape3")->isVisible());
        QVERIFY(!test::child<QWidget>(window, "Shape4")->isVisible());
        QCOMPARE(entries(window, "Combo1"), QStringList({QStringLiteral("abc"), QStringLiteral("abc")}));
        QCOMPARE(entries(window, "Combo2"), QStringList(QStringLiteral("xyz")));
        QCOMPARE(entries(window, "Combo3"), QStringList());
        QCOMPARE(entries(window, "Combo4"), QStringList(QStringLiteral("abc")));
        for (const char* combo : {"Combo1", "Combo2", "Combo3", "Combo4"}) {
            QCOMPARE(test::child<QComboBox>(window, combo)->currentIndex(), -1);
        }

        // The menu item does what the label does, and lists afresh.
        click(window, "Label2");
        test::child<QAction>(window, "mnufig")->trigger();
        QCOMPARE(front(window), QStringLiteral("picfig"));
        QCOMPARE(entries(window, "Combo2"), QStringList(QStringLiteral("xyz")));
    }

    void listCommandsOpenTheChosenName_data() { test::editions(); }
    void listCommandsOpenTheChosenName()
    {
        QWidget* window = open("abc r, abc p, xyz c");
        click(window, "Label1");
        click(window, "Command3");
        click(window, "Command1");
        click(window, "Command2");
        QCOMPARE(m_notices->informed,
                 QStringList({es("No hay ninguna dirección seleccionada", "There is not any selected address"),
                              es("No hay ninguna dirección seleccionada", "There is not any selected address."),
                              es("No hay ninguna dirección seleccionada", "There is not any selected address")}));
        QVERIFY(m_launch->launches.isEmpty());

        QComboBox* combo = test::child<QComboBox>(window, "Combo4");
        combo->setFocus();
        QTest::keyClick(combo, Qt::Key_Down);
        QCOMPARE(combo->currentText(), QStringLiteral("abc"));
        click(window, "Command4");
        test::child<QComboBox>(window, "Combo2")->setCurrentIndex(0);
        click(window, "Command2");
        // The Spanish edition opens list entries through the shell, the English one through the browser.
        const auto launch = [this](const QString& target) {
            return spanish() ? QStringLiteral("B ") + target : QStringLiteral("A %1 %2").arg(FakeBrowser, target);
        };
        QCOMPARE(m_launch->launches, QStringList({launch(address(FigureKind::ManySided, "abc")),
                                                  launch(address(FigureKind::CircleOrEllipse, "xyz"))}));
    }

    void searchByNameShowsTheClassesOfTheName_data() { test::editions(); }
    void searchByNameShowsTheClassesOfTheName()
    {
        QWidget* window = open("abc r, abc p, xyz c");
        click(window, "Label2");
        QCOMPARE(front(window), QStringLiteral("picnom"));
        QVERIFY(!test::child<QWidget>(window, "Shape3")->isVisible());
        QVERIFY(test::child<QWidget>(window, "Shape4")->isVisible());
        search(window, QStringLiteral("ABC"));
        QCOMPARE(shown(window), QStringLiteral("abc|?|?|abc"));
        QVERIFY(m_notices->informed.isEmpty());

        click(window, "lbladreca2"); // shows "?": nothing opens
        click(window, "lbladreca1");
        const QString expected = spanish()
                                     ? QStringLiteral("A %1 %2").arg(FakeBrowser, address(FigureKind::FourSided, "abc"))
                                     : QStringLiteral("B %1").arg(address(FigureKind::FourSided, "abc"));
        QCOMPARE(m_launch->launches, QStringList(expected));

        // Enter in the search box does not search.
        QLineEdit* box = test::child<QLineEdit>(window, "txtNOM");
        box->clear();
        QTest::keyClicks(box, QStringLiteral("xyz"));
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(shown(window), QStringLiteral("abc|?|?|abc"));

        // Entering the mode again starts from nothing shown and an empty box.
        test::child<QAction>(window, "mnunom")->trigger();
        QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
        QVERIFY(box->text().isEmpty());
    }

    void searchMessages_data() { test::editions(); }
    void searchMessages()
    {
        QWidget* window = open("abc r, abc p, xyz c, obrien t");
        click(window, "Label2");
        search(window, QStringLiteral("xyz"));
        search(window, QString());
        QCOMPARE(shown(window), QStringLiteral("?|xyz|?|?")); // an empty search leaves the word shown
        search(window, QStringLiteral("ab"));
        QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
        search(window, QStringLiteral("o'brien"));
        QCOMPARE(m_notices->informed,
                 QStringList({es("Has de introducir el nombre de la dirección a buscar.",
                                 "You must introduce the name of the address to look for."),
                              es("No se ha encontrado ninguna coincidencia", "There is not any coincidence."),
                              es("No se ha encontrado ninguna coincidencia", "There is not any coincidence.")}));
        // An apostrophe is only a character that no name holds: the window stays usable.
        QCOMPARE(front(window), QStringLiteral("picnom"));
        QVERIFY(test::child<QWidget>(window, "Label1")->isVisible());
        search(window, QStringLiteral("OBRIEN"));
        QCOMPARE(shown(window), QStringLiteral("?|?|obrien|?"));
    }

    void steppingWordByWord_data() { test::editions(); }
    void steppingWordByWord()
    {
        QWidget* window = open("abc r, abc p, xyz c, mm t");
        click(window, "Label2");
        const struct
        {
            const char* command;
            const char* expected;
        } steps[] = {
            {"Command8", "abc|?|?|abc"}, {"Command8", "?|?|mm|?"}, {"Command8", "?|xyz|?|?"},
            {"Command8", "?|xyz|?|?"},   {"Command7", "?|?|mm|?"}, {"Command7", "abc|?|?|abc"},
            {"Command7", "abc|?|?|abc"},
        };
        for (const auto& step : steps) {
            click(window, step.command);
            QCOMPARE(shown(window), QString::fromUtf8(step.expected));
        }
        click(window, "Label2");
        click(window, "Command7");
        QCOMPARE(shown(window), QStringLiteral("?|xyz|?|?")); // back from nothing shown: the last word
        QVERIFY(m_notices->informed.isEmpty());
    }

    void aTableThatCannotBeReadLeadsToNoEntries_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("mode");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const char* file : {"empty", "missing", "not a database"}) {
                for (const char* mode : {"Label1", "Label2", "mnufig", "mnunom"}) {
                    QTest::addRow("%s %s %s", test::editionTag(language), file, mode)
                        << language << QString::fromUtf8(file) << QString::fromUtf8(mode);
                }
            }
        }
    }
    void aTableThatCannotBeReadLeadsToNoEntries()
    {
        QFETCH(QString, file);
        QFETCH(QString, mode);
        if (file == QLatin1String("empty")) {
            test::makeFavouritesFile(path(), {});
        } else if (file == QLatin1String("not a database")) {
            QFile bytes(path());
            QVERIFY(bytes.open(QIODevice::WriteOnly));
            bytes.write("Standard Jet DB, not SQLite");
        }
        const QByteArray before = test::fileDigest(path());
        QWidget* window = open();
        if (mode.startsWith(QLatin1String("mnu"))) {
            test::child<QAction>(window, mode.toUtf8().constData())->trigger();
        } else {
            click(window, mode.toUtf8().constData());
        }
        expectNoEntries(window);
        QCOMPARE(entries(window, "Combo1"), QStringList());
        QCOMPARE(test::fileDigest(path()), before);
        QCOMPARE(QFile::exists(path()), file != QLatin1String("missing"));
        QVERIFY(m_notices->informed.isEmpty());
    }

    void deleteAsksThenRemovesOneRecord_data() { test::editions(); }
    void deleteAsksThenRemovesOneRecord()
    {
        QWidget* window = open("abc r, abc p, xyz c, abc r");
        click(window, "Label2");
        search(window, QStringLiteral("abc"));
        m_notices->answers = {false};
        click(window, "cmdBorra_R");
        QCOMPARE(m_notices->questions.size(), 1);
        QVERIFY(m_notices->questions.front().contains(QStringLiteral("\"abc\"")));
        QVERIFY(m_notices->questions.front().startsWith(es("¿Desea borrar", "Do you want to delete")));
        QCOMPARE(test::readRows(path()).size(), 4u);
        QCOMPARE(shown(window), QStringLiteral("abc|?|?|abc"));

        m_notices->answers = {true};
        click(window, "cmdBorra_R");
        QCOMPARE(test::readRows(path()), test::rows("abc p, xyz c, abc r"));
        QCOMPARE(shown(window), QStringLiteral("?|?|?|abc"));
        click(window, "cmdBorra_C"); // its row shows "?": nothing is asked or removed
        QCOMPARE(m_notices->questions.size(), 2);
        click(window, "cmdBorra_P");
        QCOMPARE(test::readRows(path()), test::rows("xyz c, abc r"));
        QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
        // From nothing shown, stepping goes on from the first word of what is left.
        click(window, "Command8");
        QCOMPARE(shown(window), QStringLiteral("abc|?|?|?"));
        QVERIFY(m_notices->informed.isEmpty());
        click(window, "Label1");
        QCOMPARE(entries(window, "Combo1"), QStringList(QStringLiteral("abc")));
    }

    void afterDeletingTheNameShownStepsGoOnFromWhereItStood_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("reach");
        QTest::addColumn<QString>("deleted");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("expected");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const char* edition = test::editionTag(language);
            auto row = [&](const char* reach, const char* deleted, const char* command, const char* expected) {
                QTest::addRow("%s %s %s, %s", edition, reach, deleted, command)
                    << language << QString::fromUtf8(reach) << QString::fromUtf8(deleted) << QString::fromUtf8(command)
                    << QString::fromUtf8(expected);
            };
            row("step", "bcd", "Command8", "?|?|?|cde");
            row("step", "bcd", "Command7", "abc|?|?|?");
            row("search", "bcd", "Command8", "?|?|?|cde");
            row("search", "bcd", "Command7", "abc|?|?|?");
            row("search", "cde", "Command8", "?|?|?|?"); // the last word is gone: nothing follows it
            row("search", "cde", "Command7", "?|bcd|bcd|?");
            row("search", "abc", "Command7", "?|?|?|?"); // the first word is gone: nothing comes before it
            row("search", "abc", "Command8", "?|bcd|bcd|?");
        }
    }
    void afterDeletingTheNameShownStepsGoOnFromWhereItStood()
    {
        QFETCH(QString, reach);
        QFETCH(QString, deleted);
        QFETCH(QString, command);
        QFETCH(QString, expected);
        QWidget* window = open("abc r, bcd c, bcd t, cde p");
        click(window, "Label2");
        if (reach == QLatin1String("step")) {
            click(window, "Command8");
            click(window, "Command8");
        } else {
            search(window, deleted);
        }
        QVERIFY(shown(window).contains(deleted));
        for (const char* remove : {"cmdBorra_R", "cmdBorra_C", "cmdBorra_T", "cmdBorra_P"}) {
            click(window, remove); // rows showing "?" ask nothing
        }
        QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
        QVERIFY(!test::readRows(path()).empty());
        click(window, command.toUtf8().constData());
        QCOMPARE(shown(window), expected);
        QCOMPARE(front(window), QStringLiteral("picnom"));
        QVERIFY(m_notices->informed.isEmpty());
    }

    void nameSearchFoldsOnlyAsciiLetters_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expected");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const char* edition = test::editionTag(language);
            QTest::addRow("%s KBC", edition) << language << QStringLiteral("KBC") << QStringLiteral("kbc|?|?|?");
            // The Kelvin sign folds to "k" in Unicode, but no name holds it: nothing is found.
            QTest::addRow("%s Kelvin sign", edition)
                << language << QStringLiteral("\u212Abc") << QStringLiteral("?|?|?|?");
            // A dotted capital I folds to "i" with a mark: not the name "ibc" either.
            QTest::addRow("%s dotted I", edition)
                << language << QStringLiteral("\u0130bc") << QStringLiteral("?|?|?|?");
        }
    }
    void nameSearchFoldsOnlyAsciiLetters()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expected);
        QWidget* window = open("kbc r, ibc c");
        click(window, "Label2");
        test::child<QLineEdit>(window, "txtNOM")->insert(typed); // pasted: these letters are on no keyboard here
        click(window, "cmdbuscar");
        QCOMPARE(shown(window), expected);
        QCOMPARE(m_notices->informed.size(), expected.contains(u'k') ? 0 : 1);
    }

    void menuShortcutsWinOverTheSearchBox_data() { test::editions(); }
    void menuShortcutsWinOverTheSearchBox()
    {
        // In the X11 key scheme Ctrl+E moves the caret to the end of a text box's line; here it is the English
        // exit, and Ctrl+S the Spanish one: the window closes and the text stays as typed.
        QPointer<QWidget> window = open("abc r");
        click(window, "Label2");
        QLineEdit* box = test::child<QLineEdit>(window, "txtNOM");
        QTest::keyClicks(box, QStringLiteral("abc"));
        box->setCursorPosition(0);
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        box->setFocus();
        QTest::keySequence(box, QKeySequence(es("Ctrl+S", "Ctrl+E")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        QCOMPARE(m_main.names, QStringList(es("frmPrin_Cast", "frmPrin_Ang")));
    }

    void f1InAMenuOpensTheWindowsTopic_data() { test::editions(); }
    void f1InAMenuOpensTheWindowsTopic()
    {
        QWidget* window = open("abc r");
        click(window, "Label2");
        test::child<QLineEdit>(window, "txtNOM")->setFocus();
        QTest::keyClick(test::child<QLineEdit>(window, "txtNOM"), Qt::Key_F1);
        auto* menu = test::child<QMenu>(window, spanish() ? "mnuopcions" : "mnuoptions");
        menu->popup(window->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        menu->setActiveAction(test::child<QAction>(window, "mnunom"));
        QTest::keyClick(menu, Qt::Key_F1);
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(m_help->calls, QStringList(2, es("topic 200 es", "topic 202 en")));
        QCOMPARE(front(window), QStringLiteral("picnom"));
    }

    void deleteCommandsShow32PixelIcons_data() { test::editions(); }
    void deleteCommandsShow32PixelIcons()
    {
        QWidget* window = open("abc r");
        for (const char* name : {"cmdBorra_R", "cmdBorra_C", "cmdBorra_T", "cmdBorra_P", "Command7", "Command8"}) {
            auto* button = test::child<QPushButton>(window, name);
            QCOMPARE(button->iconSize(), QSize(32, 32));
            QVERIFY(!button->icon().pixmap(QSize(32, 32)).isNull());
        }
    }

    void deleteFromAReadOnlyFileSaysItWasNotDone_data() { test::editions(); }
    void deleteFromAReadOnlyFileSaysItWasNotDone()
    {
        test::makeFavouritesFile(path(), test::rows("abc r"));
        QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const QByteArray before = test::fileDigest(path());
        QWidget* window = open();
        click(window, "Label2");
        search(window, QStringLiteral("abc"));
        click(window, "cmdBorra_R");
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY(m_notices->informed.front().startsWith(
            es("No se ha borrado \"abc\" de favoritos", "\"abc\" was not deleted from favorites")));
        QVERIFY(m_notices->informed.front().contains(path()));
        QCOMPARE(shown(window), QStringLiteral("abc|?|?|?"));
        QCOMPARE(test::fileDigest(path()), before);
    }

    void closingShowsTheMainWindowOfItsLanguage_data() { test::editions(); }
    void closingShowsTheMainWindowOfItsLanguage()
    {
        QPointer<QWidget> window = open("abc r");
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        QCOMPARE(m_main.names, QStringList(es("frmPrin_Cast", "frmPrin_Ang")));
        QVERIFY(Windows::instance().find(WindowRole::Favourites, m_language) == nullptr);

        window = open();
        test::child<QAction>(window, spanish() ? "mnusalir" : "mnuexit")->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        QVERIFY(Windows::instance().find(WindowRole::Main, m_language) != nullptr);
    }

    // ---- saving from the main window ----

    void savesAreKeptAndConfirmedQuietly_data() { test::editions(); }
    void savesAreKeptAndConfirmedQuietly()
    {
        QFETCH(UiLanguage, language);
        m_language = language;
        auto owner = std::make_unique<QWidget>();
        owner->show();
        QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
        const int before = savingCursorCount();

        saveFavourite(owner.get(), nullptr, m_language, FigureKind::ThreeSided, QStringLiteral("abc"));
        QVERIFY2(QFile::exists(path()), "the first save creates the file");
        QCOMPARE(test::readRows(path()), test::rows("abc t"));
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), es("\"abc\" guardado en favoritos (polígono de tres lados)",
                                      "\"abc\" saved in favorites (three-sided polygon)"));
        saveFavourite(owner.get(), nullptr, m_language, FigureKind::ThreeSided, QStringLiteral("abc"));
        QCOMPARE(QToolTip::text(), es("\"abc\" ya está en favoritos (polígono de tres lados)",
                                      "\"abc\" is already in favorites (three-sided polygon)"));
        saveFavourite(owner.get(), nullptr, m_language, FigureKind::FourSided, QStringLiteral("abc"));
        QCOMPARE(test::readRows(path()), test::rows("abc t, abc r"));
        QVERIFY(m_notices->informed.isEmpty());
        QCOMPARE(savingCursorCount(), before + 1);

        saveFavourite(owner.get(), nullptr, m_language, FigureKind::FourSided, QStringLiteral("?"));
        saveFavourite(owner.get(), nullptr, m_language, FigureKind::FourSided, QString());
        QCOMPARE(m_notices->informed, QStringList(2, es("No hay ningún nombre que guardar: escriba primero un nombre.",
                                                        "There is no name to save: type a name first.")));
        QCOMPARE(test::readRows(path()).size(), 2u);

        owner.reset();
        QCOMPARE(savingCursorCount(), before);

        // What was saved is found again in the favourites window.
        QWidget* window = Windows::instance().show(WindowRole::Favourites, m_language);
        click(window, "Label2");
        search(window, QStringLiteral("abc"));
        QCOMPARE(shown(window), QStringLiteral("abc|?|abc|?"));
    }

    // Through the real main window: each save command keeps the name with its own figure, and the tip that
    // confirms it stands just below that command, not below another one.
    void savesFromTheMainWindowAreConfirmedBesideTheCommandUsed_data() { test::editions(); }
    void savesFromTheMainWindowAreConfirmedBesideTheCommandUsed()
    {
        QFETCH(UiLanguage, language);
        m_language = language;
        auto main = std::make_unique<MainWindow>(m_language);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
        QTest::keyClicks(test::child<QLineEdit>(main.get(), spanish() ? "txtAdreca" : "txtaAdreca"),
                         QStringLiteral("abc"));

        const char* const commands[] = {"Command4", "Command5", "Command6", "Command7"};
        QList<QPoint> below; // just below the bottom-left corner of each save command, on the screen
        for (const char* name : commands) {
            QWidget* command = test::child<QWidget>(main.get(), name);
            below << command->mapToGlobal(QPoint(0, command->height()));
        }
        QStringList expectedRows;
        for (int i = 0; i < 4; ++i) {
            QTest::mouseClick(test::child<QWidget>(main.get(), commands[i]), Qt::LeftButton);
            QVERIFY2(QToolTip::isVisible(), commands[i]);
            QVERIFY(QToolTip::text().startsWith(es("\"abc\" guardado en favoritos (", "\"abc\" saved in favorites (")));
            QWidget* tip = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (widget->inherits("QTipLabel") && widget->isVisible()) {
                    tip = widget;
                }
            }
            QVERIFY(tip != nullptr);
            // The tip belongs to the command used and stands just below it (a long tip may be pushed left,
            // away from the screen's edge, but never up or down).
            QCOMPARE(tip->parentWidget(), test::child<QWidget>(main.get(), commands[i]));
            QVERIFY2(std::abs(tip->y() - below[i].y()) <= 30,
                     qPrintable(QStringLiteral("tip at y %1, command bottom at %2").arg(tip->y()).arg(below[i].y())));
            QVERIFY(tip->x() <= below[i].x() + 30);
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
        }
        QCOMPARE(test::readRows(path()), test::rows("abc r, abc c, abc t, abc p"));
        QVERIFY(m_notices->informed.isEmpty());
    }

    void savesIntoAFileThatCannotTakeThemSayNotKept_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const bool spanish = language == UiLanguage::Spanish;
            QTest::addRow("%s not a database", test::editionTag(language))
                << language << QStringLiteral("not a database")
                << QString::fromUtf8(spanish ? "no es una base de datos de favoritos. No se ha modificado."
                                             : "is not a favorites database. It has not been changed.");
            QTest::addRow("%s missing fields", test::editionTag(language))
                << language << QStringLiteral("missing fields")
                << QString::fromUtf8(spanish ? "no tiene los campos Nom y Figura" : "has no fields Nom and Figura");
            QTest::addRow("%s read only", test::editionTag(language))
                << language << QStringLiteral("read only")
                << QString::fromUtf8(spanish ? "es de solo lectura" : "it is read-only");
        }
    }
    void savesIntoAFileThatCannotTakeThemSayNotKept()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        m_language = language;
        if (fault == QLatin1String("not a database")) {
            QFile bytes(path());
            QVERIFY(bytes.open(QIODevice::WriteOnly));
            bytes.write(QByteArray(3000, '\x5a'));
        } else if (fault == QLatin1String("missing fields")) {
            test::makeForeignTable(path());
        } else {
            test::makeFavouritesFile(path(), test::rows("xyz c"));
            QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        }
        const QByteArray before = test::fileDigest(path());
        QWidget owner;
        saveFavourite(&owner, nullptr, m_language, FigureKind::CircleOrEllipse, QStringLiteral("abc"));
        QCOMPARE(m_notices->informed.size(), 1);
        const QString notice = m_notices->informed.front();
        QVERIFY2(
            notice.startsWith(es("No se ha guardado \"abc\" en favoritos: ", "\"abc\" was not saved in favorites: ")),
            qPrintable(notice));
        QVERIFY2(notice.contains(path()), qPrintable(notice));
        QVERIFY2(notice.contains(reason), qPrintable(notice));
        QCOMPARE(test::fileDigest(path()), before);
        QVERIFY(!QToolTip::isVisible() || !QToolTip::text().contains(QStringLiteral("abc")));
    }
};

QTEST_MAIN(WindowTest)
#include "FavouritesWindowTest.moc"
