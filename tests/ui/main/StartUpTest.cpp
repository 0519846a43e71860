// Start-up from the settings file: which About window comes first, which main window follows, and that the
// settings file is only read.
#include "ui/main/StartUp.h"

#include "settings/Settings.h"
#include "tests/support/StandInWindows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::settle;

class StartUpTest : public QObject
{
    Q_OBJECT

private:
    test::RecordingLaunch* m_launch = nullptr;
    QByteArray m_systemDir; // the test's own settings folder, given by the test runner

private Q_SLOTS:
    void initTestCase()
    {
        m_systemDir = qgetenv("QUORVEL_SYSTEM_DIR");
        registerMainWindows();
        registerAboutWindows();
    }

    void init()
    {
        test::resetProgramState();
        m_launch = new test::RecordingLaunch;
    }

    void cleanup()
    {
        test::resetProgramState();
        delete m_launch;
        qputenv("QUORVEL_SYSTEM_DIR", m_systemDir);
        SettingsPath.clear();
    }

    void startsInTheLanguageOfTheSettingsFile_data()
    {
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<UiLanguage>("language");
        const UiLanguage S = UiLanguage::Spanish;
        const UiLanguage E = UiLanguage::English;
        QTest::newRow("no settings file") << false << QByteArray() << S;
        QTest::newRow("empty file") << true << QByteArray() << S;
        QTest::newRow("Angles") << true << QByteArray("[Idioma]\nInici=Angles\n") << E;
        QTest::newRow("Angles, CRLF, other sections")
            << true << QByteArray("[Mail]\r\nMAPI=1\r\n[idioma]\r\nINICI = Angles\r\n") << E;
        QTest::newRow("Angles in quotes") << true << QByteArray("[Idioma]\nInici=\"Angles\"\n") << E;
        QTest::newRow("angles") << true << QByteArray("[Idioma]\nInici=angles\n") << S;
        QTest::newRow("ANGLES") << true << QByteArray("[Idioma]\nInici=ANGLES\n") << S;
        QTest::newRow("English") << true << QByteArray("[Idioma]\nInici=English\n") << S;
        QTest::newRow("Espanyol") << true << QByteArray("[Idioma]\nInici=Espanyol\n") << S;
        QTest::newRow("empty value") << true << QByteArray("[Idioma]\nInici=\n") << S;
        QTest::newRow("key in another section") << true << QByteArray("[Otra]\nInici=Angles\n[Idioma]\n") << S;
        QTest::newRow("section and key swapped") << true << QByteArray("[Inici]\nIdioma=Angles\n") << S;
        QTest::newRow("300 characters") << true << QByteArray("[Idioma]\nInici=Angles") + QByteArray(294, 's') + "\n"
                                        << S;
        QTest::newRow("binary junk") << true << QByteArray("\0\xff[\x01]=\n\n[Idioma", 15) << S;
    }

    void startsInTheLanguageOfTheSettingsFile()
    {
        QFETCH(bool, fileExists);
        QFETCH(QByteArray, content);
        QFETCH(UiLanguage, language);
        QTemporaryDir dir;
        qputenv("QUORVEL_SYSTEM_DIR", dir.path().toLocal8Bit());
        const QString file = dir.filePath(QStringLiteral("quorvel.ini"));
        if (fileExists) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(content);
        }

        startUp();
        settle();
        QCOMPARE(QString::fromStdString(SettingsPath), file);
        QCOMPARE(test::visibleWindows(),
                 QStringList{language == UiLanguage::Spanish ? QStringLiteral("frmAcerca_Cast")
                                                             : QStringLiteral("frmAcerca_Ang")});
        QVERIFY(Windows::instance().find(WindowRole::About, language) != nullptr);
        QVERIFY(Windows::instance().find(WindowRole::Main, language) == nullptr); // not before About closes
        QCOMPARE(QString::fromStdString(BrowserPath), QStringLiteral("/usr/bin/fakebrowser"));

        // The close timer's tick: About goes, the main window of the same language comes.
        QWidget* about = Windows::instance().find(WindowRole::About, language);
        QVERIFY(QMetaObject::invokeMethod(about->findChild<QTimer*>(QStringLiteral("Timer1")), "timeout"));
        settle();
        QCOMPARE(test::visibleWindows(), QStringList{language == UiLanguage::Spanish ? QStringLiteral("frmPrin_Cast")
                                                                                     : QStringLiteral("frmPrin_Ang")});

        // The settings file is only read: a missing one is not created, an existing one is unchanged.
        QCOMPARE(QFile::exists(file), fileExists);
        if (fileExists) {
            QFile in(file);
            QVERIFY(in.open(QIODevice::ReadOnly));
            QCOMPARE(in.readAll(), content);
        }
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), fileExists ? 1 : 0);
    }

    void theLastWindowClosingEndsTheRun()
    {
        QTemporaryDir dir;
        qputenv("QUORVEL_SYSTEM_DIR", dir.path().toLocal8Bit());
        QSignalSpy allClosed(&Windows::instance(), &Windows::allWindowsClosed);
        startUp();
        QWidget* about = Windows::instance().find(WindowRole::About, UiLanguage::Spanish);
        QVERIFY(about->close()); // the close box: the main window follows, the run goes on
        settle();
        QCOMPARE(allClosed.count(), 0);
        QWidget* main = Windows::instance().find(WindowRole::Main, UiLanguage::Spanish);
        QVERIFY(main != nullptr);
        QVERIFY(main->close()); // the main window's close box: nothing is left
        settle();
        QCOMPARE(allClosed.count(), 1);
    }
};

QTEST_MAIN(StartUpTest)
#include "StartUpTest.moc"
