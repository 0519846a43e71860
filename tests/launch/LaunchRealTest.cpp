// Discovery and launching for real: GIO answers from a sandboxed desktop, and the launched "browser" is a script
// that records its arguments. GIO reads the XDG folders once per process, so main() prepares them before anything
// else runs; the case that needs other folders runs in a child copy of this program.
#include "launch/Browser.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <optional>

using namespace quorvel;

namespace {

constexpr auto DiscoverOption = "--discover";

// The desktop the tests run against, all below one temporary folder.
class Sandbox
{
public:
    QTemporaryDir root;

    QString path(const QString& relative) const { return root.filePath(relative); }
    QString dataHome() const { return path(QStringLiteral("data")); }
    QString configHome() const { return path(QStringLiteral("config")); }
    QString applications() const { return path(QStringLiteral("data/applications")); }
    // Only the MIME database of the system, none of its programs: a browser installed on this machine must
    // not answer where a test needs a desktop that has none.
    QString systemMimeOnly() const { return path(QStringLiteral("system")); }

    QString browser() const { return path(QStringLiteral("bin/fakebrowser")); }
    QString otherBrowser() const { return path(QStringLiteral("other browsers/fake browser")); }
    QString editor() const { return path(QStringLiteral("bin/fakeeditor")); }
    QString fileManager() const { return path(QStringLiteral("bin/fakefiles")); }
    // Started through wrappers and odd command lines by their desktop entries.
    QString envLogger() const { return path(QStringLiteral("bin/envlogger")); }
    QString flatpakLike() const { return path(QStringLiteral("bin/flatpak")); }
    QString blankBrowser() const { return path(QStringLiteral("other browsers/blank browser")); }
    static QString logOf(const QString& program) { return program + QStringLiteral(".log"); }

    bool build(QString& problem)
    {
        if (!root.isValid()) {
            problem = QStringLiteral("no temporary folder");
            return false;
        }
        for (const QString& folder : {applications(), configHome(), systemMimeOnly(), path(QStringLiteral("bin")),
                                      path(QStringLiteral("other browsers")), path(QStringLiteral("no-config"))}) {
            QDir().mkpath(folder);
        }
        if (!QFile::link(QStringLiteral("/usr/share/mime"), systemMimeOnly() + QStringLiteral("/mime"))) {
            problem = QStringLiteral("cannot link the MIME database");
            return false;
        }
        const bool written =
            writeScript(browser()) && writeScript(otherBrowser()) && writeScript(editor()) &&
            writeScript(fileManager()) && writeDesktopEntry(QStringLiteral("fakebrowser"), browser(), "text/html;") &&
            writeDesktopEntry(QStringLiteral("otherbrowser"), otherBrowser(), "text/html;") &&
            writeDesktopEntry(QStringLiteral("fakeeditor"), editor(), "text/plain;") && writeWrappedEntries() &&
            // Claims file: URIs, the first thing GIO's default-handler query would take.
            writeDesktopEntry(QStringLiteral("fakefiles"), fileManager(), "x-scheme-handler/file;inode/directory;") &&
            associate("text/html=fakebrowser.desktop");
        if (!written) {
            problem = QStringLiteral("cannot write the sandbox");
            return false;
        }
        if (QProcess::execute(QStringLiteral("update-desktop-database"), {applications()}) != 0) {
            problem = QStringLiteral("update-desktop-database failed (is desktop-file-utils installed?)");
            return false;
        }
        return true;
    }

    // Replaces the user's associations (written whole and renamed into place, as desktops do).
    bool associate(const QByteArray& htmlLine, const QByteArray& added = {}) const
    {
        QByteArray text = "[Default Applications]\n" + htmlLine + "\nx-scheme-handler/file=fakefiles.desktop\n";
        if (!added.isEmpty()) {
            text += "[Added Associations]\n" + added + "\n";
        }
        return writeFile(configHome() + QStringLiteral("/mimeapps.list"), text, false);
    }

    void exportEnvironment() const
    {
        qputenv("XDG_DATA_HOME", dataHome().toUtf8());
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
        qputenv("XDG_CONFIG_DIRS", path(QStringLiteral("no-config")).toUtf8());
        // The system folder stays reachable so that .htm is known as text/html.
        qputenv("XDG_DATA_DIRS", "/usr/share");
        qunsetenv("XDG_CURRENT_DESKTOP");
        const QString runtime = path(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    }

private:
    static bool writeFile(const QString& name, const QByteArray& text, bool executable)
    {
        const QString staging = name + QStringLiteral(".new");
        QFile file(staging);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
            return false;
        }
        file.close();
        if (executable && !file.setPermissions(file.permissions() | QFile::ExeOwner)) {
            return false;
        }
        return std::rename(QFile::encodeName(staging).constData(), QFile::encodeName(name).constData()) == 0;
    }

