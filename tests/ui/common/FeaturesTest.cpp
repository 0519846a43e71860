// Windows and the save command whose code is loaded on first use: the loader runs once, at the first window or
// save that needs it, and a failure is told each time something that needs it is asked for, in the edition's
// language.
#include "ui/common/Features.h"

#include "tests/support/TestSupport.h"
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

        // Another window and a save do not load again, and are not lost without a word.
        QCOMPARE(Windows::instance().show(WindowRole::Reduced, language), nullptr);
        saveFavourite(nullptr, nullptr, language, FigureKind::CircleOrEllipse, QStringLiteral("abc"));
        QCOMPARE(loads, 1);
        QCOMPARE(notices.informed, (QStringList{notice, notice, notice}));
    }

    // Each way in, on its own: a window of a role nobody registered yet, and a save with no handler yet.
    void theFirstUseLoadsTheFeaturesOnce_data()
    {
        QTest::addColumn<bool>("throughSave");
        QTest::newRow("window") << false;
        QTest::newRow("save") << true;
    }

    void theFirstUseLoadsTheFeaturesOnce()
    {
        QFETCH(bool, throughSave);
        test::RecordingNotices notices;
        int loads = 0;
        QStringList saved;
        setFeatureLoader([&loads, &saved] {
            ++loads;
            Windows::instance().setFactory(WindowRole::Availability, [](UiLanguage) { return new QWidget; });
            setSaveFavouriteHandler(
                [&saved](QWidget*, QWidget*, UiLanguage, FigureKind, const QString& name) { saved << name; });
            return QString();
        });

        if (throughSave) {
            saveFavourite(nullptr, nullptr, UiLanguage::English, FigureKind::ThreeSided, QStringLiteral("first"));
            QCOMPARE(loads, 1);
            QCOMPARE(saved, QStringList{QStringLiteral("first")});
        }
        QWidget* window = Windows::instance().show(WindowRole::Availability, UiLanguage::English);
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        saveFavourite(nullptr, nullptr, UiLanguage::English, FigureKind::ThreeSided, QStringLiteral("second"));
        QCOMPARE(loads, 1);
        QCOMPARE(saved.last(), QStringLiteral("second"));
        QVERIFY(notices.informed.isEmpty());

        setSaveFavouriteHandler({});
        Windows::instance().setFactory(WindowRole::Availability, {});
    }

    void withoutALoaderNothingHappens()
    {
        test::RecordingNotices notices;
        QCOMPARE(Windows::instance().show(WindowRole::Register, UiLanguage::Spanish), nullptr);
        saveFavourite(nullptr, nullptr, UiLanguage::Spanish, FigureKind::ManySided, QStringLiteral("abc"));
        QVERIFY(notices.informed.isEmpty());
    }
};

QTEST_MAIN(FeaturesTest)
#include "FeaturesTest.moc"
