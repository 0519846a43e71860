// quorvel-code --check run as a process against a fake RDAP server that this test serves on a loopback port.
#include "tests/availability/FakeRdapServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

using quorvel::test::FakeRdapServer;
using Behaviour = FakeRdapServer::Behaviour;

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Where a standard stream of the program goes in the runs that set each one up.
enum Stream
{
    File,   // a file (standard input: an empty one), read back after the run
    Closed, // no descriptor at all
    Full,   // /dev/full: every write fails with "no space left"
};

// The report of "ab" for a person, in English, with the .com domains only and none of them registered.
constexpr char AbReport[] = "ab\n"
                            "  http://www.ab.com  not registered\n"
                            "  http://www.quorvel-ab-rlk.com  not registered\n"
                            "  http://www.quorvel-ab-cki.com  not registered\n"
                            "  http://www.quorvel-ab-tux.com  not registered\n"
                            "  http://www.quorvel-ab-pnq.com  not registered\n";

} // namespace

class QuorvelCodeCheckTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    // Runs quorvel-code with the arguments and input while this process serves the fake server.
    Run run(const QStringList& arguments, const QByteArray& input = {}, int timeoutMs = 30000)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("cache")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUORVEL_CODE_PATH), arguments);
        if (!process.waitForStarted()) {
            return {};
        }
        process.write(input);
        process.closeWriteChannel();
        Run result;
        (void)QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
        result.err = process.readAllStandardError();
        return result;
    }

    static QStringList bootstrapArgs(const FakeRdapServer& server)
    {
        return {QStringLiteral("--check"), QStringLiteral("--rdap-bootstrap"), server.bootstrapAddress().toString()};
    }

    // Starts quorvel-code with the arguments; the file actions set up its standard streams.
    static pid_t start(const QStringList& arguments, const posix_spawn_file_actions_t* actions)
    {
        std::vector<QByteArray> texts{QByteArrayLiteral(QUORVEL_CODE_PATH)};
        for (const QString& argument : arguments) {
            texts.push_back(argument.toUtf8());
        }
        std::vector<char*> argv;
        for (QByteArray& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        return posix_spawn(&pid, QUORVEL_CODE_PATH, actions, nullptr, argv.data(), environ) == 0 ? pid : -1;
    }

    // Serves the fake server until the program ends. Returns its exit status, or -1 when it did not exit normally
    // in time.
    static int finish(pid_t pid, int timeoutMs = 30000)
    {
        int status = 0;
        pid_t ended = 0;
        (void)QTest::qWaitFor(
            [&] {
                ended = waitpid(pid, &status, WNOHANG);
                return ended != 0;
            },
            timeoutMs);
        if (ended == 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        return ended == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Has the program ended? It is left to be waited for.
    static bool ended(pid_t pid)
    {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
    }

    // Runs quorvel-code with each standard stream set up as given; what went to files comes back in the result.
    Run runWith(const QStringList& arguments, Stream in, Stream out, Stream err)
    {
        const QByteArray inPath = m_home.filePath(QStringLiteral("in")).toLocal8Bit();
        const QByteArray outPath = m_home.filePath(QStringLiteral("out")).toLocal8Bit();
        const QByteArray errPath = m_home.filePath(QStringLiteral("err")).toLocal8Bit();
        for (const QByteArray& path : {inPath, outPath, errPath}) {
            QFile file(QString::fromLocal8Bit(path));
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                return {};
            }
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        struct Setup
        {
            int fd;
            Stream stream;
            const QByteArray& path;
        };
        for (const Setup& setup : {Setup{0, in, inPath}, Setup{1, out, outPath}, Setup{2, err, errPath}}) {
            switch (setup.stream) {
            case File:
                posix_spawn_file_actions_addopen(&actions, setup.fd, setup.path.constData(),
                                                 setup.fd == 0 ? O_RDONLY : O_WRONLY, 0);
                break;
            case Closed:
                posix_spawn_file_actions_addclose(&actions, setup.fd);
                break;
            case Full:
                posix_spawn_file_actions_addopen(&actions, setup.fd, "/dev/full", O_WRONLY, 0);
                break;
            }
        }
        const pid_t pid = start(arguments, &actions);
        posix_spawn_file_actions_destroy(&actions);
        Run result;
        if (pid < 0) {
            return result;
        }
        result.status = finish(pid);
        for (const auto& [path, target] : {std::pair{&outPath, &result.out}, std::pair{&errPath, &result.err}}) {
            QFile file(QString::fromLocal8Bit(*path));
            if (file.open(QIODevice::ReadOnly)) {
                *target = file.readAll();
            }
        }
        return result;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The runs started here without QProcess keep the bootstrap file where the others do.
        qputenv("XDG_CACHE_HOME", m_home.filePath(QStringLiteral("cache")).toLocal8Bit());
    }

    void eachStandardStreamFailsOnItsOwn_data()
    {
        QTest::addColumn<int>("in");
        QTest::addColumn<int>("out");
        QTest::addColumn<int>("err");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("expectedOut");
        QTest::addColumn<QByteArray>("expectedErr"); // compared when the error output is a file

        const QStringList names = {QStringLiteral("a b"), QStringLiteral("xyz")};
        const QByteArray reports = "ab\n"
                                   "  http://www.ab.com  registered\n"
                                   "  http://www.quorvel-ab-rlk.com  not registered\n"
                                   "  http://www.quorvel-ab-cki.com  not registered\n"
                                   "  http://www.quorvel-ab-tux.com  not registered\n"
                                   "  http://www.quorvel-ab-pnq.com  not registered\n"
                                   "  http://www.ab.net  not registered\n"
                                   "xyz\n"
                                   "  http://www.xyz.com  not registered\n"
                                   "  http://www.quorvel-xyz-rmb.com  not registered\n"
                                   "  http://www.quorvel-xyz-cbo.com  not registered\n"
                                   "  http://www.quorvel-xyz-tpz.com  not registered\n"
                                   "  http://www.quorvel-xyz-pzp.com  not registered\n"
                                   "  http://www.xyz.net  not registered\n";
        const QByteArray notice = "\"a b\"\n  The character  2 is erroneous.It will be eliminated.\n";
        // A lost notice costs only the notice: every answer still comes, and the exit status tells the loss.
        QTest::newRow("both outputs files") << int(File) << int(File) << int(File) << names << 0 << reports << notice;
        QTest::newRow("error output closed")
            << int(File) << int(File) << int(Closed) << names << 1 << reports << QByteArray();
        QTest::newRow("error output full")
            << int(File) << int(File) << int(Full) << names << 1 << reports << QByteArray();
        // A lost answer stops the run and is told on the error output, after the notices written before.
        QTest::newRow("output closed") << int(File) << int(Closed) << int(File) << names << 1 << QByteArray()
                                       << notice + "quorvel-code: cannot write standard output: Bad file descriptor\n";
        QTest::newRow("output full") << int(File) << int(Full) << int(File) << names << 1 << QByteArray()
                                     << notice +
                                            "quorvel-code: cannot write standard output: No space left on device\n";
        // Standard input closed is told as such, never read from something else that took its place.
        QTest::newRow("input closed") << int(Closed) << int(File) << int(File) << QStringList() << 1 << QByteArray()
                                      << QByteArray("quorvel-code: cannot read standard input: Bad file descriptor\n");
    }

    void eachStandardStreamFailsOnItsOwn()
    {
        QFETCH(int, in);
        QFETCH(int, out);
        QFETCH(int, err);
        QFETCH(QStringList, names);
        QFETCH(int, status);
        QFETCH(QByteArray, expectedOut);
        QFETCH(QByteArray, expectedErr);
        if ((out == Full || err == Full) && access("/dev/full", W_OK) != 0) {
            QSKIP("no /dev/full here");
        }
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("ab.com"), Behaviour::Registered);
        const Run result = runWith(bootstrapArgs(server) +
                                       QStringList{QStringLiteral("--lang"), QStringLiteral("en"),
                                                   QStringLiteral("--endings"), QStringLiteral("net")} +
                                       names,
                                   Stream(in), Stream(out), Stream(err));
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, expectedOut);
        if (err == File) {
            QCOMPARE(result.err, expectedErr);
        }
    }

    void aNonBlockingOutputThatFillsUpLosesNothing()
    {
        // Whoever started the program may have left its output pipe non-blocking; a reader slower than the program
        // then finds the pipe full now and then, which is no failure. Every input is "ab", so all the reports are
        // complete at once, with the answers for ab's domains, and are written one after another into a pipe of one
        // page that cannot hold them all.
        FakeRdapServer server;
        const int count = 40;
        QStringList arguments = bootstrapArgs(server) + QStringList{QStringLiteral("--lang"), QStringLiteral("en"),
                                                                    QStringLiteral("--endings"), QString()};
        for (int i = 0; i < count; ++i) {
            arguments << QStringLiteral("ab");
        }
        int pipeFds[2];
        QCOMPARE(pipe2(pipeFds, O_CLOEXEC), 0);
        QVERIFY(fcntl(pipeFds[1], F_SETPIPE_SZ, 4096) >= 0);
        const int capacity = fcntl(pipeFds[0], F_GETPIPE_SZ);
        QVERIFY(capacity > 0 && capacity < count * int(sizeof AbReport - 1));
        QCOMPARE(fcntl(pipeFds[1], F_SETFL, fcntl(pipeFds[1], F_GETFL) | O_NONBLOCK), 0);
        QCOMPARE(fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK), 0);
        const QByteArray errPath = m_home.filePath(QStringLiteral("burst-err")).toLocal8Bit();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const pid_t pid = start(arguments, &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        if (pid < 0) {
            close(pipeFds[0]);
            QFAIL("quorvel-code did not start");
        }
        // Nothing is read until the pipe has no room for one more report (or the program has ended).
        const bool full = QTest::qWaitFor(
            [&] {
                int queued = 0;
                return ended(pid) ||
                       (ioctl(pipeFds[0], FIONREAD, &queued) == 0 && queued > capacity - int(sizeof AbReport - 1));
            },
            30000);
        QByteArray out;
        const bool drained = QTest::qWaitFor(
            [&] {
                char buffer[4096];
                for (;;) {
                    const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
                    if (got > 0) {
                        out.append(buffer, got);
                    } else {
                        return got == 0 || (errno != EAGAIN && errno != EINTR);
                    }
                }
            },
            30000);
        close(pipeFds[0]);
        const int status = finish(pid);
        QVERIFY(full);
        QVERIFY(drained);
        QFile err(QString::fromLocal8Bit(errPath));
        QVERIFY(err.open(QIODevice::ReadOnly));
        QCOMPARE(err.readAll(), QByteArray());
        QCOMPARE(status, 0);
        QCOMPARE(out.size(), count * qsizetype(sizeof AbReport - 1));
        for (qsizetype at = 0; at < out.size(); at += qsizetype(sizeof AbReport - 1)) {
            QCOMPARE(out.mid(at, qsizetype(sizeof AbReport - 1)), QByteArray(AbReport));
        }
    }

    void jsonGainsTheAnswerOfEveryDomain()
    {
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("abc.com"), Behaviour::Registered);
        server.setBehaviour(QStringLiteral("abc.org"), Behaviour::ServerError);
        const Run result = run(bootstrapArgs(server) + QStringList{QStringLiteral("--json"), QStringLiteral("--lang"),
                                                                   QStringLiteral("en"), QStringLiteral("--endings"),
                                                                   QStringLiteral("net,org"), QStringLiteral("AbC")});
        QCOMPARE(result.status, 3); // some answer unknown
        const QList<QByteArray> lines = result.out.split('\n');
        QCOMPARE(lines.size(), 2);
        QJsonParseError error{};
        const QJsonObject object = QJsonDocument::fromJson(lines[0], &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.value(QLatin1String("name")).toString(), QStringLiteral("abc"));
        const QJsonObject availability = object.value(QLatin1String("availability")).toObject();
        const QStringList expectedDomains = {QStringLiteral("abc.com"),
                                             QStringLiteral("quorvel-abc-rmt.com"),
                                             QStringLiteral("quorvel-abc-cto.com"),
                                             QStringLiteral("quorvel-abc-tlx.com"),
                                             QStringLiteral("quorvel-abc-piq.com"),
                                             QStringLiteral("abc.net"),
                                             QStringLiteral("abc.org")};
        QCOMPARE(availability.keys().size(), expectedDomains.size());
        for (const QString& domain : expectedDomains) {
            QVERIFY2(availability.contains(domain), qPrintable(domain));
        }
        auto statusOf = [&](const char* domain) {
            return availability.value(QLatin1String(domain)).toObject().value(QLatin1String("status")).toString();
        };
        QCOMPARE(statusOf("abc.com"), QStringLiteral("registered"));
        QCOMPARE(statusOf("abc.net"), QStringLiteral("not-registered"));
        QCOMPARE(statusOf("abc.org"), QStringLiteral("unknown"));
        QCOMPARE(availability.value(QLatin1String("abc.org")).toObject().value(QLatin1String("reason")).toString(),
                 QStringLiteral("server error (HTTP 500)"));
        QVERIFY(availability.value(QLatin1String("abc.com")).toObject().value(QLatin1String("reason")).isNull());
        // The rest of the object is as without --check.
        QCOMPARE(object.value(QLatin1String("plain")).toString(), QStringLiteral("http://www.abc.com"));
    }

    void textModePrintsTheStatusBesideEachAddress()
    {
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("abc.com"), Behaviour::Registered);
        const Run result = run(bootstrapArgs(server) +
                               QStringList{QStringLiteral("--endings"), QStringLiteral("net"), QStringLiteral("abc")});
        QCOMPARE(result.status, 0);
        const QString out = QString::fromUtf8(result.out);
        QVERIFY2(out.startsWith(QStringLiteral("abc\n  http://www.abc.com  registrado\n"
                                               "  http://www.quorvel-abc-rmt.com  no registrado\n")),
                 qPrintable(out));
        QVERIFY2(out.endsWith(QStringLiteral("  http://www.abc.net  no registrado\n")), qPrintable(out));
        QCOMPARE(out.count(u'\n'), 7);
    }

    void everyAnswerKnownExitsWithZero_andNamesFromInputComeOutInOrder()
    {
        FakeRdapServer server;
        server.answerDelayMs = 20;
        QByteArray input;
        QStringList names;
        for (int i = 0; i < 40; ++i) {
            names << QStringLiteral("name%1").arg(i);
            input += names.last().toLatin1() + '\n';
        }
        server.setBehaviour(QStringLiteral("name0.com"), Behaviour::Registered);
        const Run result =
            run(bootstrapArgs(server) + QStringList{QStringLiteral("--json"), QStringLiteral("--endings"), QString()},
                input);
        QCOMPARE(result.status, 0);
        const QList<QByteArray> lines = result.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 40);
        for (int i = 0; i < 40; ++i) {
            const QJsonObject object = QJsonDocument::fromJson(lines[i]).object();
            QCOMPARE(object.value(QLatin1String("name")).toString(), names[i]);
            QCOMPARE(object.value(QLatin1String("availability")).toObject().size(), 5);
        }
        QCOMPARE(server.domainRequests, 200);
        QCOMPARE(server.maxInFlight, 4);
    }

    void emptyAndTooLongInputsHaveNoAnswers()
    {
        FakeRdapServer server;
        const Run result =
            run(bootstrapArgs(server) + QStringList{QStringLiteral("--json")}, "-\n" + QByteArray(140000, 'a') + "\n");
        QCOMPARE(result.status, 1); // the long line could not be coded
        const QList<QByteArray> lines = result.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY(QJsonDocument::fromJson(lines[0]).object().value(QLatin1String("availability")).isNull());
        QVERIFY(QJsonDocument::fromJson(lines[1]).object().contains(QLatin1String("error")));
        QCOMPARE(server.domainRequests, 0);
    }

    void aServerThatFailsMakesEveryAnswerUnknown()
    {
        FakeRdapServer server;
        server.defaultBehaviour = Behaviour::CloseConnection;
        const Run result = run(bootstrapArgs(server) +
                               QStringList{QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("abc")});
        QCOMPARE(result.status, 3);
        QVERIFY(!result.out.contains("not registered"));
        QCOMPARE(result.out.count("unknown (network failure"), 7);
    }

    void availabilityOptionsNeedCheck()
    {
        const Run result = run({QStringLiteral("--endings"), QStringLiteral("net"), QStringLiteral("abc")});
        QCOMPARE(result.status, 2);
        QVERIFY(result.err.contains("--check"));
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("--rdap-bootstrap URL"));
    }

    void withoutCheckNothingIsAsked_andTheVariableNamesTheBootstrap()
    {
        FakeRdapServer server;
        qputenv("QUORVEL_RDAP_BOOTSTRAP", server.bootstrapAddress().toEncoded());
        const Run result = run({QStringLiteral("--json"), QStringLiteral("abc")});
        const Run checked = run({QStringLiteral("--check"), QStringLiteral("--json"), QStringLiteral("abc")});
        qunsetenv("QUORVEL_RDAP_BOOTSTRAP");
        QCOMPARE(result.status, 0);
        QVERIFY(!result.out.contains("availability"));
        // The variable names the bootstrap address when the option does not.
        QCOMPARE(checked.status, 0);
        QCOMPARE(server.bootstrapRequests, 1);
        QCOMPARE(server.domainRequests, 7);
    }
};

QTEST_GUILESS_MAIN(QuorvelCodeCheckTest)
#include "QuorvelCodeCheckTest.moc"
