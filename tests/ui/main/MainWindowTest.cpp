// The main window of both editions, driven as a user drives it: typing into the name box, clicking the address
// labels, pressing buttons, shortcuts and menu items.
#include "core/SharedState.h"
#include "settings/Settings.h"
#include "tests/support/StandInWindows.h"
#include "ui/common/ClickableLabel.h"
#include "ui/common/FigureShapes.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Twips.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::settle;

namespace {} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private:
    test::RecordingNotices* m_notices = nullptr;
    test::RecordingHelp* m_help = nullptr;
    test::RecordingLaunch* m_launch = nullptr;
    QStringList m_made;

    QMainWindow* openMain(UiLanguage language)
    {
        auto* window = qobject_cast<QMainWindow*>(Windows::instance().show(WindowRole::Main, language));
        if (window != nullptr) {
            QApplication::setActiveWindow(window);
            [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window);
        }
        return window;
    }

    static QLineEdit* nameBox(QWidget* window, UiLanguage language)
    {
        return window->findChild<QLineEdit*>(test::byEdition(language, "txtAdreca", "txtaAdreca"));
    }

    static QStringList captions(QWidget* window, UiLanguage language)
    {
        QStringList out;
        out << window->findChild<QLabel*>(test::byEdition(language, "lblAdrecaCom", "lblaAdrecaCom"))->text();
        for (int k = 1; k <= 4; ++k) {
            out << window->findChild<QLabel*>(test::byEdition(language, "lblAdreca%1", "lblaAdreca%1").arg(k))->text();
        }
        return out;
    }

    static QStringList captionsNames(UiLanguage language)
    {
        QStringList names{test::byEdition(language, "lblAdrecaCom", "lblaAdrecaCom")};
        for (int k = 1; k <= 4; ++k) {
            names << test::byEdition(language, "lblAdreca%1", "lblaAdreca%1").arg(k);
        }
        return names;
    }

    void type(QWidget* window, UiLanguage language, const QString& text)
    {
        QLineEdit* box = nameBox(window, language);
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::keyClicks(box, text);
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerMainWindows();
        registerAboutWindows();
    }

    void init()
    {
        test::resetProgramState();
        m_made.clear();
        test::registerStandIns(&m_made);
        m_notices = new test::RecordingNotices;
        m_help = new test::RecordingHelp;
        m_launch = new test::RecordingLaunch;
        runBrowserDiscovery();
    }

    void cleanup()
    {
        test::resetProgramState();
        delete m_launch;
        delete m_help;
        delete m_notices;
    }

    // ---- what the window shows ------------------------------------------------------------------------------

    void controlsStandWhereTheyBelong_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        const struct
        {
            const char* spanish;
            const char* english;
            QRect twips;
        } rows[] = {
            {"lblTitol", "lblaTitol", {240, 120, 8775, 735}},
            {"Label1", "Label1", {2400, 1080, 735, 375}},
            {"Label2", "Label2", {6120, 1080, 735, 375}},
            {"txtAdreca", "txtaAdreca", {3240, 1080, 2775, 375}},
            {"Command3", "Command3", {240, 1200, 1935, 375}},
            {"Command2", "Command2", {7080, 1200, 1935, 375}},
            {"Label13", "Label11", {2400, 1560, 735, 255}},
            {"Label12", "Label14", {6120, 1560, 735, 255}},
            {"lblAdrecaCom", "lblaAdrecaCom", {3240, 1560, 2775, 255}},
            {"Label3", "Label3", {360, 2400, 615, 255}},
            {"lblAdreca1", "lblaAdreca1", {1080, 2400, 2295, 255}},
            {"Label4", "Label4", {3480, 2400, 495, 255}},
            {"Label7", "Label7", {5280, 2400, 615, 255}},
            {"lblAdreca2", "lblaAdreca2", {6000, 2400, 2295, 255}},
            {"Label8", "Label8", {8400, 2400, 495, 255}},
            {"Command4", "Command4", {1440, 3000, 1575, 255}},
            {"Command1", "Command1", {4320, 3000, 615, 615}},
            {"Command5", "Command5", {6360, 3000, 1575, 255}},
            {"Label5", "Label5", {600, 4080, 615, 255}},
            {"lblAdreca3", "lblaAdreca3", {1200, 4080, 2055, 255}},
            {"Label6", "Label6", {3240, 4080, 495, 255}},
            {"Label9", "Label9", {5280, 3840, 615, 255}},
            {"lblAdreca4", "lblaAdreca4", {6000, 3840, 2295, 255}},
            {"Label10", "Label10", {8400, 3840, 495, 255}},
            {"Command6", "Command6", {1440, 4560, 1575, 255}},
            {"Command7", "Command7", {6360, 4560, 1575, 255}},
        };
        for (const auto& row : rows) {
            QTest::addRow("es %s", row.spanish) << UiLanguage::Spanish << QString::fromLatin1(row.spanish) << row.twips;
            const QRect english = QString::fromLatin1(row.english) == QStringLiteral("lblaTitol")
                                      ? QRect(120, 120, 9015, 735)
                                      : row.twips;
            QTest::addRow("en %s", row.english) << UiLanguage::English << QString::fromLatin1(row.english) << english;
        }
    }

    void controlsStandWhereTheyBelong()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QMainWindow* window = openMain(language);
        QWidget* control = window->findChild<QWidget*>(name);
        QVERIFY2(control != nullptr, qPrintable(name));
        QCOMPARE(control->geometry(), twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    }

    void windowLooksAsItShould_data() { test::editions(); }

    void windowLooksAsItShould()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        QCOMPARE(window->objectName(), test::byEdition(language, "frmPrin_Cast", "frmPrin_Ang"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Quorvel v1.1"));
        QVERIFY(!window->windowIcon().isNull());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->centralWidget()->size(), QSize(px(9285), px(4995)));
        QCOMPARE(window->minimumSize(), window->maximumSize());

        auto* title = window->findChild<QLabel*>(test::byEdition(language, "lblTitol", "lblaTitol"));
        QCOMPARE(title->text(), QStringLiteral("Quorvel"));
        QVERIFY(title->font().bold() && title->font().underline());
        QCOMPARE(title->font().pointSizeF(), 26.25);
        QCOMPARE(title->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label1"))->palette().color(QPalette::WindowText),
                 QColor(0, 0, 255));
        QCOMPARE(nameBox(window, language)->font().pointSizeF(), 14.25);
        QCOMPARE(nameBox(window, language)->text(), QString());

        const QLabel* plainFrame = window->findChild<QLabel*>(test::byEdition(language, "Label13", "Label11"));
        QCOMPARE(plainFrame->text(), QStringLiteral("www ."));
        QCOMPARE(plainFrame->palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(plainFrame->font().pointSizeF(), 12.0);

        for (const QString& name : {test::byEdition(language, "lblAdrecaCom", "lblaAdrecaCom"),
                                    test::byEdition(language, "lblAdreca1", "lblaAdreca1"),
                                    test::byEdition(language, "lblAdreca4", "lblaAdreca4")}) {
            auto* label = window->findChild<ClickableLabel*>(name);
            QVERIFY2(label != nullptr, qPrintable(name));
            QCOMPARE(label->text(), QStringLiteral("?"));
            QCOMPARE(label->palette().color(QPalette::Window), QColor(255, 255, 192));
            QCOMPARE(label->font().pointSizeF(), 9.75);
            QVERIFY(label->font().bold());
            QCOMPARE(label->cursor().shape(), Qt::PointingHandCursor);
        }

        const struct
        {
            const char* name;
            const char* spanishText;
            const char* englishText;
            const char* spanishTip;
            const char* englishTip;
        } buttons[] = {
            {"Command3", "&Favoritos", "&Favorites", "Ir a favoritos", "Go to favorites"},
            {"Command2", "&Registros", "&Registers", "Ver el registro de dominios", "Go to register of domains"},
            {"Command1", "", "", "Ir al formulario de simbologia", "Go to simbology form"},
            {"Command4", "Guardar", "Save", "Guardar en favoritos", "Save in favorites"},
            {"Command7", "Guardar", "Save", "Guardar en favoritos", "Save in favorites"},
        };
        for (const auto& b : buttons) {
            auto* button = window->findChild<QPushButton*>(QString::fromLatin1(b.name));
            QVERIFY2(button != nullptr, b.name);
            QCOMPARE(button->text(), test::byEdition(language, b.spanishText, b.englishText));
            QCOMPARE(button->toolTip(), test::byEdition(language, b.spanishTip, b.englishTip));
        }
        QVERIFY(!window->findChild<QPushButton*>(QStringLiteral("Command1"))->icon().isNull());
        const bool spanish = language == UiLanguage::Spanish;
        QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("Command3"))->property("helpContext").toInt(),
                 spanish ? 200 : 0);
        QCOMPARE(window->findChild<QPushButton*>(QStringLiteral("Command2"))->property("helpContext").toInt(),
                 spanish ? 100 : 0);

        // The four outlines, 3 pixels wide, drawn by the shared figure drawing.
        auto* canvas = window->findChild<FigureCanvas*>();
        QVERIFY(canvas != nullptr);
        QCOMPARE(canvas->outlineCount(), 4);
    }

    void menusCarryTheirCaptionsShortcutsAndHelpContexts_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<int>("helpContext");
        const UiLanguage S = UiLanguage::Spanish;
        const UiLanguage E = UiLanguage::English;
        auto row = [](UiLanguage l, const char* name, const char* caption, const char* shortcut, int help) {
            QTest::addRow("%s %s", l == UiLanguage::Spanish ? "es" : "en", name)
                << l << QString::fromUtf8(name) << QString::fromUtf8(caption) << QString::fromUtf8(shortcut) << help;
        };
        row(S, "mnuopciones", "&Opciones", "", 0);
        row(S, "mnusimbologia", "Simbologia", "", 400);
        row(S, "mnuregistro", "Registro dominios", "", 100);
        row(S, "mnufavoritos", "Favoritos", "Ctrl+F", 200);
        row(S, "mnuformred", "Formulario reducido", "Ctrl+R", 0);
        row(S, "mnudisponibilidad", "Disponibilidad", "Ctrl+D", 0);
        row(S, "mnusalir", "Salir", "Ctrl+S", 0);
        row(S, "mnuidioma", "&Language", "", 0);
        row(S, "mnuenglish", "English", "", 200);
        row(S, "mnuayuda", "&Ayuda", "", 0);
        row(S, "mnuuayuda", "Ayuda", "F1", 0);
        row(S, "mnuaysobre", "Ayuda sobre ...", "", 0);
        row(S, "mnucreditos", "Acerca de ...", "", 0);
        row(E, "mnuoptions", "&Options", "", 0);
        row(E, "mnusimbology", "Simbology", "", 0);
        row(E, "mnuregister", "Register", "", 0);
        row(E, "mnufavorite", "Favorites", "Ctrl+F", 0);
        row(E, "mnureduced", "Reduced form", "Ctrl+R", 0);
        row(E, "mnuavailability", "Availability", "Ctrl+D", 0);
        row(E, "mnuexit", "Exit", "Ctrl+E", 0);
        row(E, "mnuidioma", "&Idioma", "", 0);
        row(E, "mnuespanol", "Español", "", 100);
        row(E, "mnuhelp", "&Help", "", 0);
        row(E, "mnuhelpe", "Help", "F1", 0);
        row(E, "mnuhab", "Help about ...", "", 0);
        row(E, "mnuAbout", "About Quorvel", "", 0);
    }

    void menusCarryTheirCaptionsShortcutsAndHelpContexts()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(int, helpContext);
        QMainWindow* window = openMain(language);
        auto* action = window->findChild<QAction*>(name);
        QVERIFY2(action != nullptr, qPrintable(name));
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->shortcut().toString(), shortcut);
        QCOMPARE(action->property("helpContext").toInt(), helpContext);
    }

    void menusAreOrderedWithTheirSeparators_data() { windowLooksAsItShould_data(); }

    void menusAreOrderedWithTheirSeparators()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        auto namesOf = [](QMenu* menu) {
            QStringList names;
            for (QAction* action : menu->actions()) {
                names << action->objectName();
            }
            return names.join(u',');
        };
        if (language == UiLanguage::Spanish) {
            QCOMPARE(
                namesOf(window->findChild<QMenu*>(QStringLiteral("mnuopciones"))),
                QStringLiteral(
                    "mnusimbologia,mnuregistro,mnulin1,mnufavoritos,mnuformred,mnudisponibilidad,mnulin2,mnusalir"));
            QCOMPARE(namesOf(window->findChild<QMenu*>(QStringLiteral("mnuayuda"))),
                     QStringLiteral("mnuuayuda,mnuaysobre,mnulin3,mnucreditos"));
        } else {
            QCOMPARE(namesOf(window->findChild<QMenu*>(QStringLiteral("mnuoptions"))),
                     QStringLiteral(
                         "mnusimbology,mnuregister,mnulin1,mnufavorite,mnureduced,mnuavailability,mnulin2,mnuexit"));
            QCOMPARE(namesOf(window->findChild<QMenu*>(QStringLiteral("mnuhelp"))),
                     QStringLiteral("mnuhelpe,mnuhab,mnulin3,mnuAbout"));
        }
    }

    void focusFollowsTheEditionsOrder_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("order");
        QTest::newRow("es") << UiLanguage::Spanish
                            << QStringLiteral(
                                   "txtAdreca,Command1,Command2,Command3,Command4,Command5,Command6,Command7");
        QTest::newRow("en") << UiLanguage::English
                            << QStringLiteral(
                                   "Command3,Command2,Command1,txtaAdreca,Command7,Command6,Command5,Command4");
    }

    void focusFollowsTheEditionsOrder()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, order);
        QVERIFY(openMain(language) != nullptr);
        QStringList seen;
        for (int i = 0; i < 8; ++i) {
            QWidget* focused = QApplication::focusWidget();
            QVERIFY(focused != nullptr);
            seen << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        QCOMPARE(seen.join(u','), order);
        // The five address labels follow the ordered controls, then the focus goes round again.
        for (int i = 0; i < 5; ++i) {
            QVERIFY(qobject_cast<QLabel*>(QApplication::focusWidget()) != nullptr);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), order.section(u',', 0, 0)); // round again
    }

    // ---- typing -----------------------------------------------------------------------------------------------

    void typingFillsTheLabelsAndCurrentName_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<QStringList>("textAtNotice");
        const UiLanguage S = UiLanguage::Spanish;
        const UiLanguage E = UiLanguage::English;
        QTest::newRow("es AbC") << S << "AbC"
                                << "AbC"
                                << "abc" << QStringList() << QStringList();
        QTest::newRow("en AbC") << E << "AbC"
                                << "AbC"
                                << "abc" << QStringList() << QStringList();
        QTest::newRow("es blank") << S << "a b"
                                  << "ab"
                                  << "ab" << QStringList{QStringLiteral("El carácter  2 és erroneo, se borrará")}
                                  << QStringList{QStringLiteral("a ")};
        QTest::newRow("en blank") << E << "a b"
                                  << "ab"
                                  << "ab"
                                  << QStringList{QStringLiteral("The character  2 is erroneous.It will be eliminated.")}
                                  << QStringList{QStringLiteral("a ")};
        QTest::newRow("es hyphen first") << S << "-x"
                                         << "x"
                                         << "x"
                                         << QStringList{QStringLiteral(
                                                "El primer carácter no puede ser un guion, se borrará.")}
                                         << QStringList{QStringLiteral("-")};
        QTest::newRow("en two faults")
            << E << "a$_b"
            << "ab"
            << "ab"
            << QStringList{QStringLiteral("The character  2 is erroneous.It will be eliminated."),
                           QStringLiteral("The character  2 is erroneous.It will be eliminated.")}
            << QStringList{QStringLiteral("a$"), QStringLiteral("a_")};
        QTest::newRow("es 41st character")
            << S << QString(41, u'k') << QString(40, u'k') << QString(40, u'k')
            << QStringList{QStringLiteral("Hay demasiados carácteres, se va a borrar el último. (Este programa solo "
                                          "permite hasta 40 carácteres.)")}
            << QStringList{QString(41, u'k')};
    }

    void typingFillsTheLabelsAndCurrentName()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, typed);
        QFETCH(QString, box);
        QFETCH(QString, name);
        QFETCH(QStringList, notices);
        QFETCH(QStringList, textAtNotice);
        QMainWindow* window = openMain(language);
        type(window, language, typed);
        QCOMPARE(nameBox(window, language)->text(), box);
        QCOMPARE(QString::fromStdString(CurrentName), name);
        QCOMPARE(captions(window, language), QStringList(5, name));
        QCOMPARE(m_notices->informed, notices);
        QCOMPARE(QStringList(m_notices->textAtNotice.begin(), m_notices->textAtNotice.end()), textAtNotice);
    }

    void deletingTheLastCharacterBringsBackTheQuestionMarks()
    {
        QMainWindow* window = openMain(UiLanguage::Spanish);
        type(window, UiLanguage::Spanish, QStringLiteral("ab"));
        QLineEdit* box = nameBox(window, UiLanguage::Spanish);
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(captions(window, UiLanguage::Spanish), QStringList(5, QStringLiteral("a")));
        QTest::keyClick(box, Qt::Key_Backspace);
        QCOMPARE(captions(window, UiLanguage::Spanish), QStringList(5, QStringLiteral("?")));
        QCOMPARE(CurrentName, std::string());
        QVERIFY(m_notices->informed.isEmpty());
    }

    // ---- address labels ---------------------------------------------------------------------------------------

    void clicksOnQuestionMarksOpenNothing_data() { windowLooksAsItShould_data(); }

    void clicksOnQuestionMarksOpenNothing()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        for (const QString& name : captionsNames(language)) {
            QTest::mouseClick(window->findChild<QLabel*>(name), Qt::LeftButton);
        }
        QVERIFY(m_launch->launches.isEmpty());
        QVERIFY(m_notices->informed.isEmpty());
    }

    void clicksOpenTheAddressesOfTheName_data() { windowLooksAsItShould_data(); }

    void clicksOpenTheAddressesOfTheName()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        type(window, language, QStringLiteral("AbC"));
        for (const QString& name : captionsNames(language)) {
            QTest::mouseClick(window->findChild<QLabel*>(name), Qt::LeftButton);
        }
        const QString browser = QStringLiteral("A /usr/bin/fakebrowser ");
        QCOMPARE(m_launch->launches,
                 QStringList({
                     browser + QStringLiteral("http://www.abc.com"),
                     browser + QStringLiteral("http://www.%1-abc-rmt.com").arg(test::figureSitePrefix()),
                     browser + QStringLiteral("http://www.%1-abc-cto.com").arg(test::figureSitePrefix()),
                     browser + QStringLiteral("http://www.%1-abc-tlx.com").arg(test::figureSitePrefix()),
                     browser + QStringLiteral("http://www.%1-abc-piq.com").arg(test::figureSitePrefix()),
                 }));
    }

    // ---- commands ---------------------------------------------------------------------------------------------

    void registerCommandHandsOverTheFourAddresses_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("byMenu");
        QTest::addColumn<QStringList>("addresses");
        const QStringList abc = {QStringLiteral("www.%1-abc-rmt.com").arg(test::figureSitePrefix()),
                                 QStringLiteral("www.%1-abc-cto.com").arg(test::figureSitePrefix()),
                                 QStringLiteral("www.%1-abc-tlx.com").arg(test::figureSitePrefix()),
                                 QStringLiteral("www.%1-abc-piq.com").arg(test::figureSitePrefix())};
        const QStringList empty = {QStringLiteral("www.%1-?-rkh.com").arg(test::figureSitePrefix()),
                                   QStringLiteral("www.%1-?-che.com").arg(test::figureSitePrefix()),
                                   QStringLiteral("www.%1-?-tha.com").arg(test::figureSitePrefix()),
                                   QStringLiteral("www.%1-?-pah.com").arg(test::figureSitePrefix())};
        QTest::newRow("es abc button") << UiLanguage::Spanish << "abc" << false << abc;
        QTest::newRow("en abc menu") << UiLanguage::English << "abc" << true << abc;
        QTest::newRow("es empty menu") << UiLanguage::Spanish << "" << true << empty;
        QTest::newRow("en empty button") << UiLanguage::English << "" << false << empty;
    }

    void registerCommandHandsOverTheFourAddresses()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, typed);
        QFETCH(bool, byMenu);
        QFETCH(QStringList, addresses);
        QMainWindow* window = openMain(language);
        QPointer<QMainWindow> guard = window;
        type(window, language, typed);
        if (byMenu) {
            window->findChild<QAction*>(test::byEdition(language, "mnuregistro", "mnuregister"))->trigger();
        } else {
            QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        }
        QStringList handed;
        for (const std::string& address : RegisterAddresses) {
            handed << QString::fromStdString(address);
        }
        QCOMPARE(handed, addresses);
        QCOMPARE(m_made, QStringList{QStringLiteral("register") + test::editionSuffix(language)});
        settle();
        QVERIFY(guard.isNull());
        QVERIFY(Windows::instance().find(WindowRole::Main, language) == nullptr);
    }

    void commandsGoToTheCompanionWindowOfTheSameEdition_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("target");
        const UiLanguage S = UiLanguage::Spanish;
        const UiLanguage E = UiLanguage::English;
        QTest::newRow("es Command3") << S << "button Command3"
                                     << "favourites_es";
        QTest::newRow("en Command3") << E << "button Command3"
                                     << "favourites_en";
        QTest::newRow("es Command1") << S << "button Command1"
                                     << "symbology_es";
        QTest::newRow("en Command1") << E << "button Command1"
                                     << "symbology_en";
        QTest::newRow("es mnusimbologia") << S << "menu mnusimbologia"
                                          << "symbology_es";
        QTest::newRow("en mnusimbology") << E << "menu mnusimbology"
                                         << "symbology_en";
        QTest::newRow("es mnufavoritos") << S << "menu mnufavoritos"
                                         << "favourites_es";
        QTest::newRow("en Ctrl+F") << E << "key Ctrl+F"
                                   << "favourites_en";
        QTest::newRow("es Ctrl+R") << S << "key Ctrl+R"
                                   << "reduced_es";
        QTest::newRow("en mnureduced") << E << "menu mnureduced"
                                       << "reduced_en";
    }

    void commandsGoToTheCompanionWindowOfTheSameEdition()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, how);
        QFETCH(QString, target);
        QMainWindow* window = openMain(language);
        QPointer<QMainWindow> guard = window;
        const QString kind = how.section(u' ', 0, 0);
        const QString what = how.section(u' ', 1);
        if (kind == QStringLiteral("button")) {
            QTest::mouseClick(window->findChild<QPushButton*>(what), Qt::LeftButton);
        } else if (kind == QStringLiteral("menu")) {
            window->findChild<QAction*>(what)->trigger();
        } else {
            QTest::keySequence(window, QKeySequence(what));
        }
        QCOMPARE(m_made, QStringList{target});
        QVERIFY(Windows::instance().find(WindowRole::Main, language) == nullptr);
        settle();
        QVERIFY(guard.isNull());
    }

    void shortcutsWinOverTheNameBox()
    {
        // Ctrl+F typed while the name box has the focus goes to the favourites, not into the box.
        QMainWindow* window = openMain(UiLanguage::English);
        type(window, UiLanguage::English, QStringLiteral("ab"));
        QTest::keySequence(nameBox(window, UiLanguage::English), QKeySequence(QStringLiteral("Ctrl+F")));
        QCOMPARE(m_made, QStringList{QStringLiteral("favourites_en")});
    }

    void aCompanionThatCannotOpenLeavesTheMainWindowOpen()
    {
        Windows::instance().setFactory(WindowRole::Favourites, nullptr);
        QMainWindow* window = openMain(UiLanguage::Spanish);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
        settle();
        QCOMPARE(Windows::instance().find(WindowRole::Main, UiLanguage::Spanish), window);
        QVERIFY(window->isVisible());
    }

    void comingBackRestoresTheName_data() { windowLooksAsItShould_data(); }

    void comingBackRestoresTheName()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        type(window, language, QStringLiteral("Xyz1"));
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
        settle();
        Windows::instance().close(WindowRole::Favourites, language);
        settle();
        QMainWindow* back = openMain(language);
        QVERIFY(back != nullptr);
        QCOMPARE(nameBox(back, language)->text(), QStringLiteral("xyz1")); // the lower-case name comes back
        QCOMPARE(captions(back, language), QStringList(5, QStringLiteral("xyz1")));
        QVERIFY(m_notices->informed.isEmpty());
    }

    void saveButtonsKeepTheNameWithTheirFigure_data() { windowLooksAsItShould_data(); }

    void saveButtonsKeepTheNameWithTheirFigure()
    {
        QFETCH(UiLanguage, language);
        QStringList saved;
        test::StandInFeatures features;
        features.save = [&saved](QWidget* owner, QWidget* /*command*/, UiLanguage lang, FigureKind kind,
                                 const QString& name) {
            saved << QStringLiteral("%1 %2 %3 %4")
                         .arg(owner->objectName(),
                              lang == UiLanguage::Spanish ? QStringLiteral("es") : QStringLiteral("en"))
                         .arg(QChar::fromLatin1(figureLetter(kind)))
                         .arg(name);
        };
        QMainWindow* window = openMain(language);
        type(window, language, QStringLiteral("MiMarca"));
        for (const char* button : {"Command4", "Command5", "Command6", "Command7"}) {
            QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
        }
        const QString head =
            window->objectName() + (language == UiLanguage::Spanish ? QStringLiteral(" es") : QStringLiteral(" en"));
        QCOMPARE(saved, QStringList({head + QStringLiteral(" r mimarca"), head + QStringLiteral(" c mimarca"),
                                     head + QStringLiteral(" t mimarca"), head + QStringLiteral(" p mimarca")}));
    }

    // ---- language switch --------------------------------------------------------------------------------------

    void languageSwitchCarriesTheNameAndWritesNothing_data()
    {
        QTest::addColumn<UiLanguage>("from");
        QTest::newRow("es to en") << UiLanguage::Spanish;
        QTest::newRow("en to es") << UiLanguage::English;
    }

    void languageSwitchCarriesTheNameAndWritesNothing()
    {
        QFETCH(UiLanguage, from);
        const UiLanguage to = from == UiLanguage::Spanish ? UiLanguage::English : UiLanguage::Spanish;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("quorvel.ini"));
        const QByteArray content("; kept as it is\r\n[Idioma]\r\nInici=Espanyol\r\n");
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }
        SettingsPath = file.toStdString();

        QMainWindow* window = openMain(from);
        QPointer<QMainWindow> guard = window;
        type(window, from, QStringLiteral("Nom-1"));
        window->findChild<QAction*>(test::byEdition(from, "mnuenglish", "mnuespanol"))->trigger();
        settle();
        QVERIFY(guard.isNull());
        QVERIFY(Windows::instance().find(WindowRole::Main, from) == nullptr);
        QWidget* other = Windows::instance().find(WindowRole::Main, to);
        QVERIFY(other != nullptr && other->isVisible());
        QCOMPARE(nameBox(other, to)->text(), QStringLiteral("nom-1"));
        QCOMPARE(captions(other, to), QStringList(5, QStringLiteral("nom-1")));

        QFile in(file);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(in.readAll(), content);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("quorvel.ini")});
        SettingsPath.clear();
    }

    // ---- help -------------------------------------------------------------------------------------------------

    void helpItemsOpenTheirEditionsHelp_data() { windowLooksAsItShould_data(); }

    void helpItemsOpenTheirEditionsHelp()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        const QString edition = language == UiLanguage::Spanish ? QStringLiteral(" es") : QStringLiteral(" en");
        QTest::keyClick(window, Qt::Key_F1);
        window->findChild<QAction*>(test::byEdition(language, "mnuaysobre", "mnuhab"))->trigger();
        window->findChild<QAction*>(test::byEdition(language, "mnuuayuda", "mnuhelpe"))->trigger();
        QCOMPARE(m_help->calls, QStringList({QStringLiteral("contents") + edition, QStringLiteral("search") + edition,
                                             QStringLiteral("contents") + edition}));
        QVERIFY(window->isVisible());
    }

    void f1OpensTheHelpOfTheFocusedControl_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<QString>("call");
        QTest::newRow("es Favoritos") << UiLanguage::Spanish << "Command3"
                                      << "topic 200 es";
        QTest::newRow("es Registros") << UiLanguage::Spanish << "Command2"
                                      << "topic 100 es";
        QTest::newRow("es name box") << UiLanguage::Spanish << "txtAdreca"
                                     << "contents es";
        QTest::newRow("es Guardar") << UiLanguage::Spanish << "Command4"
                                    << "contents es";
        QTest::newRow("en Favorites") << UiLanguage::English << "Command3"
                                      << "contents en";
        QTest::newRow("en Registers") << UiLanguage::English << "Command2"
                                      << "contents en";
    }

    void f1OpensTheHelpOfTheFocusedControl()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, focused);
        QFETCH(QString, call);
        QMainWindow* window = openMain(language);
        auto* control = window->findChild<QWidget*>(focused);
        QVERIFY(control != nullptr);
        control->setFocus(Qt::TabFocusReason);
        QTest::keyClick(control, Qt::Key_F1);
        QCOMPARE(m_help->calls, QStringList(call));
        QVERIFY(window->isVisible());
    }

    void f1OpensTheHelpOfTheHighlightedMenuItem_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("call");
        QTest::newRow("es Simbologia") << UiLanguage::Spanish << "mnuopciones"
                                       << "mnusimbologia"
                                       << "topic 400 es";
        QTest::newRow("es Registro") << UiLanguage::Spanish << "mnuopciones"
                                     << "mnuregistro"
                                     << "topic 100 es";
        QTest::newRow("es Favoritos") << UiLanguage::Spanish << "mnuopciones"
                                      << "mnufavoritos"
                                      << "topic 200 es";
        QTest::newRow("es Formulario reducido") << UiLanguage::Spanish << "mnuopciones"
                                                << "mnuformred"
                                                << "contents es";
        QTest::newRow("es English") << UiLanguage::Spanish << "mnuidioma"
                                    << "mnuenglish"
                                    << "topic 200 es";
        QTest::newRow("es Ayuda") << UiLanguage::Spanish << "mnuayuda"
                                  << "mnuuayuda"
                                  << "contents es";
        QTest::newRow("en Simbology") << UiLanguage::English << "mnuoptions"
                                      << "mnusimbology"
                                      << "contents en";
        QTest::newRow("en Español") << UiLanguage::English << "mnuidioma"
                                    << "mnuespanol"
                                    << "topic 100 en";
    }

    void f1OpensTheHelpOfTheHighlightedMenuItem()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, call);
        QMainWindow* window = openMain(language);
        // The name box has the focus meanwhile; the highlighted item decides, not the focused control.
        window->findChild<QWidget*>(QStringLiteral("Command3"))->setFocus();
        auto* popup = window->findChild<QMenu*>(menu);
        QVERIFY(popup != nullptr);
        popup->popup(window->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        popup->setActiveAction(window->findChild<QAction*>(item));
        QTest::keyClick(popup, Qt::Key_F1);
        QCOMPARE(m_help->calls, QStringList(call));
        QTRY_VERIFY(!popup->isVisible()); // the menu closes, as after a choice
        QVERIFY(window->isVisible());     // nothing of the item itself was done
        QCOMPARE(m_made, QStringList());
    }

    // ---- About and exit ---------------------------------------------------------------------------------------

    void aboutFromTheMenuLeavesTheMainWindowOpen_data() { windowLooksAsItShould_data(); }

    void aboutFromTheMenuLeavesTheMainWindowOpen()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = openMain(language);
        window->findChild<QAction*>(test::byEdition(language, "mnucreditos", "mnuAbout"))->trigger();
        QWidget* about = Windows::instance().find(WindowRole::About, language);
        QVERIFY(about != nullptr && about->isVisible());
        QVERIFY(window->isVisible());
        QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        settle();
        QVERIFY(Windows::instance().find(WindowRole::About, language) == nullptr);
        QCOMPARE(Windows::instance().find(WindowRole::Main, language), window); // the same window, not a new one
        QCOMPARE(Windows::instance().loadedCount(), 1);
    }

    void exitEndsAtOnceAndNoMainWindowComesBack_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("how");
        QTest::newRow("es Salir") << UiLanguage::Spanish << "menu mnusalir";
        QTest::newRow("es Ctrl+S in the name box") << UiLanguage::Spanish << "key Ctrl+S";
        QTest::newRow("en Exit") << UiLanguage::English << "menu mnuexit";
        QTest::newRow("en Ctrl+E in the name box") << UiLanguage::English << "key Ctrl+E";
    }

    void exitEndsAtOnceAndNoMainWindowComesBack()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, how);
        QSignalSpy ended(&Windows::instance(), &Windows::endRequested);
        QSignalSpy allClosed(&Windows::instance(), &Windows::allWindowsClosed);
        QMainWindow* window = openMain(language);
        type(window, language, QStringLiteral("abc"));
        window->findChild<QAction*>(test::byEdition(language, "mnucreditos", "mnuAbout"))->trigger();
        QWidget* about = Windows::instance().find(WindowRole::About, language);
        QVERIFY(about != nullptr);
        QApplication::setActiveWindow(window);
        QVERIFY(QTest::qWaitForWindowActive(window));
        nameBox(window, language)->setFocus();

        if (how.startsWith(QStringLiteral("menu"))) {
            window->findChild<QAction*>(how.section(u' ', 1))->trigger();
        } else {
            QTest::keySequence(nameBox(window, language), QKeySequence(how.section(u' ', 1)));
        }
        QCOMPARE(ended.count(), 1);
        QCOMPARE(test::visibleWindows(), QStringList());
        QCOMPARE(nameBox(window, language)->text(), QStringLiteral("abc")); // nothing typed into the box

        // The About window's close timer cannot bring a main window back any more.
        QVERIFY(QMetaObject::invokeMethod(about->findChild<QTimer*>(QStringLiteral("Timer1")), "timeout"));
        settle();
        QCOMPARE(test::visibleWindows(), QStringList());
        QCOMPARE(allClosed.count(), 0);
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