    // The fake program appends one record per start, in a single write: "argc=N", then each argument on a line.
    static bool writeScript(const QString& program)
    {
        const QByteArray log = logOf(program).toUtf8();
        return writeFile(program,
                         "#!/bin/sh\n"
                         "record=\"argc=$#\"\n"
                         "for arg in \"$@\"; do record=\"$record\n$arg\"; done\n"
                         "printf '%s\\n' \"$record\" >> '" +
                             log + "'\n",
                         true);
    }

    // Entries whose Exec line is more than a program and %u, as desktops install them: an env wrapper, a
    // Flatpak-like launcher, a quoted argument with blanks beside a path with blanks, a shell, the other codes.
    bool writeWrappedEntries() const
    {
        const QByteArray browserPath = browser().toUtf8();
        return writeScript(flatpakLike()) && writeScript(blankBrowser()) &&
               writeFile(envLogger(),
                         "#!/bin/sh\n"
                         "record=\"argc=$(($# + 1))\nQUORVEL_WRAPPED=$QUORVEL_WRAPPED\"\n"
                         "for arg in \"$@\"; do record=\"$record\n$arg\"; done\n"
                         "printf '%s\\n' \"$record\" >> '" +
                             logOf(envLogger()).toUtf8() + "'\n",
                         true) &&
               writeRawEntry("envbrowser", "env QUORVEL_WRAPPED=yes \"" + envLogger().toUtf8() + "\" %u") &&
               writeRawEntry("flatpakbrowser", "\"" + flatpakLike().toUtf8() +
                                                   "\" run --branch=stable --arch=x86_64 --command=firefox "
                                                   "org.mozilla.firefox @@u %u @@") &&
               writeRawEntry("blankbrowser", "\"" + blankBrowser().toUtf8() + "\" \"--profile=my profile\" %U") &&
               // Quoting inside the key's string value: \\ stands for one backslash, \\$ for a dollar sign.
               writeRawEntry("shbrowser", "sh -c \"exec \\\\\"\\\\$0\\\\\" --from-shell \\\\\"\\\\$1\\\\\"\" \"" +
                                              browserPath + "\" %u") &&
               writeRawEntry("codesbrowser", "\"" + browserPath + "\" %i %c %k 100%% %u", "Icon=web-icon\n");
    }

    bool writeRawEntry(const QString& id, const QByteArray& exec, const QByteArray& extra = {}) const
    {
        return writeFile(applications() + QLatin1Char('/') + id + QStringLiteral(".desktop"),
                         "[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=" + exec + "\n" + extra +
                             "MimeType=text/html;\n",
                         false);
    }

    bool writeDesktopEntry(const QString& id, const QString& program, const QByteArray& types) const
    {
        return writeFile(applications() + QLatin1Char('/') + id + QStringLiteral(".desktop"),
                         "[Desktop Entry]\nType=Application\nName=" + id.toUtf8() + "\nExec=\"" + program.toUtf8() +
                             "\" %u\nMimeType=" + types + "\n",
                         false);
    }
};

Sandbox* g_sandbox = nullptr;
bool g_pollTimedOut = false;

// Records read back from a fake program's log: each is the list of arguments of one start.
using Starts = QList<QStringList>;

std::optional<Starts> parseLog(const QString& logFile)
{
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly)) {
        return Starts{};
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    Starts starts;
    qsizetype at = 0;
    while (at < lines.size() && !lines[at].isEmpty()) {
        if (!lines[at].startsWith(QStringLiteral("argc="))) {
            return std::nullopt;
        }
        const qsizetype count = lines[at].mid(5).toInt();
        if (at + 1 + count > lines.size()) {
            return std::nullopt; // still being written
        }
        starts.append(lines.mid(at + 1, count));
        at += 1 + count;
    }
    return starts;
}

// How long a poll may wait. Once one poll has given up, the desktop or the library is broken and later polls try
// only once, so a failing run still ends well within the test's time-out (and removes its sandbox).
int patienceMs()
{
    return g_pollTimedOut ? 0 : 5000;
}

// Waits, within a bound, for the log to hold the given number of starts.
Starts waitForStarts(const QString& logFile, qsizetype count)
{
    std::optional<Starts> starts;
    const bool arrived = QTest::qWaitFor(
        [&] {
            starts = parseLog(logFile);
            return starts && starts->size() >= count;
        },
        patienceMs());
    if (!arrived) {
        g_pollTimedOut = true;
    }
    return starts.value_or(Starts{});
}

