// Keep-in-front on a real X11 display (run under Xvfb): without a window manager it is not offered;
// with openbox it is, and the checked reduced window carries _NET_WM_STATE_ABOVE until it is unchecked,
// staying where it was. The About window carries _NET_WM_STATE_SKIP_TASKBAR and _SKIP_PAGER either way.
#include "tests/support/TestSupport.h"
#include "tests/ui/companions/CompanionTesting.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/companions/KeepInFront.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// The window's _NET_WM_STATE as xprop reports it.
QString netWmState(QWidget* window)
{
    bool ok = false;
    const QString out =
        test::runTool(QStringLiteral("xprop"),
                      {QStringLiteral("-id"), QString::number(window->winId()), QStringLiteral("_NET_WM_STATE")}, &ok);
    return ok ? out.trimmed() : QStringLiteral("<xprop failed>");
}

bool above(QWidget* window)
{
    return netWmState(window).contains(QStringLiteral("_NET_WM_STATE_ABOVE"));
}

} // namespace

class KeepInFrontX11Test : public QObject
{
    Q_OBJECT

private:
    test::StubMainWindows m_main;

    static QWidget* openReduced(UiLanguage language)
    {
        QWidget* window = Windows::instance().show(WindowRole::Reduced, language);
        if (window != nullptr && !QTest::qWaitForWindowExposed(window, 20000)) {
            qWarning("the reduced window was not exposed");
        }
        return window;
    }

    static bool framed(const QWidget* window) { return window->frameGeometry() != window->geometry(); }

    // True once the manager has handled everything asked of it so far. Openbox handles requests in order, and Qt
    // reads the events of all its windows in order: once a probe window shown now carries its frame, every move
    // or resize the manager made to the other windows before has already reached them.
    static bool managerCaughtUp()
    {
        QWidget probe;
        probe.setWindowTitle(QStringLiteral("quorvel-test-probe"));
        probe.resize(40, 20);
        probe.show();
        return QTest::qWaitFor([&probe] { return framed(&probe); }, 20000);
    }

    // The window's frame centred on the work area, where the window puts itself once the manager has framed it.
    static bool centred(const QWidget* window)
    {
        const QPoint offset = window->frameGeometry().center() - window->screen()->availableGeometry().center();
        return offset.manhattanLength() <= 2;
    }

    // Lets the manager frame the window and the window centre itself in its frame. False if that never happened.
    static bool waitUntilFramed(QWidget* window)
    {
        // A busy machine can take its time.
        return QTest::qWaitFor([window] { return framed(window) && centred(window); }, 20000) && managerCaughtUp();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        registerCompanionWindows();
        registerAboutWindows();
    }
    void init() { test::resetProgramState(); }
    void cleanup() { test::resetProgramState(); }

    void withoutWindowManager_notOffered()
    {
        QVERIFY(!platformKeepInFront().supported());
        QWidget* window = openReduced(UiLanguage::Spanish);
        QVERIFY(window != nullptr);
        QVERIFY(window->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"))->isHidden());
    }

    void aboutWindow_staysOutOfTheTaskBarAndPager_data() { test::editions(); }
    void aboutWindow_staysOutOfTheTaskBarAndPager()
    {
        // Checked without a window manager (the hints as set) and again under openbox (as the manager keeps them).
        QFETCH(UiLanguage, language);
        test::RecordingLaunch launch;
        QWidget* about = Windows::instance().show(WindowRole::About, language);
        QVERIFY(about != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(about, 20000));
        if (platformKeepInFront().supported()) {
            QVERIFY2(waitUntilFramed(about), "openbox did not frame the About window");
        }
        QTRY_VERIFY_WITH_TIMEOUT(netWmState(about).contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")), 15000);
        QVERIFY2(netWmState(about).contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER")), qPrintable(netWmState(about)));
        // The main window is an ordinary window of the task bar.
        QWidget* main = Windows::instance().show(WindowRole::Main, language);
        QVERIFY(QTest::qWaitForWindowExposed(main, 20000));
        QVERIFY2(!netWmState(main).contains(QStringLiteral("SKIP_TASKBAR")), qPrintable(netWmState(main)));
    }

    void withOpenbox_offered()
    {
        // The script returns once openbox frames windows; it runs on until the X server ends.
        QCOMPARE(QProcess::execute(QStringLiteral(QUORVEL_START_OPENBOX), {}), 0);
        // The manager announces its states on the root window once it runs.
        QTRY_VERIFY_WITH_TIMEOUT(platformKeepInFront().supported(), 15000);
    }

    void checked_keepsTheWindowAboveUntilUnchecked_data() { test::editions(); }
    void checked_keepsTheWindowAboveUntilUnchecked()
    {
        QFETCH(UiLanguage, language);
        QVERIFY(platformKeepInFront().supported());
        QWidget* window = openReduced(language);
        auto* check = window->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"));
        QVERIFY(check->isVisible());
        QVERIFY(!check->isChecked());
        QVERIFY2(waitUntilFramed(window), "openbox did not frame the reduced window");
        QVERIFY(!above(window));
        const QRect before = window->geometry();
        const QSize sizeBefore = window->size();

        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(check->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(above(window), 15000);
        QVERIFY(window->isVisible());
        QVERIFY(managerCaughtUp());
        QCOMPARE(window->size(), sizeBefore);
        QCOMPARE(window->geometry(), before);

        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(!check->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!above(window), 15000);
        QVERIFY(managerCaughtUp());
        QCOMPARE(window->geometry(), before);
    }

    void aboutWindowUnderOpenbox_staysOutOfTheTaskBarAndPager_data() { test::editions(); }
    void aboutWindowUnderOpenbox_staysOutOfTheTaskBarAndPager() { aboutWindow_staysOutOfTheTaskBarAndPager(); }

    void reopened_startsInOrdinaryStacking()
    {
        QWidget* window = openReduced(UiLanguage::Spanish);
        auto* check = window->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"));
        QTest::mouseClick(check, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(above(window), 15000);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Reduced, UiLanguage::Spanish) == nullptr);

        QWidget* again = openReduced(UiLanguage::Spanish);
        QVERIFY(again != nullptr);
        QVERIFY(!again->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"))->isChecked());
        QVERIFY2(waitUntilFramed(again), "openbox did not frame the reopened window");
        QVERIFY2(!above(again), qPrintable(netWmState(again)));
    }
};

QTEST_MAIN(KeepInFrontX11Test)
#include "KeepInFrontX11Test.moc"
