// The companion windows reached from the real main window, as a user goes: type a name, open each
// window, use it, and come back to the main window with the name it had.
#include "core/SharedState.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/companions/CompanionTesting.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/features/FeatureSet.h"
#include "ui/main/MainRegistration.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

struct Edition
{
    const char* mainBox;
    const char* reducedItem;
    const char* registerLabel1;
    const char* reducedBox;
    const char* registerMenu;
};

Edition editionOf(UiLanguage language)
{
    if (language == UiLanguage::Spanish) {
        return {"txtAdreca", "mnuformred", "lblReg_Ad1", "txtpAdreca", "mnureg"};
    }
    return {"txtaAdreca", "mnureduced", "lblaReg_Ad1", "txtpaAdreca", "mnuregisters"};
}

QWidget* waitFor(WindowRole role, UiLanguage language)
{
    QWidget* window = Windows::instance().find(role, language);
    if (window != nullptr && !QTest::qWaitForWindowExposed(window)) {
        qWarning("window not exposed");
    }
    return window;
}

} // namespace

class CompanionsFromMainTest : public QObject
{
    Q_OBJECT

private:
    QMainWindow* showMain(UiLanguage language)
    {
        Windows::instance().show(WindowRole::Main, language);
        return qobject_cast<QMainWindow*>(waitFor(WindowRole::Main, language));
    }

    static QString mainBoxText(UiLanguage language)
    {
        QWidget* main = Windows::instance().find(WindowRole::Main, language);
        return main == nullptr ? QStringLiteral("<no main window>")
                               : main->findChild<QLineEdit*>(QLatin1String(editionOf(language).mainBox))->text();
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerMainWindows();
        registerCompanionWindows();
        useFeatures(&featureSet());
        registerAboutWindows();
    }
    void init() { test::resetProgramState(); }
    void cleanup() { test::resetProgramState(); }

    void roundTrip_data() { test::editions(); }
    void roundTrip()
    {
        QFETCH(UiLanguage, language);
        const Edition names = editionOf(language);
        test::RecordingNotices notices;
        test::RecordingHelp help;
        test::PdfPrinting printing;
        test::FakeKeepInFront keep(false);

        // Register: the main window hands over the addresses of "abc"; the page is printed; closing returns.
        QMainWindow* main = showMain(language);
        QTest::keyClicks(main->findChild<QLineEdit*>(QLatin1String(names.mainBox)), QStringLiteral("abc"));
        QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        auto* reg = qobject_cast<QMainWindow*>(waitFor(WindowRole::Register, language));
        QVERIFY(reg != nullptr);
        QTRY_VERIFY(Windows::instance().find(WindowRole::Main, language) == nullptr);
        QCOMPARE(reg->findChild<QLabel*>(QLatin1String(names.registerLabel1))->text(),
                 QStringLiteral("www.%1-abc-rmt.com").arg(test::figureSitePrefix()));
        reg->findChild<QAction*>(QLatin1String(names.registerMenu))->trigger();
        QCOMPARE(printing.documents.size(), 1);
        QCOMPARE(test::pdfPageCount(printing.documents[0]), 1);
        reg->close();
        QVERIFY(waitFor(WindowRole::Main, language) != nullptr);
        QCOMPARE(mainBoxText(language), QStringLiteral("abc"));

        // Symbology: opened by the picture button, closed, and the main window is back with its name.
        QTest::mouseClick(
            Windows::instance().find(WindowRole::Main, language)->findChild<QPushButton*>(QStringLiteral("Command1")),
            Qt::LeftButton);
        QWidget* legend = waitFor(WindowRole::Symbology, language);
        QVERIFY(legend != nullptr);
        legend->close();
        QVERIFY(waitFor(WindowRole::Main, language) != nullptr);
        QCOMPARE(mainBoxText(language), QStringLiteral("abc"));

        // Reduced: the name follows; the big-form button brings back what was typed there, in lower case.
        Windows::instance()
            .find(WindowRole::Main, language)
            ->findChild<QAction*>(QLatin1String(names.reducedItem))
            ->trigger();
        QWidget* strip = waitFor(WindowRole::Reduced, language);
        QVERIFY(strip != nullptr);
        auto* box = strip->findChild<QLineEdit*>(QLatin1String(names.reducedBox));
        QCOMPARE(box->text(), QStringLiteral("abc"));
        QTest::keyClicks(box, QStringLiteral("Def"));
        QTest::mouseClick(strip->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        QVERIFY(waitFor(WindowRole::Main, language) != nullptr);
        QCOMPARE(mainBoxText(language), QStringLiteral("abcdef"));
        QVERIFY(notices.informed.isEmpty());
    }

    void registerShownAgain_showsTheNameHandedOverNow_data() { quorvel::test::editions(); }
    void registerShownAgain_showsTheNameHandedOverNow()
    {
        // With the About window open from the help menu, the main window comes back beside the register window
        // when the About window closes; the register command then shows the loaded register window again.
        QFETCH(UiLanguage, language);
        const Edition names = editionOf(language);
        test::RecordingNotices notices;
        test::RecordingLaunch launch;
        test::FakeKeepInFront keep(false);
        QMainWindow* main = showMain(language);
        QTest::keyClicks(main->findChild<QLineEdit*>(QLatin1String(names.mainBox)), QStringLiteral("abc"));
        main->findChild<QAction*>(test::byEdition(language, "mnucreditos", "mnuAbout"))->trigger();
        QWidget* about = waitFor(WindowRole::About, language);
        QVERIFY(about != nullptr);
        QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        auto* reg = qobject_cast<QMainWindow*>(waitFor(WindowRole::Register, language));
        QVERIFY(reg != nullptr);
        auto* label1 = reg->findChild<QLabel*>(QLatin1String(names.registerLabel1));
        QCOMPARE(label1->text(), QStringLiteral("www.%1-abc-rmt.com").arg(test::figureSitePrefix()));

        QTest::mouseClick(about->findChild<QPushButton*>(QStringLiteral("Command1")), Qt::LeftButton);
        main = qobject_cast<QMainWindow*>(waitFor(WindowRole::Main, language));
        QVERIFY(main != nullptr);
        QCOMPARE(Windows::instance().find(WindowRole::Register, language), reg); // still loaded
        auto* mainBox = main->findChild<QLineEdit*>(QLatin1String(names.mainBox));
        mainBox->clear();
        QTest::keyClicks(mainBox, QStringLiteral("xyz"));
        QTest::mouseClick(main->findChild<QPushButton*>(QStringLiteral("Command2")), Qt::LeftButton);
        QCOMPARE(Windows::instance().find(WindowRole::Register, language), reg);
        QCOMPARE(label1->text(), QStringLiteral("www.%1-xyz-rmb.com").arg(test::figureSitePrefix()));
        for (const char* label : {"lblReg_Ad2", "lblReg_Ad3", "lblReg_Ad4"}) {
            const QString name =
                test::byEdition(language, label, label)
                    .replace(QStringLiteral("lblReg"),
                             language == UiLanguage::Spanish ? QStringLiteral("lblReg") : QStringLiteral("lblaReg"));
            QVERIFY(reg->findChild<QLabel*>(name)->text().contains(QStringLiteral("-xyz-")));
        }
    }
};

QTEST_MAIN(CompanionsFromMainTest)
#include "CompanionsFromMainTest.moc"