// GIO notices changed associations through a file monitor; a later discovery sees them within a short time.
bool discoverUntil(const QString& expected)
{
    const bool found = QTest::qWaitFor(
        [&] {
            runBrowserDiscovery();
            return QString::fromStdString(BrowserPath) == expected;
        },
        patienceMs());
    if (!found) {
        g_pollTimedOut = true;
    }
    return found;
}

// Waits until GIO itself offers the given desktop entry for text/html. While GIO catches up with a rewritten
// association it can for a moment offer another entry of the same program, whose command line differs.
bool gioOffers(const QString& desktopId)
{
    const bool offered = QTest::qWaitFor(
        [&] {
            QString id;
            if (GAppInfo* info = g_app_info_get_default_for_type("text/html", FALSE)) {
                id = QString::fromUtf8(g_app_info_get_id(info));
                g_object_unref(info);
            }
            return id == desktopId;
        },
        patienceMs());
    if (!offered) {
        g_pollTimedOut = true;
    }
    return offered;
}

// The child: one discovery in the environment it was given, and which desktop entry GIO itself offers for text/html.
int discoverAndPrint()
{
    runBrowserDiscovery();
    std::string gioAnswer;
    if (GAppInfo* info = g_app_info_get_default_for_type("text/html", FALSE)) {
        if (const char* id = g_app_info_get_id(info)) {
            gioAnswer = id;
        }
        g_object_unref(info);
    }
    std::printf("BrowserPath=%s\nGIO=%s\n", BrowserPath.c_str(), gioAnswer.c_str());
    return 0;
}

class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> caught;

public Q_SLOTS:
    void catchUrl(const QUrl& url) { caught.append(url); }
};

} // namespace

class LaunchRealTest : public QObject
{
    Q_OBJECT

private:
    const Sandbox& sandbox() const { return *g_sandbox; }

    void clearLogs() const
    {
        for (const QString& program : {sandbox().browser(), sandbox().otherBrowser(), sandbox().editor(),
                                       sandbox().envLogger(), sandbox().flatpakLike(), sandbox().blankBrowser()}) {
            QFile::remove(Sandbox::logOf(program));
        }
    }

private Q_SLOTS:
    void init() { clearLogs(); }

    void cleanup()
    {
        // Every test starts from the first association (other entries start the same program: wait for GIO to
        // offer this one).
        QVERIFY(sandbox().associate("text/html=fakebrowser.desktop"));
        QVERIFY(gioOffers(QStringLiteral("fakebrowser.desktop")));
        QVERIFY(discoverUntil(sandbox().browser()));
    }

    // Runs first, in a process where nothing has asked GIO anything yet.
    void discovery_findsTheAssociatedProgramsFullPath()
    {
        const QString tmp = QDir::tempPath();
        const QStringList before = QDir(tmp).entryList({QStringLiteral("quorvel-*.htm")}, QDir::Files);

        runBrowserDiscovery();

        QCOMPARE(QString::fromStdString(BrowserPath), sandbox().browser());
        QCOMPARE(DiscoveryResult, 1);
        QCOMPARE(QDir(tmp).entryList({QStringLiteral("quorvel-*.htm")}, QDir::Files), before);
    }

    void formA_startsTheBrowserWithEachAddressAsOneArgument_data()
    {
        QTest::addColumn<QString>("association");
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("addresses");

        const QString figure = QStringLiteral("http://www.quorvel-abc-rmt.com");
        const QString plain = QStringLiteral("http://www.abc.com");
        QTest::newRow("one launch") << "fakebrowser" << sandbox().browser() << QStringList{figure};
        QTest::newRow("two launches start twice") << "fakebrowser" << sandbox().browser() << QStringList{figure, plain};
        QTest::newRow("program under a folder with a blank")
            << "otherbrowser" << sandbox().otherBrowser() << QStringList{plain};
        QTest::newRow("no shell in between")
            << "fakebrowser" << sandbox().browser() << QStringList{QStringLiteral("http://www.a.com/$(id) x;y 'z'")};
    }

    void formA_startsTheBrowserWithEachAddressAsOneArgument()
    {
        QFETCH(QString, association);
        QFETCH(QString, program);
        QFETCH(QStringList, addresses);

        QVERIFY(sandbox().associate("text/html=" + association.toUtf8() + ".desktop"));
        QVERIFY(gioOffers(association + QStringLiteral(".desktop")));
        QVERIFY2(discoverUntil(program), BrowserPath.c_str());

        for (const QString& address : addresses) {
            openInBrowser(address.toStdString());
        }
        Starts starts = waitForStarts(Sandbox::logOf(program), addresses.size());
        std::sort(starts.begin(), starts.end());
        Starts expected;
        for (const QString& address : addresses) {
            expected.append(QStringList{address});
        }
        std::sort(expected.begin(), expected.end());
        QCOMPARE(starts, expected);
    }

