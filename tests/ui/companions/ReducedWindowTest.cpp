// The reduced window driven as a user: its name box, its five click targets, the way back to the main
// window, and the keep-in-front check box decided and switched through the keep-in-front seam.
#include "core/SharedState.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/companions/CompanionTesting.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"

#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::editionTag;

namespace {

// The names of the controls that differ between the editions.
struct Names
{
    QString www, box, targetCom, target;
};

Names namesOf(UiLanguage language)
{
    if (language == UiLanguage::Spanish) {
        return {QStringLiteral("Label1"), QStringLiteral("txtpAdreca"), QStringLiteral("lblpAdrecaCom"),
                QStringLiteral("lblpAdreca")};
    }
    return {QStringLiteral("Label3"), QStringLiteral("txtpaAdreca"), QStringLiteral("lblpaAdrecaCom"),
            QStringLiteral("lblpaAdreca")};
}

} // namespace

class ReducedWindowTest : public QObject
{
    Q_OBJECT

private:
    test::StubMainWindows m_main;

    QWidget* open(UiLanguage language)
    {
        QWidget* window = Windows::instance().show(WindowRole::Reduced, language);
        if (window != nullptr) {
            window->activateWindow();
            if (!QTest::qWaitForWindowActive(window)) {
                qWarning("reduced window did not become active");
            }
        }
        return window;
    }

    static QLineEdit* box(QWidget* window, UiLanguage language)
    {
        return window->findChild<QLineEdit*>(namesOf(language).box);
    }

private Q_SLOTS:
    void initTestCase() { registerCompanionWindows(); }

    void init()
    {
        test::resetProgramState();
        m_main.opened.clear();
    }
    void cleanup() { test::resetProgramState(); }

