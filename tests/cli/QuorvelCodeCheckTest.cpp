// quorvel-code --check run as a process against a fake RDAP server that this test serves on a loopback port.
#include "tests/availability/FakeRdapServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using quorvel::test::FakeRdapServer;
using Behaviour = FakeRdapServer::Behaviour;

namespace {

struct Run
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

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

private Q_SLOTS:
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
