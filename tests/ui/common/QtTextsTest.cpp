// Qt's own texts (standard buttons, file dialogs) follow the edition of the window in use: Spanish in the
// Spanish edition, English in the English one, across a language switch and as the user turns from one
// edition's window to the other's. Needs Qt's Spanish translation (Debian qt6-translations-l10n).
#include "ui/common/QtTexts.h"

#include "tests/support/StandInWindows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// The texts of the standard buttons a notice or question would show now.
QStringList standardButtonTexts()
{
    QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Save);
    return {box.button(QDialogButtonBox::Ok)->text(), box.button(QDialogButtonBox::Cancel)->text(),
            box.button(QDialogButtonBox::Save)->text()};
}

const QStringList Spanish{QStringLiteral("Aceptar"), QStringLiteral("Cancelar"), QStringLiteral("Guardar")};
const QStringList English{QStringLiteral("OK"), QStringLiteral("Cancel"), QStringLiteral("Save")};

void activate(QWidget* window)
{
    QApplication::setActiveWindow(window);
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window);
}

} // namespace

class QtTextsTest : public QObject
{
    Q_OBJECT

    QStringList m_made;
    test::RecordingLaunch* m_launch = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_es.qm")),
                 "Qt's Spanish translation is missing (install qt6-translations-l10n)");
        registerMainWindows();
        registerAboutWindows();
    }

    void init()
    {
        test::resetProgramState();
        m_made.clear();
        test::registerStandIns(&m_made);
        m_launch = new test::RecordingLaunch;
    }

    void cleanup()
    {
        test::resetProgramState();
        delete m_launch;
    }

    void standardTextsFollowTheMainWindowsEdition()
    {
        QWidget* spanish = Windows::instance().show(WindowRole::Main, UiLanguage::Spanish);
        activate(spanish);
        QCOMPARE(standardButtonTexts(), Spanish);

        // The language menu brings the English main window, and Qt's English with it.
        spanish->findChild<QAction*>(QStringLiteral("mnuenglish"))->trigger();
        test::settle();
        QWidget* english = Windows::instance().find(WindowRole::Main, UiLanguage::English);
        QVERIFY(english != nullptr);
        activate(english);
        QCOMPARE(standardButtonTexts(), English);

        english->findChild<QAction*>(QStringLiteral("mnuespanol"))->trigger();
        test::settle();
        activate(Windows::instance().find(WindowRole::Main, UiLanguage::Spanish));
        QCOMPARE(standardButtonTexts(), Spanish);
    }

    void turningToAWindowOfTheOtherEditionBringsItsTexts()
    {
        // An English main window, and a Spanish window left open from before a switch.
        QWidget* english = Windows::instance().show(WindowRole::Main, UiLanguage::English);
        QWidget* spanishFavourites = Windows::instance().show(WindowRole::Favourites, UiLanguage::Spanish);
        activate(english);
        QCOMPARE(standardButtonTexts(), English);
        activate(spanishFavourites);
        QCOMPARE(standardButtonTexts(), Spanish);
        activate(english);
        QCOMPARE(standardButtonTexts(), English);
    }

    void theSaveAsPdfDialogOfTheSpanishEditionIsSpanish()
    {
        activate(Windows::instance().show(WindowRole::Main, UiLanguage::Spanish));
        QFileDialog dialog(nullptr, QStringLiteral("Guardar como PDF"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons != nullptr);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Cancelar"));
    }

    // A file dialog of one edition while a window of the other is in use: its words, then back.
    void aDialogOfTheOtherEditionSpeaksItsOwnLanguageWhileItLasts_data()
    {
        QTest::addColumn<UiLanguage>("inUse");
        QTest::addColumn<UiLanguage>("dialog");
        QTest::addColumn<QStringList>("during");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("English dialog, Spanish window")
            << UiLanguage::Spanish << UiLanguage::English << English << Spanish;
        QTest::newRow("Spanish dialog, English window")
            << UiLanguage::English << UiLanguage::Spanish << Spanish << English;
        QTest::newRow("same edition") << UiLanguage::Spanish << UiLanguage::Spanish << Spanish << Spanish;
    }

    void aDialogOfTheOtherEditionSpeaksItsOwnLanguageWhileItLasts()
    {
        QFETCH(UiLanguage, inUse);
        QFETCH(UiLanguage, dialog);
        QFETCH(QStringList, during);
        QFETCH(QStringList, after);
        useQtTextsOf(inUse);
        {
            const QtTextsDuring words(dialog);
            QCOMPARE(standardButtonTexts(), during);
        }
        QCOMPARE(standardButtonTexts(), after);
    }
};

QTEST_MAIN(QtTextsTest)
#include "QtTextsTest.moc"
