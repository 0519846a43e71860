// The feature plugin, loaded on first use: the real plugin serves windows, saves and prints; a missing plugin,
// a plugin of another version and a file that is no plugin are each told to the user once per use, in the
// edition's language only, naming the file by its clean path.
#include "ui/common/Features.h"

#include "tests/support/TestSupport.h"
#include "ui/common/FeaturePlugin.h"
#include "ui/common/PagePrinting.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Windows.h"

#include <QFileInfo>
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
        useFeatures(nullptr);
        setFeaturePluginPath({});
    }

    void aPluginThatCannotBeHadIsToldAtEachUse_data()
    {
        QTest::addColumn<QString>("file"); // "missing", "wrong version" or "not a plugin"
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("notice"); // %1: the plugin's clean path
        const QString missingEs =
            QStringLiteral("Esta parte de Quorvel no se puede cargar: falta el archivo %1. Vuelva a instalar el "
                           "programa.");
        const QString missingEn =
            QStringLiteral("This part of Quorvel cannot be loaded: the file %1 is missing. Install the program again.");
        const QString unfitEs = QStringLiteral("Esta parte de Quorvel no se puede cargar: el archivo %1 no "
                                               "corresponde a esta versión del programa. Vuelva a instalar el "
                                               "programa.");
        const QString unfitEn = QStringLiteral("This part of Quorvel cannot be loaded: the file %1 does not belong to "
                                               "this version of the program. Install the program again.");
        QTest::newRow("missing es") << QStringLiteral("missing") << UiLanguage::Spanish << missingEs;
        QTest::newRow("missing en") << QStringLiteral("missing") << UiLanguage::English << missingEn;
        QTest::newRow("wrong version es") << QStringLiteral("wrong version") << UiLanguage::Spanish << unfitEs;
        QTest::newRow("wrong version en") << QStringLiteral("wrong version") << UiLanguage::English << unfitEn;
        QTest::newRow("not a plugin es") << QStringLiteral("not a plugin") << UiLanguage::Spanish << unfitEs;
        QTest::newRow("not a plugin en") << QStringLiteral("not a plugin") << UiLanguage::English << unfitEn;
    }

    void aPluginThatCannotBeHadIsToldAtEachUse()
    {
        QFETCH(QString, file);
        QFETCH(UiLanguage, language);
        QFETCH(QString, notice);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("bin")));
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("lib/quorvel")));
        const QString clean = dir.path() + QStringLiteral("/lib/quorvel/quorvel-features.so");
        if (file == QLatin1String("wrong version")) {
            QVERIFY(QFile::copy(QStringLiteral(QUORVEL_WRONG_VERSION_PLUGIN), clean));
        } else if (file == QLatin1String("not a plugin")) {
            QFile text(clean);
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("not a library\n");
        }
        test::RecordingNotices notices;
        // As the program gives it: from its own folder, up and across.
        setFeaturePluginPath(dir.path() + QStringLiteral("/bin/../lib/quorvel/quorvel-features.so"));

        // A window of the plugin, a save and a print: each tells once, and nothing else happens.
        QCOMPARE(Windows::instance().show(WindowRole::Favourites, language), nullptr);
        QCOMPARE(notices.informed, QStringList{notice.arg(clean)});
        saveFavourite(nullptr, nullptr, language, FigureKind::CircleOrEllipse, QStringLiteral("abc"));
        QCOMPARE(notices.informed.size(), 2);
        QCOMPARE(printPage(nullptr, language, QStringLiteral("doc"), QStringLiteral("doc.pdf"), {}),
                 PrintOutcome::Failed);
        QCOMPARE(notices.informed, QStringList(3, notice.arg(clean)));
        QCOMPARE(Windows::instance().loadedCount(), 0);

        // The program's own windows need no plugin and say nothing.
        Windows::instance().setFactory(WindowRole::Reduced, [](UiLanguage) { return new QWidget; });
        QVERIFY(Windows::instance().show(WindowRole::Reduced, language) != nullptr);
        QCOMPARE(notices.informed.size(), 3);
        Windows::instance().setFactory(WindowRole::Reduced, {});
    }

    void theRealPluginServesItsWindowsAndNoOther()
    {
        test::RecordingNotices notices;
        setFeaturePluginPath(QStringLiteral(QUORVEL_FEATURE_PLUGIN_FILE));
        FeaturePlugin* plugin = features(UiLanguage::English);
        QVERIFY(plugin != nullptr);
        QCOMPARE(features(UiLanguage::Spanish), plugin); // loaded once

        QWidget* availability = Windows::instance().show(WindowRole::Availability, UiLanguage::Spanish);
        QVERIFY(availability != nullptr);
        QVERIFY(availability->isVisible());
        for (const WindowRole role :
             {WindowRole::Main, WindowRole::About, WindowRole::Reduced, WindowRole::Register, WindowRole::Symbology}) {
            QCOMPARE(plugin->createWindow(role, UiLanguage::English), nullptr);
        }
        QVERIFY(notices.informed.isEmpty());
    }

    // Each way in reaches the features in place, without a plugin file.
    void featuresInPlaceServeEveryUse()
    {
        test::RecordingNotices notices;
        test::StandInFeatures stand;
        QStringList done;
        stand.windows[WindowRole::Availability] = [&done](UiLanguage) {
            done << QStringLiteral("window");
            return new QWidget;
        };
        stand.save = [&done](QWidget*, QWidget*, UiLanguage, FigureKind kind, const QString& name) {
            done << QStringLiteral("saved %1 %2").arg(name).arg(QChar::fromLatin1(figureLetter(kind)));
        };
        stand.print = [&done](QWidget*, UiLanguage, const QString& document, const QString&, const DrawPage&) {
            done << QStringLiteral("printed ") + document;
            return PrintOutcome::SavedAsPdf;
        };

        QVERIFY(Windows::instance().show(WindowRole::Availability, UiLanguage::English) != nullptr);
        QVERIFY(Windows::instance().show(WindowRole::Availability, UiLanguage::English) != nullptr); // loaded
        saveFavourite(nullptr, nullptr, UiLanguage::English, FigureKind::ThreeSided, QStringLiteral("xyz"));
        QCOMPARE(printPage(nullptr, UiLanguage::English, QStringLiteral("sheet"), QStringLiteral("sheet.pdf"), {}),
                 PrintOutcome::SavedAsPdf);
        QCOMPARE(done, (QStringList{QStringLiteral("window"), QStringLiteral("saved xyz t"),
                                    QStringLiteral("printed sheet")}));
        QVERIFY(notices.informed.isEmpty());
    }

    void withoutPluginOrFeaturesNothingHappens()
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