    void formA_startsTheEntrysWholeCommandLine_data()
    {
        QTest::addColumn<QString>("association");
        QTest::addColumn<QString>("program"); // BrowserPath: the program of the command line
        QTest::addColumn<QString>("logged");  // the logging script at the end of the chain
        QTest::addColumn<QStringList>("arguments");

        const QString address = QStringLiteral("http://www.quorvel-abc-rmt.com");
        QTest::newRow("env wrapper") << "envbrowser" << QStandardPaths::findExecutable(QStringLiteral("env"))
                                     << sandbox().envLogger()
                                     << QStringList{QStringLiteral("QUORVEL_WRAPPED=yes"), address};
        QTest::newRow("flatpak-like launcher") << "flatpakbrowser" << sandbox().flatpakLike() << sandbox().flatpakLike()
                                               << QStringList{QStringLiteral("run"),
                                                              QStringLiteral("--branch=stable"),
                                                              QStringLiteral("--arch=x86_64"),
                                                              QStringLiteral("--command=firefox"),
                                                              QStringLiteral("org.mozilla.firefox"),
                                                              QStringLiteral("@@u"),
                                                              address,
                                                              QStringLiteral("@@")};
        QTest::newRow("path with blanks and a quoted argument with blanks")
            << "blankbrowser" << sandbox().blankBrowser() << sandbox().blankBrowser()
            << QStringList{QStringLiteral("--profile=my profile"), address};
        QTest::newRow("shell command line")
            << "shbrowser" << QStandardPaths::findExecutable(QStringLiteral("sh")) << sandbox().browser()
            << QStringList{QStringLiteral("--from-shell"), address};
        QTest::newRow("icon, name, location and a percent sign")
            << "codesbrowser" << sandbox().browser() << sandbox().browser()
            << QStringList{
                   QStringLiteral("--icon"),       QStringLiteral("web-icon"),
                   QStringLiteral("codesbrowser"), sandbox().applications() + QStringLiteral("/codesbrowser.desktop"),
                   QStringLiteral("100%"),         address};
    }

    void formA_startsTheEntrysWholeCommandLine()
    {
        QFETCH(QString, association);
        QFETCH(QString, program);
        QFETCH(QString, logged);
        QFETCH(QStringList, arguments);

        QVERIFY(!program.isEmpty());
        QVERIFY(sandbox().associate("text/html=" + association.toUtf8() + ".desktop"));
        QVERIFY(gioOffers(association + QStringLiteral(".desktop")));
        QVERIFY2(discoverUntil(program), BrowserPath.c_str());

        openInBrowser("http://www.quorvel-abc-rmt.com");
        QCOMPARE(waitForStarts(Sandbox::logOf(logged), 1), Starts{arguments});
    }

    void formA_withoutABrowserAClickDiscoversAgain()
    {
        // No temporary folder at first: nothing is found, and a click then finds nothing either.
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", sandbox().path(QStringLiteral("missing")).toUtf8());
        runBrowserDiscovery();
        QVERIFY(BrowserPath.empty());
        openInBrowser("http://www.abc.com");
        QVERIFY(BrowserPath.empty());
        qputenv("TMPDIR", saved);
        if (saved.isEmpty()) {
            qunsetenv("TMPDIR");
        }

        // With the folder back, the next click finds the browser and opens the address, without a restart.
        openInBrowser("http://www.abc.com");
        QCOMPARE(QString::fromStdString(BrowserPath), sandbox().browser());
        QCOMPARE(waitForStarts(Sandbox::logOf(sandbox().browser()), 1), Starts{{QStringLiteral("http://www.abc.com")}});
    }

    void discovery_followsAChangedAssociation()
    {
        runBrowserDiscovery();
        QCOMPARE(QString::fromStdString(BrowserPath), sandbox().browser());

        QVERIFY(sandbox().associate("text/html=otherbrowser.desktop"));
        QVERIFY2(discoverUntil(sandbox().otherBrowser()), BrowserPath.c_str());

        // Later launches use the new program, not the one found before.
        openInBrowser("http://www.quorvel-abc-cto.com");
        QCOMPARE(waitForStarts(Sandbox::logOf(sandbox().otherBrowser()), 1),
                 Starts{{QStringLiteral("http://www.quorvel-abc-cto.com")}});
        QCOMPARE(parseLog(Sandbox::logOf(sandbox().browser())), std::optional<Starts>(Starts{}));
    }

