// The availability window of both editions driven as a user does, from the real main window, against a fake
// RDAP server on a loopback port.
#include "ui/availability/AvailabilityWindow.h"

#include "availability/Checker.h"
#include "core/SharedState.h"
#include "tests/availability/FakeRdapServer.h"
#include "tests/support/TestSupport.h"
#include "ui/availability/ProgramChecker.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWindow>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::byEdition;
using quorvel::test::child;
using quorvel::test::FakeRdapServer;
using Behaviour = FakeRdapServer::Behaviour;

namespace {

struct Controls
{
    const char* mainBox;
    const char* window;
    const char* endings;
    const char* check;
    const char* asYouType;
    const char* list;
    const char* busy;
};

Controls controlsOf(UiLanguage language)
{
    if (language == UiLanguage::Spanish) {
        return {"txtAdreca",     "frmDisp_Cast", "txtTerminaciones", "cmdComprobar",
                "chkAlEscribir", "lstDominios",  "prgOcupado"};
    }
    return {"txtaAdreca", "frmDisp_Ang", "txtaEndings", "cmdCheck", "chkAsYouType", "lstDomains", "prgBusy"};
}

} // namespace

class AvailabilityWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<FakeRdapServer> m_server;
    std::unique_ptr<availability::Checker> m_checker;

    QMainWindow* showMain(UiLanguage language)
    {
        auto* main = qobject_cast<QMainWindow*>(Windows::instance().show(WindowRole::Main, language));
        if (main != nullptr && !QTest::qWaitForWindowExposed(main)) {
            qWarning("main window not exposed");
        }
        return main;
    }

    // Opens the availability window as a user does: Ctrl+D in the main window.
    QWidget* openFromMain(QMainWindow* main, UiLanguage language)
    {
        main->activateWindow();
        if (!QTest::qWaitForWindowActive(main)) {
            qWarning("main window not active");
        }
        QTest::keyClick(main, Qt::Key_D, Qt::ControlModifier);
        QWidget* window = Windows::instance().find(WindowRole::Availability, language);
        if (window != nullptr && !QTest::qWaitForWindowExposed(window)) {
            qWarning("availability window not exposed");
        }
        return window;
    }

    static QStringList rows(QWidget* window, UiLanguage language, int column)
    {
        auto* list = child<QTreeWidget>(window, controlsOf(language).list);
        QStringList texts;
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            texts << list->topLevelItem(i)->text(column);
        }
        return texts;
    }

    static QTreeWidgetItem* row(QWidget* window, UiLanguage language, const QString& domain)
    {
        auto* list = child<QTreeWidget>(window, controlsOf(language).list);
        const QList<QTreeWidgetItem*> found = list->findItems(domain, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toLocal8Bit());
        registerMainWindows();
        useFeatures(&featureSet());
    }

    void init()
    {
        test::resetProgramState();
        QFile::remove(availabilitySettingsPath());
        m_server = std::make_unique<FakeRdapServer>();
        availability::CheckerConfig config;
        config.bootstrapAddress = m_server->bootstrapAddress();
        config.transferTimeoutMs = 3000;
        m_checker = std::make_unique<availability::Checker>(config);
        setProgramChecker(m_checker.get());
    }

    void cleanup()
    {
        test::resetProgramState();
        setProgramChecker(nullptr);
        m_checker.reset();
        m_server.reset();
    }

    void opensBesideTheMainWindowAndAsksNothing_data() { test::editions(); }
    void opensBesideTheMainWindowAndAsksNothing()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* main = showMain(language);
        QTest::keyClicks(child<QLineEdit>(main, controlsOf(language).mainBox), QStringLiteral("AbC"));
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        QCOMPARE(window->objectName(), QString::fromLatin1(controlsOf(language).window));
        QCOMPARE(window->windowTitle(), byEdition(language, "Disponibilidad", "Availability"));
        QVERIFY(main->isVisible());
        QCOMPARE(child<QLineEdit>(window, controlsOf(language).endings)->text(), QStringLiteral("net org"));
        QVERIFY(!child<QCheckBox>(window, controlsOf(language).asYouType)->isChecked());
        QCOMPARE(
            rows(window, language, 0),
            QStringList({QStringLiteral("abc.com"), QStringLiteral("quorvel-abc-rmt.com"),
                         QStringLiteral("quorvel-abc-cto.com"), QStringLiteral("quorvel-abc-tlx.com"),
                         QStringLiteral("quorvel-abc-piq.com"), QStringLiteral("abc.net"), QStringLiteral("abc.org")}));
        QCOMPARE(rows(window, language, 1), QStringList(7, byEdition(language, "sin comprobar", "not checked")));
        // Typing more in the main window changes the list, and still nothing is asked.
        QTest::keyClicks(child<QLineEdit>(main, controlsOf(language).mainBox), QStringLiteral("d"));
        QCOMPARE(rows(window, language, 0).first(), QStringLiteral("abcd.com"));
        QTest::qWait(800);
        QCOMPARE(m_server->bootstrapRequests, 0);
        QCOMPARE(m_server->domainRequests, 0);
    }

    void checkShowsEachAnswerInTheEditionsLanguage_data() { test::editions(); }
    void checkShowsEachAnswerInTheEditionsLanguage()
    {
        QFETCH(UiLanguage, language);
        m_server->answerDelayMs = 100;
        m_server->setBehaviour(QStringLiteral("abc.com"), Behaviour::Registered);
        m_server->setBehaviour(QStringLiteral("abc.org"), Behaviour::ServerError);
        QMainWindow* main = showMain(language);
        QTest::keyClicks(child<QLineEdit>(main, controlsOf(language).mainBox), QStringLiteral("abc"));
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        auto* busy = child<QProgressBar>(window, controlsOf(language).busy);
        QVERIFY(!busy->isVisible());
        QTest::mouseClick(child<QPushButton>(window, controlsOf(language).check), Qt::LeftButton);
        QVERIFY(busy->isVisible());
        QCOMPARE(rows(window, language, 1).first(), byEdition(language, "comprobando...", "checking..."));
        QTRY_VERIFY(!busy->isVisible());

        const QString registered = byEdition(language, "registrado", "registered");
        const QString notRegistered = byEdition(language, "no registrado", "not registered");
        const QString unknown = byEdition(language, "desconocido", "unknown");
        QCOMPARE(rows(window, language, 1), QStringList({registered, notRegistered, notRegistered, notRegistered,
                                                         notRegistered, notRegistered, unknown}));
        QTreeWidgetItem* failed = row(window, language, QStringLiteral("abc.org"));
        const QString reason = byEdition(language, "error del servidor (HTTP 500)", "server error (HTTP 500)");
        QCOMPARE(failed->toolTip(1), reason);
        QCOMPARE(failed->data(1, Qt::AccessibleDescriptionRole).toString(), reason);
        QVERIFY(!failed->icon(1).isNull());
        // The reason and the expiry date are in a column of their own, in sight without a mouse.
        QCOMPARE(failed->text(2), reason);
        QTreeWidgetItem* registeredRow = row(window, language, QStringLiteral("abc.com"));
        QCOMPARE(registeredRow->text(2), byEdition(language, "caduca el 13/08/2027", "expires 13 Aug 2027"));
        QCOMPARE(registeredRow->data(2, Qt::AccessibleDescriptionRole).toString(), registeredRow->text(2));
        QVERIFY(row(window, language, QStringLiteral("abc.net"))->text(2).isEmpty());
        QCOMPARE(m_server->domainRequests, 7);
    }

    void checkAsITypeWaitsForAPauseInTyping_data() { test::editions(); }
    void checkAsITypeWaitsForAPauseInTyping()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        QTest::mouseClick(child<QCheckBox>(window, controlsOf(language).asYouType), Qt::LeftButton);
        auto* box = child<QLineEdit>(main, controlsOf(language).mainBox);
        QTest::keyClicks(box, QStringLiteral("ab"));
        QTest::qWait(300);
        QTest::keyClicks(box, QStringLiteral("c"));
        QTest::qWait(300); // 600 ms after the first keys, 300 after the last
        QCOMPARE(m_server->domainRequests, 0);
        QTRY_COMPARE(m_server->domainRequests, 7);
        QCOMPARE(m_server->requestsFor.value(QStringLiteral("abc.com")), 1);
        QCOMPARE(m_server->requestsFor.value(QStringLiteral("ab.com")), 0);
        QTRY_COMPARE(rows(window, language, 1).first(), byEdition(language, "no registrado", "not registered"));
    }

    void otherEndingsAreRemembered_data() { test::editions(); }
    void otherEndingsAreRemembered()
    {
        QFETCH(UiLanguage, language);
        CurrentName = "abc";
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        auto* endings = child<QLineEdit>(window, controlsOf(language).endings);
        endings->selectAll();
        QTest::keyClicks(endings, QStringLiteral("es, .io"));
        QCOMPARE(rows(window, language, 0).mid(5), QStringList({QStringLiteral("abc.es"), QStringLiteral("abc.io")}));
        window->close();
        QVERIFY(QFile::exists(availabilitySettingsPath()));
        window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        QCOMPARE(child<QLineEdit>(window, controlsOf(language).endings)->text(), QStringLiteral("es, .io"));
        QCOMPARE(m_server->domainRequests, 0);
    }

    void closingCancelsWhatIsInFlight_data() { test::editions(); }
    void closingCancelsWhatIsInFlight()
    {
        QFETCH(UiLanguage, language);
        m_server->defaultBehaviour = Behaviour::Silent;
        CurrentName = "abc";
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        QTest::mouseClick(child<QPushButton>(window, controlsOf(language).check), Qt::LeftButton);
        QTRY_COMPARE(m_server->inFlight, 4);
        QTest::keyClick(window, Qt::Key_F4, Qt::AltModifier); // may not reach a window manager offscreen
        if (Windows::instance().find(WindowRole::Availability, language) != nullptr) {
            window->close();
        }
        QTRY_VERIFY(Windows::instance().find(WindowRole::Availability, language) == nullptr);
        QCOMPARE(m_checker->pendingCount(), 0);
        QTRY_COMPARE(m_server->inFlight, 0);
        QVERIFY(main->isVisible());
        QCOMPARE(m_server->domainRequests, 4); // the other three were never sent
    }

    void theKeyboardReachesEverything_data() { test::editions(); }
    void theKeyboardReachesEverything()
    {
        QFETCH(UiLanguage, language);
        m_server->setBehaviour(QStringLiteral("abc.org"), Behaviour::ServerError);
        CurrentName = "abc";
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
        // Alt and the underlined letter reach the endings box and the check command.
        QTest::keyClick(window, language == UiLanguage::Spanish ? Qt::Key_T : Qt::Key_E, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(window, controlsOf(language).endings));
        QTest::keyClick(window, Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(m_server->domainRequests, 7);
        // Return in the list checks: a new ending's row goes from "not checked" to its answer.
        auto* list = child<QTreeWidget>(window, controlsOf(language).list);
        QTest::keyClicks(child<QLineEdit>(window, controlsOf(language).endings), QStringLiteral(" io"));
        QCOMPARE(rows(window, language, 1).last(), byEdition(language, "sin comprobar", "not checked"));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_COMPARE(rows(window, language, 1).last(), byEdition(language, "desconocido", "unknown"));
        QCOMPARE(list->topLevelItem(7)->text(2),
                 byEdition(language, "no se conoce ningún servidor RDAP para .io", "no RDAP server is known for .io"));
        // The reason of the selected row is read in its column.
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(list, Qt::Key_Up);
        QCOMPARE(list->currentItem()->text(0), QStringLiteral("abc.org"));
        QTRY_COMPARE(list->currentItem()->text(2),
                     byEdition(language, "error del servidor (HTTP 500)", "server error (HTTP 500)"));
        // Escape closes the window.
        QTest::keyClick(list, Qt::Key_Escape);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Availability, language) == nullptr);
        QVERIFY(main->isVisible());
    }

    void tenDomainsFitAndRowsKeepTheirHeight_data() { test::editions(); }
    void tenDomainsFitAndRowsKeepTheirHeight()
    {
        QFETCH(UiLanguage, language);
        CurrentName = "abc";
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        auto* endings = child<QLineEdit>(window, controlsOf(language).endings);
        endings->selectAll();
        QTest::keyClicks(endings, QStringLiteral("net org info biz io"));
        auto* list = child<QTreeWidget>(window, controlsOf(language).list);
        QCOMPARE(list->topLevelItemCount(), 10);
        QTest::qWait(50);
        auto heights = [list] {
            QList<int> result;
            for (int i = 0; i < list->topLevelItemCount(); ++i) {
                result << list->visualItemRect(list->topLevelItem(i)).height();
            }
            return result;
        };
        const QList<int> before = heights();
        const QRect last = list->visualItemRect(list->topLevelItem(9));
        QVERIFY2(list->viewport()->rect().contains(last), "the tenth domain is cut off");
        QTest::mouseClick(child<QPushButton>(window, controlsOf(language).check), Qt::LeftButton);
        QTRY_VERIFY(!child<QProgressBar>(window, controlsOf(language).busy)->isVisible());
        QVERIFY(!list->topLevelItem(0)->icon(1).isNull());
        QCOMPARE(heights(), before);
    }

    void endingsThatCannotBeAreShownNotAsked_data() { test::editions(); }
    void endingsThatCannotBeAreShownNotAsked()
    {
        QFETCH(UiLanguage, language);
        CurrentName = "abc";
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        auto* endings = child<QLineEdit>(window, controlsOf(language).endings);
        endings->selectAll();
        QTest::keyClicks(endings, QStringLiteral("net n@t"));
        QCOMPARE(rows(window, language, 0).mid(5), QStringList({QStringLiteral("abc.net"), QStringLiteral("abc.n@t")}));
        QTreeWidgetItem* bad = row(window, language, QStringLiteral("abc.n@t"));
        QCOMPARE(bad->text(1), byEdition(language, "desconocido", "unknown"));
        QCOMPARE(bad->text(2), byEdition(language, "terminación no válida: n@t (no se consulta)",
                                         "not a valid ending: n@t (not asked)"));
        QTest::keyClick(endings, Qt::Key_Return);
        QTRY_COMPARE(m_server->domainRequests, 6);
        QTest::qWait(100);
        QCOMPARE(m_server->domainRequests, 6);
        QCOMPARE(bad->text(1), byEdition(language, "desconocido", "unknown"));
    }

    void withoutAConnectionEveryRowSaysSoWithinSeconds_data() { test::editions(); }
    void withoutAConnectionEveryRowSaysSoWithinSeconds()
    {
        QFETCH(UiLanguage, language);
        // IANA's file and the built-in servers on loopback ports where nothing listens.
        availability::CheckerConfig config;
        config.bootstrapAddress = FakeRdapServer::refusedAddress(QStringLiteral("/dns.json"));
        config.fallback = *availability::Bootstrap::parse(
            "{\"services\":[[[\"com\",\"net\"],[\"" +
            FakeRdapServer::refusedAddress(QStringLiteral("/rdap/")).toEncoded() + "\"]]]}");
        availability::Checker offline(config);
        setProgramChecker(&offline);
        CurrentName = "abc";
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(child<QPushButton>(window, controlsOf(language).check), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!child<QProgressBar>(window, controlsOf(language).busy)->isVisible(), 3000);
        QVERIFY(clock.elapsed() < 3000);
        QCOMPARE(rows(window, language, 2),
                 QStringList(7, byEdition(language, "sin conexión: no se pudo llegar a ningún servidor",
                                          "no connection: no server could be reached")));
        window->close();
        setProgramChecker(m_checker.get());
    }

    void aRateLimitShowsWhenToTryAgain()
    {
        m_server->setBehaviour(QStringLiteral("abc.com"), Behaviour::RateLimited);
        CurrentName = "abc";
        QMainWindow* main = showMain(UiLanguage::English);
        QWidget* window = openFromMain(main, UiLanguage::English);
        QVERIFY(window != nullptr);
        QTest::mouseClick(child<QPushButton>(window, "cmdCheck"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!child<QProgressBar>(window, "prgBusy")->isVisible(), 10000);
        QVERIFY(row(window, UiLanguage::English, QStringLiteral("abc.com"))
                    ->text(2)
                    .startsWith(QStringLiteral("the server limits requests (429); try again after ")));
    }

    void oneWindowPerRunAcrossALanguageSwitch()
    {
        CurrentName = "abc";
        QMainWindow* spanish = showMain(UiLanguage::Spanish);
        QWidget* window = openFromMain(spanish, UiLanguage::Spanish);
        QVERIFY(window != nullptr);
        auto* endings = child<QLineEdit>(window, "txtTerminaciones");
        endings->selectAll();
        QTest::keyClicks(endings, QStringLiteral("io"));
        // The language menu's other edition: the window follows with the endings and the name.
        spanish->findChild<QAction*>(QStringLiteral("mnuenglish"))->trigger();
        QTRY_VERIFY(Windows::instance().find(WindowRole::Availability, UiLanguage::Spanish) == nullptr);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Availability, UiLanguage::English) != nullptr);
        QWidget* english = Windows::instance().find(WindowRole::Availability, UiLanguage::English);
        QCOMPARE(child<QLineEdit>(english, "txtaEndings")->text(), QStringLiteral("io"));
        QCOMPARE(rows(english, UiLanguage::English, 0).last(), QStringLiteral("abc.io"));
        // Ctrl+D in the other edition again brings that one back, still only one.
        auto* main = qobject_cast<QMainWindow*>(Windows::instance().find(WindowRole::Main, UiLanguage::English));
        QVERIFY(main != nullptr);
        QVERIFY(openFromMain(main, UiLanguage::English) == english);
        Windows::instance().show(WindowRole::Availability, UiLanguage::Spanish);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Availability, UiLanguage::English) == nullptr);
        QVERIFY(Windows::instance().find(WindowRole::Availability, UiLanguage::Spanish) != nullptr);
    }

    void theWindowStaysInSightOfTheNameBox_data() { test::editions(); }
    void theWindowStaysInSightOfTheNameBox()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        auto* box = child<QLineEdit>(main, controlsOf(language).mainBox);
        const QRect boxOnScreen(box->mapToGlobal(QPoint(0, 0)), box->size());
        QVERIFY2(!window->frameGeometry().intersects(boxOnScreen), "the window covers the name box");
        // Above the main window as its companion: a click there does not hide it.
        QCOMPARE(window->windowHandle()->transientParent(), main->windowHandle());
    }

    void f1OpensTheWindowsHelpTopic_data() { test::editions(); }
    void f1OpensTheWindowsHelpTopic()
    {
        QFETCH(UiLanguage, language);
        test::RecordingHelp help;
        QMainWindow* main = showMain(language);
        QWidget* window = openFromMain(main, language);
        QVERIFY(window != nullptr);
        QTest::keyClick(window, Qt::Key_F1);
        QCOMPARE(help.calls, QStringList(byEdition(language, "topic 700 es", "topic 707 en")));
    }
};

QTEST_MAIN(AvailabilityWindowTest)
#include "AvailabilityWindowTest.moc"
