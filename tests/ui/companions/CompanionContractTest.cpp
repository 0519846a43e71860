// What the reduced, register and symbology windows share, checked for each window and edition from one
// table: how each opens (its name, its caption, one window per edition), the help topic its F1 key opens,
// and what its close box does (the main window of its edition comes back with the current name, or not).
#include "core/SharedState.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/companions/CompanionTesting.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"

#include <QTest>

Q_DECLARE_METATYPE(quorvel::ui::WindowRole)

using namespace quorvel;
using namespace quorvel::ui;

class CompanionContractTest : public QObject
{
    Q_OBJECT

private:
    test::StubMainWindows m_main;

    static QWidget* open(WindowRole role, UiLanguage language)
    {
        QWidget* window = Windows::instance().show(role, language);
        if (window != nullptr && !QTest::qWaitForWindowActive(window)) {
            qWarning("%s did not become active", qPrintable(window->objectName()));
        }
        return window;
    }

private Q_SLOTS:
    void initTestCase() { registerCompanionWindows(); }
    void init()
    {
        test::resetProgramState();
        m_main.opened.clear();
    }
    void cleanup() { test::resetProgramState(); }

    void contract_data()
    {
        QTest::addColumn<WindowRole>("role");
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("objectName");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("helpCall");     // what F1 asks of the help; empty: nothing
        QTest::addColumn<QStringList>("mainBack"); // the main windows the close box brings back
        const auto S = UiLanguage::Spanish;
        const auto E = UiLanguage::English;
        QTest::newRow("reduced es") << WindowRole::Reduced << S << "frmPeti_Cast"
                                    << "Quorvel v1.1"
                                    << "" << QStringList{};
        QTest::newRow("reduced en") << WindowRole::Reduced << E << "frmPeti_Ang"
                                    << "Quorvel v1.1"
                                    << "" << QStringList{};
        QTest::newRow("register es") << WindowRole::Register << S << "frmReg_Cast"
                                     << "Nombre a registrar, por figura."
                                     << "topic 100 es" << QStringList{"es:abc"};
        QTest::newRow("register en") << WindowRole::Register << E << "frmReg_Ang"
                                     << "Name to register, by shape."
                                     << "topic 101 en" << QStringList{"en:abc"};
        QTest::newRow("symbology es") << WindowRole::Symbology << S << "frmSimb_Cast"
                                      << "Simbologia"
                                      << "topic 400 es" << QStringList{"es:abc"};
        QTest::newRow("symbology en") << WindowRole::Symbology << E << "frmSimb_Ang"
                                      << "Simbology"
                                      << "topic 404 en" << QStringList{"en:abc"};
    }

    void opening_namedCaptionedAndOncePerEdition_data() { contract_data(); }
    void opening_namedCaptionedAndOncePerEdition()
    {
        QFETCH(WindowRole, role);
        QFETCH(UiLanguage, language);
        QFETCH(QString, objectName);
        QFETCH(QString, caption);
        test::FakeKeepInFront keep(false);
        QWidget* window = open(role, language);
        QVERIFY(window != nullptr);
        QCOMPARE(window->objectName(), objectName);
        QCOMPARE(window->windowTitle(), caption);
        QVERIFY(window->isVisible());
        QVERIFY(window->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(!window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(Windows::instance().find(role, language), window);
        QCOMPARE(open(role, language), window); // opening again brings the same window forward
        QCOMPARE(Windows::instance().loadedCount(), 1);
        QVERIFY(m_main.opened.isEmpty());
    }

    void f1_opensTheWindowsTopic_data() { contract_data(); }
    void f1_opensTheWindowsTopic()
    {
        QFETCH(WindowRole, role);
        QFETCH(UiLanguage, language);
        QFETCH(QString, helpCall);
        test::RecordingHelp help;
        test::FakeKeepInFront keep(false);
        QWidget* window = open(role, language);
        QTest::keyClick(window, Qt::Key_F1);
        QCOMPARE(help.calls, helpCall.isEmpty() ? QStringList{} : QStringList{helpCall});
    }

    void closeBox_bringsTheMainWindowBackOrNot_data() { contract_data(); }
    void closeBox_bringsTheMainWindowBackOrNot()
    {
        QFETCH(WindowRole, role);
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, mainBack);
        test::FakeKeepInFront keep(false);
        CurrentName = "abc";
        QWidget* window = open(role, language);
        QVERIFY(window->close());
        QCOMPARE(m_main.opened, mainBack);
        QCOMPARE(Windows::instance().find(WindowRole::Main, language) != nullptr, !mainBack.isEmpty());
        QCOMPARE(QString::fromStdString(CurrentName), QStringLiteral("abc"));
        QTRY_VERIFY(Windows::instance().find(role, language) == nullptr);
    }
};

QTEST_MAIN(CompanionContractTest)
#include "CompanionContractTest.moc"