    void discovery_acceptsAProgramTheUserAssociatedByHand()
    {
        // The editor does not list text/html itself, but the user added it for the type.
        QVERIFY(sandbox().associate("text/html=fakeeditor.desktop", "text/html=fakeeditor.desktop;"));
        QVERIFY2(discoverUntil(sandbox().editor()), BrowserPath.c_str());
    }

    void discovery_rejectsTheTextEditorGioFallsBackTo()
    {
        // A desktop with no program for text/html, only a text/plain editor (and a handler of file: URIs).
        const QString data = sandbox().path(QStringLiteral("bare/data"));
        const QString config = sandbox().path(QStringLiteral("bare/config"));
        QVERIFY(QDir().mkpath(data + QStringLiteral("/applications")));
        QVERIFY(QDir().mkpath(config));
        for (const QString& id : {QStringLiteral("fakeeditor.desktop"), QStringLiteral("fakefiles.desktop")}) {
            QVERIFY(QFile::copy(sandbox().applications() + QLatin1Char('/') + id,
                                data + QStringLiteral("/applications/") + id));
        }
        QCOMPARE(QProcess::execute(QStringLiteral("update-desktop-database"), {data + QStringLiteral("/applications")}),
                 0);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_DATA_HOME"), data);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), sandbox().systemMimeOnly());
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(DiscoverOption)});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        const QString output = QString::fromUtf8(child.readAllStandardOutput());

        // GIO itself offers the editor; discovery must not take it for the browser.
        QVERIFY2(output.contains(QStringLiteral("GIO=fakeeditor.desktop\n")), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("BrowserPath=\n")), qPrintable(output));
    }

    void discovery_withoutATemporaryFolderLeavesBrowserPathEmpty()
    {
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", sandbox().path(QStringLiteral("missing")).toUtf8());
        runBrowserDiscovery();
        const std::string found = BrowserPath;
        openInBrowser("http://www.abc.com"); // discovers again, still without a folder
        qputenv("TMPDIR", saved);
        if (saved.isEmpty()) {
            qunsetenv("TMPDIR");
        }
        QCOMPARE(QString::fromStdString(found), QString());

        // A launch with the browser found before: once its start is logged, a stray start of the launch above
        // would have been logged before it.
        BrowserPath = sandbox().browser().toStdString();
        openInBrowser("http://www.after.com");
        QCOMPARE(waitForStarts(Sandbox::logOf(sandbox().browser()), 1),
                 Starts{QStringList{QStringLiteral("http://www.after.com")}});
    }

    void formB_handsTheAddressToTheDesktopsHandler_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QList<QUrl>>("expected");

        QTest::newRow("figure address") << "http://www.quorvel-abc-piq.com"
                                        << QList<QUrl>{QUrl(QStringLiteral("http://www.quorvel-abc-piq.com"))};
        QTest::newRow("plain address") << "http://www.abc.com"
                                       << QList<QUrl>{QUrl(QStringLiteral("http://www.abc.com"))};
        QTest::newRow("text without a scheme is no address") << "www.abc.com" << QList<QUrl>{};
        QTest::newRow("empty") << "" << QList<QUrl>{};
    }

    void formB_handsTheAddressToTheDesktopsHandler()
    {
        QFETCH(QString, address);
        QFETCH(QList<QUrl>, expected);

        // Whatever is not a web address would reach the desktop as a file name: catch those too.
        UrlCatcher web;
        UrlCatcher other;
        const QString otherSchemes[] = {QStringLiteral("file"), QString()};
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &web, "catchUrl");
        for (const QString& scheme : otherSchemes) {
            QDesktopServices::setUrlHandler(scheme, &other, "catchUrl");
        }
        openWithShell(address.toStdString());
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        for (const QString& scheme : otherSchemes) {
            QDesktopServices::unsetUrlHandler(scheme);
        }

        QCOMPARE(web.caught, expected);
        QCOMPARE(other.caught, QList<QUrl>{});
    }
};

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], DiscoverOption) == 0) {
        QCoreApplication app(argc, argv);
        return discoverAndPrint();
    }

    Sandbox sandbox;
    QString problem;
    if (!sandbox.build(problem)) {
        std::fprintf(stderr, "cannot prepare the desktop sandbox: %s\n", qPrintable(problem));
        return 1;
    }
    sandbox.exportEnvironment();
    g_sandbox = &sandbox;

    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    LaunchRealTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LaunchRealTest.moc"
