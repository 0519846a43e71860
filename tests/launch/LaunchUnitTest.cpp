// Discovery and both launch forms against a recording platform: what reaches the desktop, and the temporary file.
#include "launch/Browser.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quorvel;

namespace {

struct LookUp
{
    QString path;
    bool existed = false;
    QByteArray content;
};

struct Start
{
    std::string program;
    std::string argument;
    std::string workingDirectory;
};

struct Open
{
    std::string address;
};

class RecordingPlatform final : public launch::Platform
{
public:
    std::string answer;
    bool throwOnLookUp = false;
    std::vector<LookUp> lookUps;
    std::vector<Start> starts;
    std::vector<Open> opens;
    std::optional<launch::DesktopEntry> entry; ///< the desktop entry discovery finds with the answer
    std::vector<std::vector<std::string>> commands;

    std::string findHtmlHandler(const std::string& htmFile) override
    {
        LookUp seen;
        seen.path = QString::fromStdString(htmFile);
        QFile file(seen.path);
        seen.existed = file.exists();
        if (file.open(QIODevice::ReadOnly)) {
            seen.content = file.readAll();
        }
        lookUps.push_back(seen);
        if (throwOnLookUp) {
            throw std::runtime_error("look-up failed");
        }
        return answer;
    }

    HtmlHandler findHtmlHandlerEntry(const std::string& htmFile) override { return {findHtmlHandler(htmFile), entry}; }

    void startCommand(const std::vector<std::string>& arguments, const std::string& /*workingDirectory*/) override
    {
        commands.push_back(arguments);
    }

    void startProgram(const std::string& program, const std::string& argument,
                      const std::string& workingDirectory) override
    {
        starts.push_back({program, argument, workingDirectory});
    }

