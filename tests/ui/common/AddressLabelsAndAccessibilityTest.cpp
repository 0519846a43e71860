// Every window's address labels (the copy menu, the tip of a label too narrow for its address, the press action of
// screen readers) and what a screen reader is told about the windows and their picture buttons, through Qt's
// accessibility interface as an assistive technology sees it.
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

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// Keep-in-front is not what is tried here; the reduced window asks for it at every load.
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

QAccessibleInterface* accessible(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    if (iface == nullptr) {
        qFatal("no accessible interface for %s", qPrintable(object->objectName()));
    }
    return iface;
}

} // namespace

class AddressLabelsAndAccessibilityTest : public QObject
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

    // The address menu of a label, opened as a right click does; nullptr when none comes up.
    static QMenu* contextMenuOf(QLabel* label)
    {
        const QPoint inside = label->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, label->mapToGlobal(inside));
        QApplication::sendEvent(label, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        return menu != nullptr && menu->objectName() == QLatin1String("addressMenu") ? menu : nullptr;
    }

    // The label's tip as the mouse resting over it asks for it.
    static QString tipOf(QLabel* label)
    {
        const QPoint inside = label->rect().center();
        QHelpEvent event(QEvent::ToolTip, inside, label->mapToGlobal(inside));
        QApplication::sendEvent(label, &event);
        return label->toolTip();
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

    void cleanup()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName().startsWith(QLatin1String("helpWindow"))) {
                delete widget;
            }
        }
        m_session.reset();
    }

    // ---- the copy menu ------------------------------------------------------------------------------------------

    void copyMenuPutsTheWholeAddressOnTheClipboard_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("address");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const char* tag = (language == UiLanguage::Spanish ? "es" : "en");
            QTest::addRow("%s main figure 1", tag) << language << test::byEdition(language, "lblAdreca1", "lblaAdreca1")
                                                   << QStringLiteral("http://www.%1-abc-rmt.com").arg(site());
            QTest::addRow("%s main figure 3", tag) << language << test::byEdition(language, "lblAdreca3", "lblaAdreca3")
                                                   << QStringLiteral("http://www.%1-abc-tlx.com").arg(site());
            QTest::addRow("%s main plain", tag)
                << language << test::byEdition(language, "lblAdrecaCom", "lblaAdrecaCom")
                << QStringLiteral("http://www.abc.com");
        }
    }

    void copyMenuPutsTheWholeAddressOnTheClipboard()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, label);
        QFETCH(QString, address);
        QWidget* main = mainWithName(language, QStringLiteral("abc"));
        QMenu* menu = contextMenuOf(main->findChild<QLabel*>(label));
        QVERIFY(menu != nullptr);
        auto* copy = menu->findChild<QAction*>(QStringLiteral("copyAddress"));
        QVERIFY(copy != nullptr);
        QCOMPARE(copy->text(), test::byEdition(language, "Copiar dirección", "Copy address"));
        QVERIFY(copy->isEnabled());
        QApplication::clipboard()->clear();
        copy->trigger();
        menu->close();
        QCOMPARE(QApplication::clipboard()->text(), address);
        QVERIFY(m_session->launch.launches.isEmpty()); // copying opens nothing
    }

    void copyMenuOfEveryWindowsAddressLabels_data() { test::editions(); }
    void copyMenuOfEveryWindowsAddressLabels()
    {
        QFETCH(UiLanguage, language);
        auto copied = [](QLabel* label) -> QString {
            QMenu* menu = contextMenuOf(label);
            if (menu == nullptr) {
                return QStringLiteral("<no menu>");
            }
            QAction* copy = menu->findChild<QAction*>(QStringLiteral("copyAddress"));
            const bool enabled = copy->isEnabled();
            QApplication::clipboard()->setText(QStringLiteral("<unchanged>"));
            copy->trigger();
            menu->close();
            return enabled ? QApplication::clipboard()->text() : QStringLiteral("<disabled>");
        };

        // The main window's labels have no address while they show "?".
        QWidget* main = open(WindowRole::Main, language);
        QCOMPARE(copied(main->findChild<QLabel*>(test::byEdition(language, "lblAdreca2", "lblaAdreca2"))),
                 QStringLiteral("<disabled>"));

        // Register: the register address the label shows.
        mainWithName(language, QStringLiteral("abc"));
        QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        QWidget* reg = Windows::instance().find(WindowRole::Register, language);
        QVERIFY(reg != nullptr);
        QCOMPARE(copied(reg->findChild<QLabel*>(test::byEdition(language, "lblReg_Ad1", "lblaReg_Ad1"))),
                 QStringLiteral("www.%1-abc-rmt.com").arg(site()));
        reg->close();

        // Reduced: the targets show no text; they copy what they open, the name as typed.
        main = Windows::instance().find(WindowRole::Main, language);
        QVERIFY(main != nullptr);
        main->findChild<QAction*>(test::byEdition(language, "mnuformred", "mnureduced"))->trigger();
        QWidget* strip = Windows::instance().find(WindowRole::Reduced, language);
        QVERIFY(strip != nullptr);
        auto* box = strip->findChild<QLineEdit*>(test::byEdition(language, "txtpAdreca", "txtpaAdreca"));
        box->clear();
        QTest::keyClicks(box, QStringLiteral("Abc"));
        QCOMPARE(copied(strip->findChild<QLabel*>(test::byEdition(language, "lblpAdreca2", "lblpaAdreca2"))),
                 QStringLiteral("http://www.%1-Abc-cto.com").arg(site()));
        QCOMPARE(copied(strip->findChild<QLabel*>(test::byEdition(language, "lblpAdrecaCom", "lblpaAdrecaCom"))),
                 QStringLiteral("http://www.Abc.com"));
        box->clear();
        QCOMPARE(copied(strip->findChild<QLabel*>(test::byEdition(language, "lblpAdreca4", "lblpaAdreca4"))),
                 QStringLiteral("<disabled>"));
        strip->close();

        // Favourites: the figure address of the name the row shows.
        test::makeFavouritesFile(m_session->favouritesFile(), test::rows("abc p"));
        QWidget* favourites = open(WindowRole::Favourites, language);
        QTest::mouseClick(favourites->findChild<QLabel*>(QStringLiteral("Label2")), Qt::LeftButton);
        QTest::mouseClick(favourites->findChild<QPushButton*>(QStringLiteral("Command8")), Qt::LeftButton);
        QCOMPARE(copied(favourites->findChild<QLabel*>(QStringLiteral("lbladreca4"))),
                 QStringLiteral("http://www.%1-abc-piq.com").arg(site()));
        QCOMPARE(copied(favourites->findChild<QLabel*>(QStringLiteral("lbladreca1"))), QStringLiteral("<disabled>"));
        QVERIFY(m_session->launch.launches.isEmpty());
    }

    // ---- the tip of a label too narrow ------------------------------------------------------------------------

    void narrowLabelsTipTheWholeAddress_data() { test::editions(); }
    void narrowLabelsTipTheWholeAddress()
    {
        QFETCH(UiLanguage, language);
        const QString longName = QStringLiteral("abcdefghij").repeated(4); // 40 characters, the longest name
        QWidget* main = mainWithName(language, QStringLiteral("abc"));
        auto* label1 = main->findChild<QLabel*>(test::byEdition(language, "lblAdreca1", "lblaAdreca1"));
        QCOMPARE(tipOf(label1), QString()); // "abc" fits: no tip

        mainWithName(language, longName);
        QCOMPARE(label1->text(), longName);
        QCOMPARE(tipOf(label1), QStringLiteral("http://www.%1-%2-rfd.com").arg(site(), longName));
        QCOMPARE(tipOf(main->findChild<QLabel*>(test::byEdition(language, "lblAdrecaCom", "lblaAdrecaCom"))),
                 QStringLiteral("http://www.%1.com").arg(longName));

        QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        QWidget* reg = Windows::instance().find(WindowRole::Register, language);
        QVERIFY(reg != nullptr);
        auto* row1 = reg->findChild<QLabel*>(test::byEdition(language, "lblReg_Ad1", "lblaReg_Ad1"));
        QVERIFY(row1->text().endsWith(QStringLiteral("-rfd.com")));
        // Whether the register's row cuts the text off depends on the font the desktop gives: with a larger one
        // (a desktop set to bigger fonts) the figure code no longer fits, and the tip shows the whole address.
        QFont larger = row1->font();
        larger.setPointSizeF(18);
        row1->setFont(larger);
        QCOMPARE(tipOf(row1), row1->text());
        QFont small = row1->font();
        small.setPointSizeF(6);
        row1->setFont(small);
        QCOMPARE(tipOf(row1), QString());
    }

    // ---- screen readers --------------------------------------------------------------------------------------

    void pictureButtonsAreNamedFromTheirTips_data() { test::editions(); }
    void pictureButtonsAreNamedFromTheirTips()
    {
        QFETCH(UiLanguage, language);
        QWidget* main = open(WindowRole::Main, language);
        QAccessibleInterface* symbology = accessible(main->findChild<QPushButton*>(QStringLiteral("Command1")));
        QCOMPARE(symbology->role(), QAccessible::Button);
        QCOMPARE(symbology->text(QAccessible::Name),
                 test::byEdition(language, "Ir al formulario de simbologia", "Go to simbology form"));

        QWidget* favourites = open(WindowRole::Favourites, language);
        const struct
        {
            const char* name;
            const char* spanish;
            const char* english;
        } buttons[] = {
            {"Command7", "Atrás", "Back word"}, {"Command8", "Siguiente", "Next word"},
            {"cmdBorra_R", "Borrar", "Delete"}, {"cmdBorra_C", "Borrar", "Delete"},
            {"cmdBorra_T", "Borrar", "Delete"}, {"cmdBorra_P", "Borrar", "Delete"},
        };
        for (const auto& button : buttons) {
            QAccessibleInterface* iface =
                accessible(favourites->findChild<QPushButton*>(QString::fromUtf8(button.name)));
            QCOMPARE(iface->text(QAccessible::Name), test::byEdition(language, button.spanish, button.english));
            QVERIFY(iface->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        }
    }

    void saveButtonsAreNamedByTheirFigure_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("name");
        const UiLanguage S = UiLanguage::Spanish;
        const UiLanguage E = UiLanguage::English;
        QTest::newRow("es Command4") << S << "Command4"
                                     << "Guardar: polígono de cuatro lados";
        QTest::newRow("es Command5") << S << "Command5"
                                     << "Guardar: círculo o elipse";
        QTest::newRow("es Command6") << S << "Command6"
                                     << "Guardar: polígono de tres lados";
        QTest::newRow("es Command7") << S << "Command7"
                                     << "Guardar: polígono de más de cuatro lados";
        QTest::newRow("en Command4") << E << "Command4"
                                     << "Save: four-sided polygon";
        QTest::newRow("en Command5") << E << "Command5"
                                     << "Save: circle or ellipse";
        QTest::newRow("en Command6") << E << "Command6"
                                     << "Save: three-sided polygon";
        QTest::newRow("en Command7") << E << "Command7"
                                     << "Save: polygon of more than four sides";
    }
    void saveButtonsAreNamedByTheirFigure()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, button);
        QFETCH(QString, name);
        QWidget* main = open(WindowRole::Main, language);
        auto* save = main->findChild<QPushButton*>(button);
        QCOMPARE(save->text(), test::byEdition(language, "Guardar", "Save")); // the caption on screen stays
        QCOMPARE(accessible(save)->text(QAccessible::Name), name);
    }

    void windowsAreWindowsOrDialogs_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("window");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const char* window : {"about", "reduced", "help", "main", "favourites", "register", "symbology"}) {
                QTest::addRow("%s %s", (language == UiLanguage::Spanish ? "es" : "en"), window)
                    << language << QString::fromUtf8(window);
            }
        }
    }
    void windowsAreWindowsOrDialogs()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, window);
        QWidget* shown = nullptr;
        if (window == QLatin1String("help")) {
            Help::setHandler(nullptr); // the real help window
            helpViewer().showContents(nullptr, language);
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->isVisible() && top->objectName().startsWith(QLatin1String("helpWindow"))) {
                    shown = top;
                }
            }
        } else {
            const std::map<QString, WindowRole> roles = {
                {QStringLiteral("about"), WindowRole::About},
                {QStringLiteral("reduced"), WindowRole::Reduced},
                {QStringLiteral("main"), WindowRole::Main},
                {QStringLiteral("favourites"), WindowRole::Favourites},
                {QStringLiteral("register"), WindowRole::Register},
                {QStringLiteral("symbology"), WindowRole::Symbology},
            };
            shown = open(roles.at(window), language);
        }
        QVERIFY(shown != nullptr);
        QAccessibleInterface* iface = accessible(shown);
        QVERIFY2(iface->role() == QAccessible::Window || iface->role() == QAccessible::Dialog,
                 qPrintable(QStringLiteral("role %1").arg(int(iface->role()))));
        QCOMPARE(iface->text(QAccessible::Name), shown->windowTitle());
        QVERIFY(iface->childCount() > 0);
    }

    void addressLabelsOfferAPressThatOpensTheirAddress_data() { test::editions(); }
    void addressLabelsOfferAPressThatOpensTheirAddress()
    {
        QFETCH(UiLanguage, language);
        QWidget* main = mainWithName(language, QStringLiteral("abc"));
        QAccessibleInterface* label =
            accessible(main->findChild<QLabel*>(test::byEdition(language, "lblAdreca2", "lblaAdreca2")));
        QCOMPARE(label->role(), QAccessible::Link);
        // The five labels all show "abc": each is heard by the address it opens, described by its figure.
        QCOMPARE(label->text(QAccessible::Name), QStringLiteral("http://www.%1-abc-cto.com").arg(site()));
        QCOMPARE(
            label->text(QAccessible::Description),
            test::byEdition(language, "Dirección de figura: círculo o elipse", "Figure address: circle or ellipse"));
        QVERIFY(label->actionInterface() != nullptr);
        QVERIFY(label->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        label->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_session->launch.launches,
                 QStringList(QStringLiteral("A /usr/bin/fakebrowser http://www.%1-abc-cto.com").arg(site())));

        // The reduced window's targets show no text: a screen reader hears the address they open.
        main->findChild<QAction*>(test::byEdition(language, "mnuformred", "mnureduced"))->trigger();
        QWidget* strip = Windows::instance().find(WindowRole::Reduced, language);
        QVERIFY(strip != nullptr);
        QAccessibleInterface* target =
            accessible(strip->findChild<QLabel*>(test::byEdition(language, "lblpAdrecaCom", "lblpaAdrecaCom")));
        QCOMPARE(target->role(), QAccessible::Link);
        QCOMPARE(target->text(QAccessible::Name), QStringLiteral("http://www.abc.com"));
        target->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_session->launch.launches.size(), 2);
        QCOMPARE(m_session->launch.launches.last(), QStringLiteral("A /usr/bin/fakebrowser http://www.abc.com"));
    }
};

QTEST_MAIN(AddressLabelsAndAccessibilityTest)
#include "AddressLabelsAndAccessibilityTest.moc"
