// The windows with the keyboard alone: the address labels in the focus chain after the ordered controls, opened
// with Return or Space as a click opens them, their copy menu from the menu key; the favourites window's modes put
// the focus where typing goes; Escape closes every companion window as its close box does.
#include "core/SharedState.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/Features.h"
#include "ui/common/Help.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/companions/KeepInFront.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <tuple>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

class NoKeepInFront final : public KeepInFront
{
public:
    bool supported() override { return false; }
    void setKeptInFront(QWidget*, bool) override {}
};

QString site()
{
    return test::figureSitePrefix();
}

// The object names of the controls Tab visits from the focused one on, count of them.
QStringList tabWalk(QWidget* window, int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        names << (focused != nullptr && focused->window() == window ? focused->objectName() : QStringLiteral("<none>"));
    }
    return names;
}

} // namespace

class KeyboardReachTest : public QObject
{
    Q_OBJECT

private:
    std::optional<test::WindowSession> m_session;
    NoKeepInFront m_keep;

    static QWidget* open(WindowRole role, UiLanguage language)
    {
        QWidget* window = Windows::instance().show(role, language);
        if (window == nullptr || !QTest::qWaitForWindowExposed(window)) {
            qWarning("window not shown");
            return window;
        }
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window)) {
            qWarning("window not active");
        }
        return window;
    }

    static QWidget* mainWithName(UiLanguage language, const QString& name)
    {
        QWidget* main = open(WindowRole::Main, language);
        auto* box = main->findChild<QLineEdit*>(test::byEdition(language, "txtAdreca", "txtaAdreca"));
        box->clear();
        QTest::keyClicks(box, name);
        return main;
    }

    // What a click on the label launches, and what each key launches with the label focused; all must agree.
    void compareKeysWithClick(QLabel* label)
    {
        m_session->launch.launches.clear();
        QTest::mouseClick(label, Qt::LeftButton);
        const QStringList byClick = m_session->launch.launches;
        QCOMPARE(byClick.size(), 1);
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
            m_session->launch.launches.clear();
            label->setFocus(Qt::TabFocusReason);
            QVERIFY(label->hasFocus());
            QTest::keyClick(label, key);
            QCOMPARE(m_session->launch.launches, byClick);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerMainWindows();
        registerCompanionWindows();
        registerAboutWindows();
        useFeatures(&featureSet());
        KeepInFront::setCurrent(&m_keep);
    }

    void cleanupTestCase() { KeepInFront::setCurrent(nullptr); }

    void init() { m_session.emplace(); }

    void cleanup() { m_session.reset(); }

    // ---- the focus chain ------------------------------------------------------------------------------------

    void mainWindowTabReachesTheAddressLabelsLast_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QStringList>("chain");
        QTest::newRow("es") << UiLanguage::Spanish
                            << QStringList{"Command1",   "Command2",   "Command3",     "Command4",   "Command5",
                                           "Command6",   "Command7",   "lblAdrecaCom", "lblAdreca1", "lblAdreca2",
                                           "lblAdreca3", "lblAdreca4", "txtAdreca"};
        QTest::newRow("en") << UiLanguage::English
                            << QStringList{"Command2",    "Command1",    "txtaAdreca",    "Command7",    "Command6",
                                           "Command5",    "Command4",    "lblaAdrecaCom", "lblaAdreca1", "lblaAdreca2",
                                           "lblaAdreca3", "lblaAdreca4", "Command3"};
    }
    void mainWindowTabReachesTheAddressLabelsLast()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, chain);
        QWidget* main = open(WindowRole::Main, language);
        // The window opens with the first control of its order focused; Tab goes round all of them and back.
        const char* first = language == UiLanguage::Spanish ? "txtAdreca" : "Command3";
        QCOMPARE(QApplication::focusWidget()->objectName(), QString::fromLatin1(first));
        QCOMPARE(tabWalk(main, static_cast<int>(chain.size())), chain);
    }

    void reducedWindowTabReachesItsTargets_data() { test::editions(); }
    void reducedWindowTabReachesItsTargets()
    {
        QFETCH(UiLanguage, language);
        CurrentName = "abc";
        QWidget* strip = open(WindowRole::Reduced, language);
        const QString p = test::byEdition(language, "lblp", "lblpa");
        QCOMPARE(QApplication::focusWidget()->objectName(), test::byEdition(language, "txtpAdreca", "txtpaAdreca"));
        // Keep-in-front is not offered here, so the box is hidden and out of the chain.
        QCOMPARE(tabWalk(strip, 6), (QStringList{QStringLiteral("Command1"), p + "AdrecaCom", p + "Adreca1",
                                                 p + "Adreca2", p + "Adreca3", p + "Adreca4"}));
    }

    void favouritesByNameChainEndsWithTheAddressLabels_data() { test::editions(); }
    void favouritesByNameChainEndsWithTheAddressLabels()
    {
        QFETCH(UiLanguage, language);
        test::makeFavouritesFile(m_session->favouritesFile(), test::rows("abc p, xyz r"));
        QWidget* favourites = open(WindowRole::Favourites, language);
        favourites->findChild<QAction*>(QStringLiteral("mnunom"))->trigger();
        // The mode puts the focus in its search box: typing goes there at once.
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("txtNOM"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        QCOMPARE(favourites->findChild<QLineEdit*>(QStringLiteral("txtNOM"))->text(), QStringLiteral("abc"));
        QCOMPARE(tabWalk(favourites, 11),
                 (QStringList{"cmdbuscar", "Command7", "Command8", "cmdBorra_R", "cmdBorra_C", "cmdBorra_T",
                              "cmdBorra_P", "lbladreca1", "lbladreca2", "lbladreca3", "lbladreca4"}));
    }

    void favouritesByFigureModeFocusesTheFirstList_data() { test::editions(); }
    void favouritesByFigureModeFocusesTheFirstList()
    {
        QFETCH(UiLanguage, language);
        test::makeFavouritesFile(m_session->favouritesFile(), test::rows("abc r, xyz r"));
        QWidget* favourites = open(WindowRole::Favourites, language);
        favourites->findChild<QAction*>(QStringLiteral("mnufig"))->trigger();
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Combo1"));
        // Arrow keys pick an entry; the list's command then opens it, all from the keyboard.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        auto* combo = favourites->findChild<QComboBox*>(QStringLiteral("Combo1"));
        QCOMPARE(combo->currentText(), QStringLiteral("abc"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Command1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(m_session->launch.launches.size(), 1);
        QVERIFY(m_session->launch.launches.first().endsWith(QStringLiteral("http://www.%1-abc-rmt.com").arg(site())));
    }

    // ---- Return, Space and the menu key on the address labels ------------------------------------------------

    void keysOpenEveryAddressLabelAsAClickDoes_data() { test::editions(); }
    void keysOpenEveryAddressLabelAsAClickDoes()
    {
        QFETCH(UiLanguage, language);
        QWidget* main = mainWithName(language, QStringLiteral("abc"));
        const QString m = test::byEdition(language, "lblAdreca", "lblaAdreca");
        for (const QString& suffix : {QStringLiteral("Com"), QStringLiteral("1"), QStringLiteral("2"),
                                      QStringLiteral("3"), QStringLiteral("4")}) {
            compareKeysWithClick(main->findChild<QLabel*>(m + suffix));
            if (QTest::currentTestFailed()) {
                return;
            }
        }

        main->findChild<QAction*>(test::byEdition(language, "mnuformred", "mnureduced"))->trigger();
        QWidget* strip = Windows::instance().find(WindowRole::Reduced, language);
        QVERIFY(strip != nullptr);
        strip->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(strip));
        const QString p = test::byEdition(language, "lblpAdreca", "lblpaAdreca");
        for (const QString& suffix : {QStringLiteral("Com"), QStringLiteral("1"), QStringLiteral("2"),
                                      QStringLiteral("3"), QStringLiteral("4")}) {
            compareKeysWithClick(strip->findChild<QLabel*>(p + suffix));
            if (QTest::currentTestFailed()) {
                return;
            }
        }
        strip->close();

        test::makeFavouritesFile(m_session->favouritesFile(), test::rows("abc p, abc r"));
        QWidget* favourites = open(WindowRole::Favourites, language);
        favourites->findChild<QAction*>(QStringLiteral("mnunom"))->trigger();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("abc"));
        QTest::mouseClick(favourites->findChild<QPushButton*>(QStringLiteral("cmdbuscar")), Qt::LeftButton);
        QCOMPARE(favourites->findChild<QLabel*>(QStringLiteral("lbladreca4"))->text(), QStringLiteral("abc"));
        compareKeysWithClick(favourites->findChild<QLabel*>(QStringLiteral("lbladreca4")));
        compareKeysWithClick(favourites->findChild<QLabel*>(QStringLiteral("lbladreca1")));
        QCOMPARE(m_session->launch.launches.size(), 1);
        QVERIFY(m_session->launch.launches.first().endsWith(QStringLiteral("http://www.%1-abc-rmt.com").arg(site())));
    }

    void keysOnAnEmptyLabelOpenNothing()
    {
        QWidget* main = mainWithName(UiLanguage::Spanish, QString());
        auto* label = main->findChild<QLabel*>(QStringLiteral("lblAdreca1"));
        label->setFocus(Qt::TabFocusReason);
        QTest::keyClick(label, Qt::Key_Return);
        QTest::keyClick(label, Qt::Key_Space);
        QVERIFY(m_session->launch.launches.isEmpty());
    }

    void menuKeyOpensTheCopyMenu_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier);
        QTest::newRow("shift+f10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }
    void menuKeyOpensTheCopyMenu()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QWidget* main = mainWithName(UiLanguage::English, QStringLiteral("abc"));
        auto* label = main->findChild<QLabel*>(QStringLiteral("lblaAdreca2"));
        label->setFocus(Qt::TabFocusReason);
        QTest::keyClick(label, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->objectName(), QStringLiteral("addressMenu"));
        // Its item is ready: Return copies the whole address, and nothing is opened.
        QTest::keyClick(menu, Qt::Key_Return);
        QTRY_COMPARE(QApplication::clipboard()->text(), QStringLiteral("http://www.%1-abc-cto.com").arg(site()));
        QVERIFY(m_session->launch.launches.isEmpty());
    }

    // ---- Escape ----------------------------------------------------------------------------------------------

    void escapeClosesEveryCompanionWindow_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<int>("role");
        QTest::addColumn<bool>("mainBack");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const auto& [name, role, back] : {std::tuple{"about", WindowRole::About, true},
                                                   {"register", WindowRole::Register, true},
                                                   {"symbology", WindowRole::Symbology, true},
                                                   {"availability", WindowRole::Availability, false}}) {
                QTest::addRow("%s %s", name, test::editionTag(language)) << language << int(role) << back;
            }
        }
    }
    void escapeClosesEveryCompanionWindow()
    {
        QFETCH(UiLanguage, language);
        QFETCH(int, role);
        QFETCH(bool, mainBack);
        QWidget* window = open(static_cast<WindowRole>(role), language);
        QVERIFY(window != nullptr);
        QPointer<QWidget> guard(window);
        QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : window;
        QCOMPARE(target->window(), window);
        QTest::keyClick(target, Qt::Key_Escape);
        // Gone as after its close box: unloaded, and where its close box brings the main window back, back it is.
        QTRY_VERIFY(guard.isNull());
        QVERIFY(Windows::instance().find(static_cast<WindowRole>(role), language) == nullptr);
        QCOMPARE(Windows::instance().find(WindowRole::Main, language) != nullptr, mainBack);
    }

    void escapeClosesTheHelpWindow_data() { test::editions(); }
    void escapeClosesTheHelpWindow()
    {
        QFETCH(UiLanguage, language);
        Help::setHandler(nullptr); // the program's own help window
        helpViewer().showContents(nullptr, language);
        QWidget* help = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName().startsWith(QLatin1String("helpWindow")) && widget->isVisible()) {
                help = widget;
            }
        }
        QVERIFY(help != nullptr);
        QPointer<QWidget> guard(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        QTest::keyClick(help, Qt::Key_Escape);
        QTRY_VERIFY(guard.isNull());
    }

    void escapeLeavesTheMainAndFavouritesWindowsOpen()
    {
        QWidget* main = open(WindowRole::Main, UiLanguage::Spanish);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(main->isVisible());
        QCOMPARE(Windows::instance().find(WindowRole::Main, UiLanguage::Spanish), main);
    }
};

QTEST_MAIN(KeyboardReachTest)
#include "KeyboardReachTest.moc"