    void load_showsCurrentNameWithoutNotice_data() { test::editions(); }
    void load_showsCurrentNameWithoutNotice()
    {
        QFETCH(UiLanguage, language);
        test::RecordingNotices notices;
        test::FakeKeepInFront keep(false);
        CurrentName = "abc";
        QWidget* window = open(language);
        QVERIFY(window != nullptr);
        const Names names = namesOf(language);
        QCOMPARE(box(window, language)->text(), QStringLiteral("abc"));
        QVERIFY(box(window, language)->hasFocus());
        QVERIFY(notices.informed.isEmpty());
        QCOMPARE(window->findChild<QLabel*>(names.www)->text(), QStringLiteral("WWW."));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral(".COM"));
        // The targets carry no text, whatever the box holds.
        for (int k = 1; k <= 4; ++k) {
            auto* target = window->findChild<ClickableLabel*>(names.target + QString::number(k));
            QVERIFY2(target != nullptr, qPrintable(names.target + QString::number(k)));
            QVERIFY(target->text().isEmpty());
            QCOMPARE(target->palette().color(QPalette::Window), QColor(255, 255, 192));
        }
        QVERIFY(window->findChild<ClickableLabel*>(names.targetCom)->text().isEmpty());
    }

    void window_fixedWithMinimiseNoMaximise_data() { test::editions(); }
    void window_fixedWithMinimiseNoMaximise()
    {
        QFETCH(UiLanguage, language);
        test::FakeKeepInFront keep(false);
        QWidget* window = open(language);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->minimumSize(), QSize(437, 78)); // 6555 x 1170 twips
        QCOMPARE(window->maximumSize(), QSize(437, 78));
        auto* button = window->findChild<QPushButton*>(QStringLiteral("Command1"));
        QCOMPARE(button->text(),
                 language == UiLanguage::Spanish ? QStringLiteral("&Formulario grande") : QStringLiteral("&Big form"));
        QCOMPARE(button->toolTip(), language == UiLanguage::Spanish ? QStringLiteral("Ir al formulario grande")
                                                                    : QStringLiteral("Go to big form"));
        QCOMPARE(button->width(), language == UiLanguage::Spanish ? 73 : 65);
        // The English frame texts stand 50 twips lower.
        QCOMPARE(window->findChild<QLabel*>(namesOf(language).www)->y(), language == UiLanguage::Spanish ? 0 : 3);
    }

    void typing_runsTheNameRulesOnly_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QStringList>("expectedNotices");
        QTest::newRow("es hyphen") << UiLanguage::Spanish << QStringLiteral("-x") << QStringLiteral("x")
                                   << QStringList{
                                          QStringLiteral("El primer carácter no puede ser un guion, se borrará.")};
        QTest::newRow("en hyphen") << UiLanguage::English << QStringLiteral("-x") << QStringLiteral("x")
                                   << QStringList{QStringLiteral(
                                          "The first character cannot be a hyphen.It will be eliminated.")};
        QTest::newRow("es blank") << UiLanguage::Spanish << QStringLiteral("a b") << QStringLiteral("ab")
                                  << QStringList{QStringLiteral("El carácter  2 és erroneo, se borrará")};
        QTest::newRow("en upper kept") << UiLanguage::English << QStringLiteral("AbC") << QStringLiteral("AbC")
                                       << QStringList{};
        QTest::newRow("en too long, trailing blank")
            << UiLanguage::English << QString(41, u'a') << QString(40, u'a')
            << QStringList{QStringLiteral("There are too many characters,it will be eliminated the last. (This program "
                                          "allows only 40 characters.) ")};
        QTest::newRow("es too long") << UiLanguage::Spanish << QString(41, u'a') << QString(40, u'a')
                                     << QStringList{QStringLiteral(
                                            "Hay demasiados carácteres, se va a borrar el último. (Este programa solo "
                                            "permite hasta 40 carácteres.)")};
    }
    void typing_runsTheNameRulesOnly()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, typed);
        QFETCH(QString, left);
        QFETCH(QStringList, expectedNotices);
        test::RecordingNotices notices;
        test::FakeKeepInFront keep(false);
        CurrentName = "keep";
        QWidget* window = open(language);
        QLineEdit* edit = box(window, language);
        edit->clear();
        QTest::keyClicks(edit, typed);
        QCOMPARE(edit->text(), left);
        QCOMPARE(notices.informed, expectedNotices);
        // Nothing follows validation: the shared name and the targets stay as they were.
        QCOMPARE(QString::fromStdString(CurrentName), QStringLiteral("keep"));
        for (auto* target : window->findChildren<ClickableLabel*>()) {
            QVERIFY(target->text().isEmpty());
        }
    }

    void clickTarget_opensAddressOfTheTypedText_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("target"); // 0 plain, 1..4 figures
        QTest::addColumn<QString>("address");
        const QString p = test::figureSitePrefix();
        for (UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const char* tag = editionTag(language);
            QTest::addRow("%s plain", tag)
                << language << QStringLiteral("Abc") << 0 << QStringLiteral("http://www.Abc.com");
            QTest::addRow("%s four-sided", tag)
                << language << QStringLiteral("Abc") << 1 << QStringLiteral("http://www.%1-Abc-rmt.com").arg(p);
            QTest::addRow("%s round", tag)
                << language << QStringLiteral("abc") << 2 << QStringLiteral("http://www.%1-abc-cto.com").arg(p);
            QTest::addRow("%s three-sided", tag)
                << language << QStringLiteral("ABC") << 3 << QStringLiteral("http://www.%1-ABC-tlx.com").arg(p);
            QTest::addRow("%s many-sided", tag)
                << language << QStringLiteral("aBc") << 4 << QStringLiteral("http://www.%1-aBc-piq.com").arg(p);
        }
    }
    void clickTarget_opensAddressOfTheTypedText()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, typed);
        QFETCH(int, target);
        QFETCH(QString, address);
        test::RecordingNotices notices;
        test::RecordingLaunch launch;
        test::FakeKeepInFront keep(false);
        BrowserPath = "/usr/bin/fakebrowser";
        QWidget* window = open(language);
        QTest::keyClicks(box(window, language), typed);
        const Names names = namesOf(language);
        const QString name = target == 0 ? names.targetCom : names.target + QString::number(target);
        QTest::mouseClick(window->findChild<ClickableLabel*>(name), Qt::LeftButton);
        QCOMPARE(launch.launches, QStringList{QStringLiteral("A /usr/bin/fakebrowser ") + address});
        QVERIFY(notices.informed.isEmpty());
    }

    void clickTarget_withEmptyBox_doesNothing_data() { test::editions(); }
    void clickTarget_withEmptyBox_doesNothing()
    {
        QFETCH(UiLanguage, language);
        test::RecordingNotices notices;
        test::RecordingLaunch launch;
        test::FakeKeepInFront keep(false);
        BrowserPath = "/usr/bin/fakebrowser";
        QWidget* window = open(language);
        QVERIFY(box(window, language)->text().isEmpty());
        const QList<ClickableLabel*> targets = window->findChildren<ClickableLabel*>();
        QCOMPARE(targets.size(), 5);
        for (ClickableLabel* target : targets) {
            QTest::mouseClick(target, Qt::LeftButton);
        }
        QVERIFY(launch.launches.isEmpty());
        QVERIFY(notices.informed.isEmpty());
    }

    void bigForm_bringsMainBackWithTheLowerCaseName_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("es click") << UiLanguage::Spanish << false;
        QTest::newRow("en click") << UiLanguage::English << false;
        QTest::newRow("es Alt+F") << UiLanguage::Spanish << true;
        QTest::newRow("en Alt+B") << UiLanguage::English << true;
    }
    void bigForm_bringsMainBackWithTheLowerCaseName()
    {
        QFETCH(UiLanguage, language);
        QFETCH(bool, byKey);
        test::RecordingNotices notices;
        test::FakeKeepInFront keep(false);
        QWidget* window = open(language);
        QTest::keyClicks(box(window, language), QStringLiteral("Def"));
        QVERIFY(CurrentName.empty()); // typing alone hands nothing on
        if (byKey) {
            QTest::keyClick(window, language == UiLanguage::Spanish ? Qt::Key_F : Qt::Key_B, Qt::AltModifier);
        } else {
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        }
        // A mnemonic presses the button the way a click does, after a short animation.
        QTRY_COMPARE(QString::fromStdString(CurrentName), QStringLiteral("def"));
        QCOMPARE(m_main.opened, QStringList{QStringLiteral("%1:def").arg(QLatin1String(editionTag(language)))});
        QVERIFY(Windows::instance().find(WindowRole::Main, language) != nullptr);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Reduced, language) == nullptr);
    }

    void closeBox_doesNotHandTheNameOn_data() { test::editions(); }
    void closeBox_doesNotHandTheNameOn()
    {
        QFETCH(UiLanguage, language);
        test::RecordingNotices notices;
        test::FakeKeepInFront keep(false);
        CurrentName = "abc";
        QSignalSpy ended(&Windows::instance(), &Windows::allWindowsClosed);
        QWidget* window = open(language);
        QTest::keyClicks(box(window, language), QStringLiteral("xyz"));
        QVERIFY(window->close());
        QCOMPARE(QString::fromStdString(CurrentName), QStringLiteral("abc")); // the typed name is not handed on
        QTRY_VERIFY(!ended.isEmpty()); // it was the only window: the program ends
    }

    void keepInFront_offeredOnlyWhereSupported_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<bool>("supported");
        QTest::newRow("es supported") << UiLanguage::Spanish << true;
        QTest::newRow("en supported") << UiLanguage::English << true;
        QTest::newRow("es unsupported") << UiLanguage::Spanish << false;
        QTest::newRow("en unsupported") << UiLanguage::English << false;
    }
    void keepInFront_offeredOnlyWhereSupported()
    {
        QFETCH(UiLanguage, language);
        QFETCH(bool, supported);
        test::FakeKeepInFront keep(supported);
        QWidget* window = open(language);
        auto* check = window->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"));
        QVERIFY(check != nullptr);
        QCOMPARE(check->isVisible(), supported);
        QVERIFY(!check->isChecked());
        QCOMPARE(check->text(),
                 language == UiLanguage::Spanish ? QStringLiteral("Delante") : QStringLiteral("Visible"));
        QVERIFY(keep.switches.isEmpty()); // loading switches nothing
    }

    void keepInFront_switchesWithTheBoxAndStartsOffAtEveryLoad_data() { test::editions(); }
    void keepInFront_switchesWithTheBoxAndStartsOffAtEveryLoad()
    {
        QFETCH(UiLanguage, language);
        test::FakeKeepInFront keep(true);
        QWidget* window = open(language);
        auto* check = window->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"));
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(check->isChecked());
        QCOMPARE(keep.switches, QStringList{QStringLiteral("on")});
        QCOMPARE(keep.lastWindow, window);
        QTest::mouseClick(check, Qt::LeftButton);
        QCOMPARE(keep.switches, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
        QTest::mouseClick(check, Qt::LeftButton); // on again, then leave and come back
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Reduced, language) == nullptr);
        keep.switches.clear();
        QWidget* again = open(language);
        QVERIFY(again != nullptr);
        QVERIFY(!again->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"))->isChecked());
        QVERIFY(keep.switches.isEmpty());
    }

    void keepInFront_followsTheBoxHoweverItChanges_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("how");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const char* how : {"space key", "toggle action", "set"}) {
                QTest::addRow("%s %s", test::editionTag(language), how) << language << QString::fromUtf8(how);
            }
        }
    }
    void keepInFront_followsTheBoxHoweverItChanges()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, how);
        test::FakeKeepInFront keep(true);
        QWidget* window = open(language);
        auto* check = window->findChild<QCheckBox*>(QStringLiteral("Check_VFlot"));
        const auto change = [&] {
            if (how == QLatin1String("space key")) {
                check->setFocus();
                QTest::keyClick(check, Qt::Key_Space);
            } else if (how == QLatin1String("toggle action")) {
                // What a screen reader's "toggle" does.
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(check);
                QVERIFY(accessible != nullptr && accessible->actionInterface() != nullptr);
                accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
            } else {
                check->setChecked(!check->isChecked());
            }
        };
        change();
        QVERIFY(check->isChecked());
        QCOMPARE(keep.switches, QStringList{QStringLiteral("on")});
        QCOMPARE(keep.lastWindow, window);
        change();
        QVERIFY(!check->isChecked());
        QCOMPARE(keep.switches, (QStringList{QStringLiteral("on"), QStringLiteral("off")}));
    }

    void platformKeepInFront_isNotOfferedOffscreen()
    {
        // Under the offscreen platform there is no window manager to keep a window in front.
        QVERIFY(!platformKeepInFront().supported());
    }
};

QTEST_MAIN(ReducedWindowTest)
#include "ReducedWindowTest.moc"
