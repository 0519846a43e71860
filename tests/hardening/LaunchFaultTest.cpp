// Launching with the system's own launcher when the browser found at start is no longer usable: the program was
// removed, is a folder, may not be run, is a dangling link, or fails at once. Each launch is silent: it returns
// at once, starts nothing, leaves nothing behind, and the next launch with a working browser still works.
#include "launch/Browser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace quorvel;

class LaunchFaultTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    /// A small program that appends its argument to a log, as a browser that works.
    QString workingBrowser() const
    {
        const QString script = path("good browser/run");
        QDir().mkpath(path("good browser"));
        QFile file(script);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write("#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$0.log\"\n");
            file.close();
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        return script;
    }

    static QStringList logOf(const QString& program, int expected)
    {
        QStringList lines;
        const bool arrived = QTest::qWaitFor(
            [&] {
                QFile log(program + QStringLiteral(".log"));
                if (!log.open(QIODevice::ReadOnly)) {
                    return false;
                }
                lines = QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
                return lines.size() >= expected;
            },
            10000);
        return arrived ? lines : QStringList();
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void cleanup() { BrowserPath.clear(); }

    void aBrowserThatCannotBeStartedIsSilent_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"removed", "removed, under a folder with blanks", "bare name not on the path",
                                 "a folder", "not executable", "a dangling link", "fails at once", "blanks only"}) {
            QTest::newRow(kind) << QString::fromUtf8(kind);
        }
    }
    void aBrowserThatCannotBeStartedIsSilent()
    {
        QFETCH(QString, kind);
        QString browser;
        if (kind == QLatin1String("removed")) {
            browser = path("gone/browser");
        } else if (kind == QLatin1String("removed, under a folder with blanks")) {
            browser = path("Program Files/My Browser/browser");
        } else if (kind == QLatin1String("bare name not on the path")) {
            browser = QStringLiteral("quorvel-no-such-browser");
        } else if (kind == QLatin1String("a folder")) {
            browser = m_dir.path();
        } else if (kind == QLatin1String("not executable")) {
            browser = path("plain file");
            QFile file(browser);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\ntouch \"$0.ran\"\n");
            file.close();
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        } else if (kind == QLatin1String("a dangling link")) {
            browser = path("link to nothing");
            QVERIFY(QFile::link(path("nothing"), browser));
        } else if (kind == QLatin1String("fails at once")) {
            browser = QStringLiteral("/bin/false");
        } else {
            browser = QStringLiteral("   ");
        }
        BrowserPath = browser.toStdString();

        const QString here = path("cwd");
        QVERIFY(QDir().mkpath(here));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(here));
        const QString working = workingBrowser();
        QFile::remove(working + QStringLiteral(".log"));
        const QStringList before = QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        QElapsedTimer took;
        took.start();
        for (int i = 0; i < 3; ++i) {
            openInBrowser("http://www.quorvel-abc-rmt.com");
        }
        const qint64 elapsed = took.elapsed();
        QVERIFY2(elapsed < 5000, "a launch that cannot start must not hold the window");
        QCOMPARE(QString::fromStdString(BrowserPath), browser); // kept as found; nothing is rediscovered

        // The same program, now installed and working, starts as usual. Its start, asked for after the failed
        // ones, is the sign that a stray start of those would have left its mark by now.
        BrowserPath = working.toStdString();
        openInBrowser("http://www.abc.com");
        QCOMPARE(logOf(working, 1), QStringList(QStringLiteral("http://www.abc.com")));
        QVERIFY(QDir::setCurrent(previous));

        QCOMPARE(QDir(here).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        QFile::remove(working + QStringLiteral(".log"));
    }

    void theDesktopsHandlerMissingIsSilent()
    {
        // Under the offscreen platform the desktop has no handler for addresses: form B must still return at once.
        QElapsedTimer took;
        took.start();
        openWithShell("http://www.quorvel-abc-rmt.com");
        openWithShell("");
        QVERIFY(took.elapsed() < 5000);
    }
};

QTEST_MAIN(LaunchFaultTest)
#include "LaunchFaultTest.moc"
