// Windows, the save command and printing, whose code is loaded on first use: the loader runs once, at the first
// use that needs it, and a failure is told each time something that needs it is asked for, in the edition's
// language.
#include "ui/common/Features.h"

#include "tests/support/TestSupport.h"
#include "ui/common/PagePrinting.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Windows.h"

#include <QtTest>

using namespace quorvel;
using namespace quorvel::ui;

class FeaturesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        Windows::instance().reset();
        setFeatureLoader({});
    }

    void aFailedLoadIsToldAtEachUseInTheEditionsLanguage_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("notice");
        QTest::newRow("es") << UiLanguage::Spanish
                            << QStringLiteral("Esta parte de Quorvel no se puede cargar (no such file). Vuelva a "
                                              "instalar el programa.");
        QTest::newRow("en") << UiLanguage::English
                            << QStringLiteral("This part of Quorvel cannot be loaded (no such file). Install the "
                                              "program again.");
    }

    void aFailedLoadIsToldAtEachUseInTheEditionsLanguage()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, notice);
        test::RecordingNotices notices;
        int loads = 0;
        setFeatureLoader([&loads] {
            ++loads;
            return QStringLiteral("no such file");
        });

        QCOMPARE(Windows::instance().show(WindowRole::Symbology, language), nullptr);
        QCOMPARE(loads, 1);
        QCOMPARE(notices.informed, QStringList{notice});

        // Another window, a save and a print do not load again, and are not lost without a word.
        QCOMPARE(Windows::instance().show(WindowRole::Reduced, language), nullptr);
        saveFavourite(nullptr, nullptr, language, FigureKind::CircleOrEllipse, QStringLiteral("abc"));
        QCOMPARE(printPage(nullptr, language, QStringLiteral("doc"), QStringLiteral("doc.pdf"), {}),
                 PrintOutcome::Failed);
        QCOMPARE(loads, 1);
        QCOMPARE(notices.informed, (QStringList{notice, notice, notice, notice}));
    }

    // Each way in, on its own: a window of a role nobody registered yet, a save with no handler yet, a print
    // with no printing yet.
    void theFirstUseLoadsTheFeaturesOnce_data()
    {
        QTest::addColumn<QString>("first");
        QTest::newRow("window") << QStringLiteral("window");
        QTest::newRow("save") << QStringLiteral("save");
        QTest::newRow("print") << QStringLiteral("print");
    }

    void theFirstUseLoadsTheFeaturesOnce()
    {
        QFETCH(QString, first);
        test::RecordingNotices notices;
        int loads = 0;
        QStringList done;
        setFeatureLoader([&loads, &done] {
            ++loads;
            Windows::instance().setFactory(WindowRole::Availability, [](UiLanguage) { return new QWidget; });
            setSaveFavouriteHandler([&done](QWidget*, QWidget*, UiLanguage, FigureKind, const QString& name) {
                done << QStringLiteral("saved ") + name;
            });
            setPagePrinter([&done](QWidget*, UiLanguage, const QString& document, const QString&, const DrawPage&) {
                done << QStringLiteral("printed ") + document;
                return PrintOutcome::Printed;
            });
            return QString();
        });

        if (first == QLatin1String("save")) {
            saveFavourite(nullptr, nullptr, UiLanguage::English, FigureKind::ThreeSided, QStringLiteral("abc"));
        } else if (first == QLatin1String("print")) {
            QCOMPARE(printPage(nullptr, UiLanguage::English, QStringLiteral("page"), QStringLiteral("page.pdf"), {}),
                     PrintOutcome::Printed);
        } else {
            QVERIFY(Windows::instance().show(WindowRole::Availability, UiLanguage::English) != nullptr);
        }
        QCOMPARE(loads, 1);

        // Everything the loader brought is there from now on, without loading again.
        QWidget* window = Windows::instance().show(WindowRole::Availability, UiLanguage::English);
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        saveFavourite(nullptr, nullptr, UiLanguage::English, FigureKind::ThreeSided, QStringLiteral("xyz"));
        QCOMPARE(printPage(nullptr, UiLanguage::English, QStringLiteral("sheet"), QStringLiteral("sheet.pdf"), {}),
                 PrintOutcome::Printed);
        QCOMPARE(loads, 1);
        QCOMPARE(done.mid(done.size() - 2),
                 (QStringList{QStringLiteral("saved xyz"), QStringLiteral("printed sheet")}));
        QVERIFY(notices.informed.isEmpty());

        setSaveFavouriteHandler({});
        setPagePrinter({});
        Windows::instance().setFactory(WindowRole::Availability, {});
    }

    void withoutALoaderNothingHappens()
    {
        test::RecordingNotices notices;
        QCOMPARE(Windows::instance().show(WindowRole::Register, UiLanguage::Spanish), nullptr);
        saveFavourite(nullptr, nullptr, UiLanguage::Spanish, FigureKind::ManySided, QStringLiteral("abc"));
        QCOMPARE(printPage(nullptr, UiLanguage::Spanish, QStringLiteral("doc"), QStringLiteral("doc.pdf"), {}),
                 PrintOutcome::Failed);
        QVERIFY(notices.informed.isEmpty());
    }
};

QTEST_MAIN(FeaturesTest)
#include "FeaturesTest.moc"
