// quorvel-code --check run as a process against a fake RDAP server that this test serves on a loopback port.
#include "tests/availability/FakeRdapServer.h"
#include "tests/cli/ProgramRun.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using quorvel::test::FakeRdapServer;
using Behaviour = FakeRdapServer::Behaviour;

namespace {

using Run = quorvel::test::RunResult;
using quorvel::test::Stream;
using quorvel::test::utf8;
using enum Stream;

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
    // The runs started without QProcess, waited for while this process serves the fake server.
    const quorvel::test::ProgramRun m_program{
        QUORVEL_CODE_PATH, m_home.path(),
        [](const std::function<bool()>& done, int timeoutMs) { return QTest::qWaitFor(done, timeoutMs); }};

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
        if ((Stream(out) == Full || Stream(err) == Full) && access("/dev/full", W_OK) != 0) {
            QSKIP("no /dev/full here");
        }
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("ab.com"), Behaviour::Registered);
        const Run result = m_program.run(utf8(bootstrapArgs(server) +
                                              QStringList{QStringLiteral("--lang"), QStringLiteral("en"),
                                                          QStringLiteral("--endings"), QStringLiteral("net")} +
                                              names),
                                         {}, Stream(in), Stream(out), Stream(err));
        QCOMPARE(result.status, status);
        QCOMPARE(result.out, expectedOut);
        if (Stream(err) == File) {
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
        // Nothing is read until the pipe has no room for one more report (or the program has ended).
        const auto piped = m_program.runIntoFullPipe(utf8(arguments), int(sizeof AbReport - 1));
        QVERIFY(piped.capacity > 0 && piped.capacity < count * int(sizeof AbReport - 1));
        QVERIFY(piped.full);
        QVERIFY(piped.drained);
        QCOMPARE(piped.err, QByteArray());
        QCOMPARE(piped.status, 0);
        const QByteArray& out = piped.out;
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
        // Scripts read a stable code beside the words, and the expiry date the registry gives.
        auto field = [&](const char* domain, const char* name) {
            return availability.value(QLatin1String(domain)).toObject().value(QLatin1String(name));
        };
        QCOMPARE(field("abc.org", "reason_code").toString(), QStringLiteral("server-error"));
        QVERIFY(field("abc.com", "reason_code").isNull());
        QCOMPARE(field("abc.com", "expires").toString(), QStringLiteral("2027-08-13T04:00:00Z"));
        QVERIFY(field("abc.net", "expires").isUndefined());
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

    void availabilityOptionsNeedCheck_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("error");
        const QByteArray see = "; see quorvel-code --help\n";
        QTest::addRow("endings alone") << QStringList{"--endings", "net", "abc"}
                                       << "quorvel-code: options --endings and --rdap-bootstrap go with --check" + see;
        QTest::addRow("bootstrap alone") << QStringList{"--rdap-bootstrap=https://127.0.0.1/x", "abc"}
                                         << "quorvel-code: options --endings and --rdap-bootstrap go with --check" +
                                                see;
        QTest::addRow("no value") << QStringList{"--check", "abc", "--endings"}
                                  << "quorvel-code: option '--endings' needs a value" + see;
        QTest::addRow("check takes none")
            << QStringList{"--check=yes", "abc"} << "quorvel-code: option '--check=yes' takes no value" + see;
    }
    void availabilityOptionsNeedCheck()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, error);
        const Run result = run(arguments);
        QCOMPARE(result.status, 2);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.err, error);
        // After "--" they are names.
        const Run names = run({QStringLiteral("--"), QStringLiteral("--endings"), QStringLiteral("--check")});
        QCOMPARE(names.status, 0);
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("--rdap-bootstrap URL"));
    }

    void aBootstrapThatIsNotAnAddressIsAUsageError_data()
    {
        QTest::addColumn<bool>("fromVariable");
        QTest::addColumn<QString>("address");
        for (const bool variable : {false, true}) {
            const char* source = variable ? "variable" : "option";
            QTest::addRow("%s word", source) << variable << QStringLiteral("notaurl");
            QTest::addRow("%s path", source) << variable << QStringLiteral("/tmp/dns.json");
            QTest::addRow("%s file", source) << variable << QStringLiteral("file:///tmp/dns.json");
            QTest::addRow("%s remote http", source) << variable << QStringLiteral("http://example.com/dns.json");
        }
    }
    void aBootstrapThatIsNotAnAddressIsAUsageError()
    {
        QFETCH(bool, fromVariable);
        QFETCH(QString, address);
        QStringList arguments = {QStringLiteral("--check"), QStringLiteral("abc")};
        if (fromVariable) {
            qputenv("QUORVEL_RDAP_BOOTSTRAP", address.toUtf8());
        } else {
            arguments << QStringLiteral("--rdap-bootstrap") << address;
        }
        const Run result = run(arguments);
        qunsetenv("QUORVEL_RDAP_BOOTSTRAP");
        QCOMPARE(result.status, 2);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.err.count('\n'), 1);
        QVERIFY2(result.err.contains(address.toUtf8()), result.err.constData());
        QVERIFY(result.err.contains(fromVariable ? "QUORVEL_RDAP_BOOTSTRAP" : "--rdap-bootstrap"));
    }

    void anEndingThatCannotBeIsAUsageError()
    {
        const Run result = run(
            {QStringLiteral("--check"), QStringLiteral("--endings"), QStringLiteral("net n@t"), QStringLiteral("abc")});
        QCOMPARE(result.status, 2);
        QCOMPARE(result.out, QByteArray());
        QCOMPARE(result.err.count('\n'), 1);
        QVERIFY2(result.err.contains("\"n@t\""), result.err.constData());
    }

    void aBootstrapThatCannotBeReadMakesEveryAnswerUnknownAtOnce()
    {
        const QUrl refused = FakeRdapServer::refusedAddress(QStringLiteral("/dns.json"));
        QElapsedTimer clock;
        clock.start();
        const Run result = run({QStringLiteral("--check"), QStringLiteral("--rdap-bootstrap"), refused.toString(),
                                QStringLiteral("--json"), QStringLiteral("--lang"), QStringLiteral("en"),
                                QStringLiteral("abc"), QStringLiteral("xyz")});
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(result.status, 3);
        const QList<QByteArray> lines = result.out.trimmed().split('\n');
        QCOMPARE(lines.size(), 2);
        for (const QByteArray& line : lines) {
            const QJsonObject availability =
                QJsonDocument::fromJson(line).object().value(QLatin1String("availability")).toObject();
            QCOMPARE(availability.size(), 7);
            for (const QJsonValue& answer : availability) {
                QCOMPARE(answer.toObject().value(QLatin1String("reason_code")).toString(),
                         QStringLiteral("bootstrap-unavailable"));
                QVERIFY(answer.toObject()
                            .value(QLatin1String("reason"))
                            .toString()
                            .contains(QStringLiteral("the IANA list of RDAP servers could not be read")));
            }
        }
    }

    void withNoNetworkAtAllEveryAnswerSaysSoWithinSeconds()
    {
        // A real offline machine: a network namespace of its own, with nothing but a loopback that is down.
        if (QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty() ||
            QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-rn"), QStringLiteral("true")}) != 0) {
            QSKIP("no network namespaces for this user here");
        }
        QStringList arguments = {QStringLiteral("-rn"), QStringLiteral(QUORVEL_CODE_PATH), QStringLiteral("--check"),
                                 QStringLiteral("--json")};
        for (int i = 0; i < 20; ++i) {
            arguments << QStringLiteral("name%1").arg(i);
        }
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), m_home.filePath(QStringLiteral("offline-cache")));
        environment.remove(QStringLiteral("QUORVEL_RDAP_BOOTSTRAP"));
        process.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        process.start(QStringLiteral("unshare"), arguments);
        QVERIFY(process.waitForFinished(30000));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(process.exitCode(), 3);
        const QList<QByteArray> lines = process.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 20);
        for (const QByteArray& line : lines) {
            const QJsonObject availability =
                QJsonDocument::fromJson(line).object().value(QLatin1String("availability")).toObject();
            QCOMPARE(availability.size(), 7);
            for (const QJsonValue& answer : availability) {
                QCOMPARE(answer.toObject().value(QLatin1String("reason_code")).toString(), QStringLiteral("offline"));
                QCOMPARE(answer.toObject().value(QLatin1String("reason")).toString(),
                         QStringLiteral("sin conexión: no se pudo llegar a ningún servidor"));
            }
        }
    }

    void helpTellsTheCheckTheReasonCodesAndTheExitStatuses()
    {
        const Run help = run({QStringLiteral("--help")});
        QCOMPARE(help.status, 0);
        const QByteArray usageLine = help.out.left(help.out.indexOf('\n'));
        QVERIFY2(usageLine.contains("--check"), usageLine.constData());
        for (const char* code : {"offline", "name-resolution", "bootstrap-unavailable", "no-service", "timeout",
                                 "rate-limited", "server-error", "not-rdap", "name-mismatch", "redirect-loop", "tls"}) {
            QVERIFY2(help.out.contains(code), code);
        }
        // The exit statuses are told once, all four together.
        QCOMPARE(help.out.count("Exit status"), 1);
        const QByteArray exits = help.out.mid(help.out.indexOf("Exit status"));
        for (const char* status : {"0 when", "1 when", "2 for", "3 with --check"}) {
            QVERIFY2(exits.contains(status), status);
        }
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