    void openAddress(const std::string& address) override { opens.push_back({address}); }
};

const QByteArray ExpectedContent("\"<HTML> <\\HTML>\"\r\n");

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

class LaunchUnitTest : public QObject
{
    Q_OBJECT

private:
    RecordingPlatform m_platform;
    QTemporaryDir m_scratch; // made while TMPDIR still names the real temporary folder
    QString m_tempFolder;
    QByteArray m_savedTmpdir;
    bool m_hadTmpdir = false;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid());
        m_hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
        m_savedTmpdir = qgetenv("TMPDIR");
    }

    void init()
    {
        m_platform = RecordingPlatform{};
        launch::setPlatform(&m_platform);
        BrowserPath.clear();
        DiscoveryResult = 0;
        static int round = 0;
        m_tempFolder = m_scratch.filePath(QStringLiteral("tmp%1").arg(++round));
        QVERIFY(QDir().mkpath(m_tempFolder));
        qputenv("TMPDIR", m_tempFolder.toUtf8());
    }

    void cleanup()
    {
        launch::setPlatform(nullptr);
        if (m_hadTmpdir) {
            qputenv("TMPDIR", m_savedTmpdir);
        } else {
            qunsetenv("TMPDIR");
        }
    }

    // --- discovery -------------------------------------------------------------------------------------------

    void discovery_asksAboutAFreshHtmFileWithTheEighteenBytes()
    {
        m_platform.answer = "/usr/bin/browser";
        runBrowserDiscovery();

        QCOMPARE(m_platform.lookUps.size(), size_t(1));
        const LookUp& seen = m_platform.lookUps.front();
        const QFileInfo info(seen.path);
        QVERIFY(info.isAbsolute());
        QCOMPARE(info.absolutePath(), QFileInfo(m_tempFolder).canonicalFilePath());
        QCOMPARE(info.suffix(), QStringLiteral("htm"));
        QVERIFY(seen.existed);
        QCOMPARE(seen.content.size(), qsizetype(18));
        QCOMPARE(seen.content, ExpectedContent);
        QCOMPARE(QByteArray(launch::DiscoveryFileContent.data(), 18), ExpectedContent);
        QVERIFY2(!QFile::exists(seen.path), "the discovery file was left behind");
        QCOMPARE(entriesOf(m_tempFolder), QStringList());
    }

    void discovery_namesEveryFileAfreshAndLeavesOthersAlone()
    {
        // A file at the old fixed name, and one a hostile user prepared, must stay untouched.
        const QString planted = QDir(m_tempFolder).filePath(QStringLiteral("quorvel.HTM"));
        QFile file(planted);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("mine");
        file.close();

        runBrowserDiscovery();
        runBrowserDiscovery();
        runBrowserDiscovery();

        QCOMPARE(m_platform.lookUps.size(), size_t(3));
        QVERIFY(m_platform.lookUps[0].path != m_platform.lookUps[1].path);
        QVERIFY(m_platform.lookUps[1].path != m_platform.lookUps[2].path);
        for (const LookUp& seen : m_platform.lookUps) {
            QVERIFY(seen.path != planted);
            QCOMPARE(seen.content, ExpectedContent);
        }
        QCOMPARE(entriesOf(m_tempFolder), QStringList{QStringLiteral("quorvel.HTM")});
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("mine"));
    }

    void discovery_keepsTheTrimmedAnswer_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("result");

        QTest::newRow("plain path") << ""
                                    << "/usr/bin/firefox"
                                    << "/usr/bin/firefox" << 1;
        QTest::newRow("blanks around") << ""
                                       << "   /usr/bin/firefox  "
                                       << "/usr/bin/firefox" << 1;
        QTest::newRow("blanks inside kept") << ""
                                            << " /opt/my browser/run me "
                                            << "/opt/my browser/run me" << 1;
        QTest::newRow("nothing found") << ""
                                       << ""
                                       << "" << 0;
        QTest::newRow("only blanks") << ""
                                     << "     "
                                     << "" << 0;
        QTest::newRow("replaces an earlier path") << "/usr/bin/old"
                                                  << "/usr/bin/new"
                                                  << "/usr/bin/new" << 1;
        QTest::newRow("nothing found clears an earlier path") << "/usr/bin/old"
                                                              << ""
                                                              << "" << 0;
        QTest::newRow("long path") << "" << QStringLiteral("/%1/b").arg(QString(300, u'x'))
                                   << QStringLiteral("/%1/b").arg(QString(300, u'x')) << 1;
    }

    void discovery_keepsTheTrimmedAnswer()
    {
        QFETCH(QString, before);
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        QFETCH(int, result);

        BrowserPath = before.toStdString();
        m_platform.answer = answer.toStdString();
        runBrowserDiscovery();

        QCOMPARE(QString::fromStdString(BrowserPath), expected);
        QCOMPARE(DiscoveryResult, result);
        QCOMPARE(m_platform.lookUps.size(), size_t(1));
        QVERIFY(!QFile::exists(m_platform.lookUps.front().path));
        QCOMPARE(entriesOf(m_tempFolder), QStringList());
    }

    void discovery_removesTheFileWhenTheLookUpFails()
    {
        m_platform.throwOnLookUp = true;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, runBrowserDiscovery());
        QCOMPARE(m_platform.lookUps.size(), size_t(1));
        QVERIFY(m_platform.lookUps.front().existed);
        QCOMPARE(entriesOf(m_tempFolder), QStringList());
    }

    void discovery_withoutAUsableTemporaryFolder_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("a file, not a folder") << "file";
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("folder nobody may create files in") << "proc";
    }

    void discovery_withoutAUsableTemporaryFolder()
    {
        QFETCH(QString, kind);

        QString tmpdir;
        if (kind == QStringLiteral("missing")) {
            tmpdir = m_scratch.filePath(QStringLiteral("no/such/folder"));
        } else if (kind == QStringLiteral("file")) {
            tmpdir = m_scratch.filePath(QStringLiteral("plain-file"));
            QFile file(tmpdir);
            QVERIFY(file.open(QIODevice::WriteOnly));
        } else if (kind == QStringLiteral("readonly")) {
            if (::geteuid() == 0) {
                QSKIP("permission bits do not stop root; the /proc row covers an unwritable folder");
            }
            tmpdir = m_scratch.filePath(QStringLiteral("readonly"));
            QVERIFY(QDir().mkpath(tmpdir));
            QVERIFY(QFile::setPermissions(tmpdir, QFile::ReadOwner | QFile::ExeOwner));
        } else {
            tmpdir = QStringLiteral("/proc");
        }
        qputenv("TMPDIR", tmpdir.toUtf8());

        // Work from an empty current folder: nothing may be written there in place of the temporary folder.
        const QString here = m_scratch.filePath(QStringLiteral("cwd-") + kind);
        QVERIFY(QDir().mkpath(here));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(here));

        BrowserPath = "/usr/bin/stale";
        DiscoveryResult = 1;
        m_platform.answer = "/usr/bin/browser";
        runBrowserDiscovery();

        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(QString::fromStdString(BrowserPath), QString());
        QCOMPARE(DiscoveryResult, 0);
        QCOMPARE(m_platform.lookUps.size(), size_t(0));
        QCOMPARE(entriesOf(here), QStringList());
    }

    // --- form A ----------------------------------------------------------------------------------------------

    void formA_startsTheBrowserWithTheAddressAsOneArgument_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("started");

        QTest::newRow("figure address") << "/usr/bin/browser"
                                        << "http://www.quorvel-abc-rmt.com" << true;
        QTest::newRow("plain address") << "/usr/bin/browser"
                                       << "http://www.abc.com" << true;
        QTest::newRow("path with blanks") << "/opt/my browser/bin/run"
                                          << "http://www.quorvel-abc-tlx.com" << true;
        QTest::newRow("text with blanks stays one") << "/usr/bin/browser"
                                                    << "http://www.a.com/x y;z" << true;
        QTest::newRow("no browser found") << ""
                                          << "http://www.quorvel-abc-rmt.com" << false;
    }

    void formA_startsTheBrowserWithTheAddressAsOneArgument()
    {
        QFETCH(QString, browser);
        QFETCH(QString, address);
        QFETCH(bool, started);

        BrowserPath = browser.toStdString();
        openInBrowser(address.toStdString());

        QVERIFY(m_platform.opens.empty());
        QCOMPARE(m_platform.starts.size(), size_t(started ? 1 : 0));
        if (started) {
            const Start& start = m_platform.starts.front();
            QCOMPARE(QString::fromStdString(start.program), browser);
            QCOMPARE(QString::fromStdString(start.argument), address);
            QCOMPARE(start.workingDirectory, BrowserDirectory);
            QVERIFY(BrowserDirectory.empty());
        }
    }

    void formA_withoutABrowserDiscoversAgainOnTheClick()
    {
        // Nothing was found at start; a browser installed since is found by the click itself.
        m_platform.answer = "/usr/bin/newbrowser";
        openInBrowser("http://www.abc.com");

        QCOMPARE(m_platform.lookUps.size(), size_t(1));
        QCOMPARE(m_platform.starts.size(), size_t(1));
        QCOMPARE(m_platform.starts.front().program, std::string("/usr/bin/newbrowser"));
        QCOMPARE(m_platform.starts.front().argument, std::string("http://www.abc.com"));
        QCOMPARE(BrowserPath, std::string("/usr/bin/newbrowser"));
    }

    void formA_stillWithoutABrowserSaysSoInOneLine()
    {
        // Standard error goes to a file for the length of the click.
        const QString log = m_scratch.filePath(QStringLiteral("stderr.txt"));
        const int saved = ::dup(STDERR_FILENO);
        const int file = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        QVERIFY(saved >= 0 && file >= 0);
        ::dup2(file, STDERR_FILENO);
        openInBrowser("http://www.abc.com");
        ::dup2(saved, STDERR_FILENO);
        ::close(file);
        ::close(saved);

        QCOMPARE(m_platform.lookUps.size(), size_t(1));
        QVERIFY(m_platform.starts.empty());
        QVERIFY(m_platform.commands.empty());
        QFile written(log);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray text = written.readAll();
        QCOMPARE(text.count('\n'), 1);
        QVERIFY2(text.endsWith('\n') && text.contains("no program for web pages was found"), text.constData());
    }

    void formA_startsTheDesktopEntrysCommandLine()
    {
        m_platform.answer = "/usr/bin/env";
        m_platform.entry = launch::DesktopEntry{"env MOZ_X=1 /usr/lib/firefox/firefox %u", "firefox", "Firefox",
                                                "/usr/share/applications/firefox.desktop"};
        runBrowserDiscovery();
        QCOMPARE(BrowserPath, std::string("/usr/bin/env"));

        openInBrowser("http://www.quorvel-abc-rmt.com");
        QVERIFY(m_platform.starts.empty());
        const std::vector<std::vector<std::string>> expected{
            {"/usr/bin/env", "MOZ_X=1", "/usr/lib/firefox/firefox", "http://www.quorvel-abc-rmt.com"}};
        QCOMPARE(m_platform.commands, expected);

        // A program put in BrowserPath by other means has no entry: it gets the address alone.
        BrowserPath = "/usr/bin/other";
        openInBrowser("http://www.abc.com");
        QCOMPARE(m_platform.commands.size(), size_t(1));
        QCOMPARE(m_platform.starts.size(), size_t(1));
        QCOMPARE(m_platform.starts.front().program, std::string("/usr/bin/other"));
    }

    void formA_malformedEntryFallsBackToTheProgramAlone()
    {
        m_platform.answer = "/usr/bin/browser";
        m_platform.entry = launch::DesktopEntry{"browser \"unterminated %u", "", "Browser", ""};
        runBrowserDiscovery();
        openInBrowser("http://www.abc.com");
        QVERIFY(m_platform.commands.empty());
        QCOMPARE(m_platform.starts.size(), size_t(1));
        QCOMPARE(m_platform.starts.front().argument, std::string("http://www.abc.com"));
    }

    void formA_twoLaunchesStartTheBrowserTwice()
    {
        BrowserPath = "/usr/bin/browser";
        openInBrowser("http://www.quorvel-abc-rmt.com");
        openInBrowser("http://www.quorvel-abc-cto.com");

        QCOMPARE(m_platform.starts.size(), size_t(2));
        QCOMPARE(m_platform.starts[0].argument, std::string("http://www.quorvel-abc-rmt.com"));
        QCOMPARE(m_platform.starts[1].argument, std::string("http://www.quorvel-abc-cto.com"));
        QCOMPARE(m_platform.starts[0].program, std::string("/usr/bin/browser"));
        QCOMPARE(m_platform.starts[1].program, std::string("/usr/bin/browser"));
    }

    void formA_usesTheBrowserOfTheLatestDiscovery()
    {
        m_platform.answer = "/usr/bin/first";
        runBrowserDiscovery();
        openInBrowser("http://www.abc.com");
        m_platform.answer = "/opt/second browser/run";
        runBrowserDiscovery();
        openInBrowser("http://www.abc.com");

        QCOMPARE(m_platform.starts.size(), size_t(2));
        QCOMPARE(m_platform.starts[0].program, std::string("/usr/bin/first"));
        QCOMPARE(m_platform.starts[1].program, std::string("/opt/second browser/run"));
    }

    // --- form B ----------------------------------------------------------------------------------------------

    void formB_handsTheAddressToTheDesktop_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QString>("address");

        QTest::newRow("figure address") << "/usr/bin/browser"
                                        << "http://www.quorvel-abc-piq.com";
        QTest::newRow("plain address") << "/usr/bin/browser"
                                       << "http://www.abc.com";
        QTest::newRow("no browser found") << ""
                                          << "http://www.quorvel-abc-rmt.com";
    }

    void formB_handsTheAddressToTheDesktop()
    {
        QFETCH(QString, browser);
        QFETCH(QString, address);

        BrowserPath = browser.toStdString();
        openWithShell(address.toStdString());
        openWithShell(address.toStdString());

        QVERIFY(m_platform.starts.empty());
        QCOMPARE(m_platform.opens.size(), size_t(2));
        for (const Open& open : m_platform.opens) {
            QCOMPARE(QString::fromStdString(open.address), address);
        }
    }

    // --- the seam --------------------------------------------------------------------------------------------

    void platform_replacementAndRestore()
    {
        QCOMPARE(&launch::platform(), static_cast<launch::Platform*>(&m_platform));
        launch::setPlatform(nullptr);
        QVERIFY(&launch::platform() != static_cast<launch::Platform*>(&m_platform));
    }

    void systemPlatform_formBWithoutAGraphicalApplicationIsSilent()
    {
        // This executable runs without a graphical application (QTEST_GUILESS_MAIN): the desktop's services are
        // out of reach, and opening an address must neither crash nor hang.
        const auto system = launch::makeSystemPlatform();
        system->openAddress("http://www.abc.com");
        system->openAddress("");
    }
};

QTEST_GUILESS_MAIN(LaunchUnitTest)
#include "LaunchUnitTest.moc"
