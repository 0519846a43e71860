// Look-ups against a fake RDAP server on a loopback port: how each kind of answer reads, the manners towards
// the server, the reuse of answers, cancellation and the bootstrap file's cache.
#include "availability/Checker.h"

#include "availability/Domains.h"
#include "tests/availability/FakeRdapServer.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::availability;
using quorvel::test::FakeRdapServer;
using Behaviour = FakeRdapServer::Behaviour;

Q_DECLARE_METATYPE(quorvel::availability::Status)
Q_DECLARE_METATYPE(quorvel::availability::Reason)
Q_DECLARE_METATYPE(FakeRdapServer::Behaviour)

namespace {

// Collects the answers of a checker by domain.
struct Answers
{
    explicit Answers(Checker& checker)
    {
        QObject::connect(&checker, &Checker::answered, &context,
                         [this](const QString& domain, const Answer& answer) { byDomain.insert(domain, answer); });
    }
    bool waitFor(const QStringList& domains, int timeoutMs = 10000)
    {
        return QTest::qWaitFor(
            [&] {
                for (const QString& domain : domains) {
                    if (!byDomain.contains(domain)) {
                        return false;
                    }
                }
                return true;
            },
            timeoutMs);
    }
    QObject context;
    QHash<QString, Answer> byDomain;
};

} // namespace

class CheckerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_cache;

    CheckerConfig configFor(const FakeRdapServer& server)
    {
        CheckerConfig config;
        config.bootstrapAddress = server.bootstrapAddress();
        config.bootstrapCachePath = m_cache->filePath(QStringLiteral("quorvel/rdap-dns.json"));
        config.transferTimeoutMs = 500;
        return config;
    }

private Q_SLOTS:
    void init() { m_cache = std::make_unique<QTemporaryDir>(); }

    void eachAnswerReadsAsItShould_data()
    {
        QTest::addColumn<Behaviour>("behaviour");
        QTest::addColumn<Status>("status");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<int>("requests");
        QTest::newRow("200 same name") << Behaviour::Registered << Status::Registered << Reason::None << 1;
        QTest::newRow("200 other name") << Behaviour::OtherName << Status::Unknown << Reason::NameMismatch << 1;
        QTest::newRow("404") << Behaviour::NotFound << Status::NotRegistered << Reason::None << 1;
        QTest::newRow("429 then 200") << Behaviour::RateLimitedOnce << Status::Registered << Reason::None << 2;
        QTest::newRow("429 twice") << Behaviour::RateLimited << Status::Unknown << Reason::RateLimited << 2;
        QTest::newRow("500") << Behaviour::ServerError << Status::Unknown << Reason::ServerError << 1;
        QTest::newRow("no answer in time") << Behaviour::Silent << Status::Unknown << Reason::Timeout << 1;
        QTest::newRow("not JSON") << Behaviour::NotJson << Status::Unknown << Reason::NotRdap << 1;
        QTest::newRow("connection closed") << Behaviour::CloseConnection << Status::Unknown << Reason::Network << -1;
        QTest::newRow("redirect loop") << Behaviour::RedirectLoop << Status::Unknown << Reason::TooManyRedirects << 4;
        QTest::newRow("redirect to plain HTTP")
            << Behaviour::RedirectToPlainHttp << Status::Unknown << Reason::InsecureServer << 1;
    }
    void eachAnswerReadsAsItShould()
    {
        QFETCH(Behaviour, behaviour);
        QFETCH(Status, status);
        QFETCH(Reason, reason);
        QFETCH(int, requests);
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("abc.com"), behaviour);
        Checker checker(configFor(server));
        Answers answers(checker);
        QObject requester;
        QElapsedTimer clock;
        clock.start();
        checker.check({QStringLiteral("abc.com")}, &requester);
        QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        const Answer answer = answers.byDomain.value(QStringLiteral("abc.com"));
        QCOMPARE(answer.status, status);
        QCOMPARE(answer.reason, reason);
        if (requests > 0) {
            QCOMPARE(server.requestsFor.value(QStringLiteral("abc.com")), requests);
        } else {
            QVERIFY(server.requestsFor.value(QStringLiteral("abc.com")) >= 1);
        }
        if (behaviour == Behaviour::RateLimitedOnce || behaviour == Behaviour::RateLimited) {
            QVERIFY2(clock.elapsed() >= 1000, "the retry came before the second the server asked for");
        }
        QCOMPARE(checker.pendingCount(), 0);
    }

    void requestsSayWhoAsksAndWhatForm()
    {
        FakeRdapServer server;
        Checker checker(configFor(server));
        Answers answers(checker);
        checker.check({QStringLiteral("abc.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        QCOMPARE(server.requestHeaders.size(), 1);
        QVERIFY(server.requestHeaders[0].value("user-agent").startsWith("Quorvel/1."));
        QVERIFY(server.requestHeaders[0].value("accept").contains("application/rdap+json"));
    }

    void nothingIsSentBeforeACheck()
    {
        FakeRdapServer server;
        Checker checker(configFor(server));
        QTest::qWait(300);
        QCOMPARE(server.bootstrapRequests, 0);
        QCOMPARE(server.domainRequests, 0);
    }

    void atMostFourRequestsAreInFlightToOneServer()
    {
        FakeRdapServer server;
        server.answerDelayMs = 100;
        Checker checker(configFor(server));
        Answers answers(checker);
        QStringList domains;
        for (int i = 0; i < 20; ++i) {
            domains << QStringLiteral("name%1.com").arg(i);
        }
        checker.check(domains, this);
        QVERIFY(answers.waitFor(domains));
        QCOMPARE(server.domainRequests, 20);
        QCOMPARE(server.maxInFlight, 4);
    }

    void oneLookUpServesEveryoneWhoAsks()
    {
        FakeRdapServer server;
        server.answerDelayMs = 50;
        Checker checker(configFor(server));
        Answers answers(checker);
        QObject first;
        QObject second;
        checker.check({QStringLiteral("abc.com")}, &first);
        checker.check({QStringLiteral("abc.com")}, &second);
        QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        QCOMPARE(server.requestsFor.value(QStringLiteral("abc.com")), 1);
    }

    void answersAreReusedForTenMinutes()
    {
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("kept.com"), Behaviour::Registered);
        server.setBehaviour(QStringLiteral("flaky.com"), Behaviour::ServerError);
        qint64 now = 1000000;
        CheckerConfig config = configFor(server);
        config.clock = [&now] { return now; };
        Checker checker(config);
        Answers answers(checker);
        const QStringList both = {QStringLiteral("kept.com"), QStringLiteral("flaky.com")};

        checker.check(both, this);
        QVERIFY(answers.waitFor(both));
        now += 9 * 60 * 1000 + 59 * 1000; // 9 min 59 s later
        answers.byDomain.clear();
        checker.check(both, this);
        QVERIFY(answers.waitFor(both));
        QCOMPARE(server.requestsFor.value(QStringLiteral("kept.com")), 1);
        // A failure is not kept: asking again tries again.
        QCOMPARE(server.requestsFor.value(QStringLiteral("flaky.com")), 2);

        now += 2 * 1000; // 10 min 1 s after the first answer
        answers.byDomain.clear();
        checker.check({QStringLiteral("kept.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("kept.com")}));
        QCOMPARE(server.requestsFor.value(QStringLiteral("kept.com")), 2);
    }

    void keptAnswersAreBoundedInNumber()
    {
        FakeRdapServer server;
        CheckerConfig config = configFor(server);
        config.maxKeptAnswers = 2;
        Checker checker(config);
        Answers answers(checker);
        const QStringList three = {QStringLiteral("a1.com"), QStringLiteral("a2.com"), QStringLiteral("a3.com")};
        for (const QString& domain : three) {
            checker.check({domain}, this);
            QVERIFY(answers.waitFor({domain}));
        }
        answers.byDomain.clear();
        checker.check(three, this);
        QVERIFY(answers.waitFor(three));
        // The oldest was forgotten and asked again; the two newest were still kept.
        QCOMPARE(server.requestsFor.value(QStringLiteral("a1.com")), 2);
        QCOMPARE(server.requestsFor.value(QStringLiteral("a3.com")), 1);
    }

    void cancellingAbortsWhatOnlyThatRequesterWanted()
    {
        FakeRdapServer server;
        server.defaultBehaviour = Behaviour::Silent;
        CheckerConfig config = configFor(server);
        config.transferTimeoutMs = 30000;
        Checker checker(config);
        Answers answers(checker);
        auto requester = std::make_unique<QObject>();
        QObject other;
        QStringList mine;
        for (int i = 0; i < 6; ++i) {
            mine << QStringLiteral("mine%1.com").arg(i);
        }
        checker.check(mine, requester.get());
        checker.check({QStringLiteral("shared.com"), QStringLiteral("mine0.com")}, &other);
        QTRY_COMPARE(server.inFlight, 4);
        requester.reset(); // a window that closes
        QCOMPARE(checker.pendingCount(), 2);
        // The aborted transfers leave the server; the other requester's two go on.
        QTRY_COMPARE(server.inFlight, 2);
        QTest::qWait(100);
        // Only the shared look-up was started in a freed place; nothing cancelled was sent.
        QCOMPARE(server.domainRequests, 5);
        QVERIFY(answers.byDomain.isEmpty());
        checker.cancel(&other);
        QCOMPARE(checker.pendingCount(), 0);
        QTRY_COMPARE(server.inFlight, 0);
        QTest::qWait(100);
        QVERIFY(answers.byDomain.isEmpty());
    }

    void destroyingTheCheckerMidRequestIsSafe()
    {
        FakeRdapServer server;
        server.defaultBehaviour = Behaviour::Silent;
        auto checker = std::make_unique<Checker>(configFor(server));
        checker->check({QStringLiteral("abc.com"), QStringLiteral("def.com")}, this);
        QTRY_COMPARE(server.inFlight, 2);
        checker.reset();
        QTRY_COMPARE(server.inFlight, 0);
    }

    void endingsWithoutAServerAreUnknownWithoutARequest()
    {
        FakeRdapServer server;
        Checker checker(configFor(server));
        Answers answers(checker);
        checker.check({QStringLiteral("abc.zz"), QStringLiteral("abc-.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("abc.zz"), QStringLiteral("abc-.com")}));
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.zz")).reason, Reason::NoService);
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc-.com")).reason, Reason::InvalidName);
        QCOMPARE(server.domainRequests, 0);
    }

    void plainHttpServersAwayFromLoopbackAreRefused()
    {
        FakeRdapServer server;
        server.bootstrapBody = "{\"services\":[[[\"com\"],[\"http://rdap.example.com/\"]]]}";
        Checker checker(configFor(server));
        Answers answers(checker);
        checker.check({QStringLiteral("abc.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.com")).reason, Reason::InsecureServer);
    }

    void theBootstrapFileIsKeptAsItsHeadersAllow_data()
    {
        QTest::addColumn<QByteArray>("cacheControl");
        QTest::addColumn<bool>("kept");
        QTest::addColumn<qint64>("keptSeconds");
        QTest::newRow("an hour") << QByteArray("max-age=3600") << true << qint64(3600);
        QTest::newRow("a month, cut to a week") << QByteArray("public, max-age=2592000") << true << qint64(604800);
        QTest::newRow("not to be stored") << QByteArray("no-store") << false << qint64(0);
    }
    void theBootstrapFileIsKeptAsItsHeadersAllow()
    {
        QFETCH(QByteArray, cacheControl);
        QFETCH(bool, kept);
        QFETCH(qint64, keptSeconds);
        FakeRdapServer server;
        server.bootstrapHeaders = {{"Cache-Control", cacheControl}, {"ETag", "\"v1\""}};
        const CheckerConfig config = configFor(server);
        {
            Checker checker(config);
            Answers answers(checker);
            checker.check({QStringLiteral("abc.com")}, this);
            QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        }
        QCOMPARE(server.bootstrapRequests, 1);
        QCOMPARE(QFile::exists(config.bootstrapCachePath), kept);
        if (!kept) {
            return;
        }
        const auto cached = readCachedBootstrap(config.bootstrapCachePath);
        QVERIFY(cached.has_value());
        const qint64 left = QDateTime::currentDateTimeUtc().secsTo(cached->expires);
        QVERIFY2(left <= keptSeconds && left >= keptSeconds - 60, qPrintable(QString::number(left)));

        // A second run within that time reads the kept file and does not ask for it again.
        Checker again(config);
        Answers answers(again);
        again.check({QStringLiteral("def.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("def.com")}));
        QCOMPARE(server.bootstrapRequests, 1);
        QCOMPARE(answers.byDomain.value(QStringLiteral("def.com")).status, Status::NotRegistered);
    }

    void anOutOfDateBootstrapFileIsFetchedAgain()
    {
        FakeRdapServer server;
        CheckerConfig config = configFor(server);
        CachedBootstrap old;
        old.source = server.bootstrapAddress().toString();
        old.expires = QDateTime::currentDateTimeUtc().addSecs(-10);
        old.body = "{\"services\":[]}";
        QVERIFY(writeCachedBootstrap(config.bootstrapCachePath, old));
        server.bootstrapHeaders = {{"Cache-Control", "max-age=600"}};
        Checker checker(config);
        Answers answers(checker);
        checker.check({QStringLiteral("abc.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        QCOMPARE(server.bootstrapRequests, 1);
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.com")).status, Status::NotRegistered);
    }

    void aBootstrapFileThatCannotBeHadFallsBackToWhatIsBuiltIn()
    {
        const Bootstrap builtIn = Bootstrap::builtIn();
        QCOMPARE(builtIn.serverFor(QStringLiteral("abc.com")),
                 QUrl(QStringLiteral("https://rdap.verisign.com/com/v1/")));
        QCOMPARE(builtIn.serverFor(QStringLiteral("abc.net")),
                 QUrl(QStringLiteral("https://rdap.verisign.com/net/v1/")));
        QVERIFY(builtIn.serverFor(QStringLiteral("abc.org")).isEmpty());

        // The built-in servers are not loopback, so a test only sees the answer for an ending they lack.
        FakeRdapServer server;
        server.bootstrapStatus = 500;
        Checker checker(configFor(server));
        Answers answers(checker);
        checker.check({QStringLiteral("abc.org")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("abc.org")}));
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.org")).reason, Reason::NoService);
        QCOMPARE(server.domainRequests, 0);
    }

    void bootstrapFilesAreReadAsTheyAreWritten()
    {
        const auto bootstrap = Bootstrap::parse(
            QByteArrayLiteral("{\"version\":\"1.0\",\"services\":["
                              "[[\"com\",\"NET\"],[\"http://example.com/rdap\",\"https://example.com/rdap/\"]],"
                              "[[\"uk\"],[\"https://uk.example/\"]],"
                              "[[\"co.uk\"],[\"https://co-uk.example/\"]]]}"));
        QVERIFY(bootstrap.has_value());
        QCOMPARE(bootstrap->serverFor(QStringLiteral("abc.net")), QUrl(QStringLiteral("https://example.com/rdap/")));
        QCOMPARE(bootstrap->serverFor(QStringLiteral("abc.co.uk")), QUrl(QStringLiteral("https://co-uk.example/")));
        QCOMPARE(bootstrap->serverFor(QStringLiteral("abc.uk")), QUrl(QStringLiteral("https://uk.example/")));
        QVERIFY(!Bootstrap::parse("<html>").has_value());
        QVERIFY(!Bootstrap::parse("{\"version\":\"1.0\"}").has_value());
    }

    void cachingHeadersGiveTheTimeToKeep_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint64>("seconds"); // -1: not to be stored
        QTest::newRow("max-age") << QByteArray("Cache-Control") << QByteArray("max-age=120") << qint64(120);
        QTest::newRow("no-cache") << QByteArray("Cache-Control") << QByteArray("no-cache") << qint64(0);
        QTest::newRow("no-store") << QByteArray("Cache-Control") << QByteArray("max-age=9, no-store") << qint64(-1);
        QTest::newRow("expires") << QByteArray("Expires") << QByteArray("Tue, 08 Dec 2026 13:00:00 GMT")
                                 << qint64(3600);
        QTest::newRow("expires past") << QByteArray("Expires") << QByteArray("Tue, 08 Dec 2026 11:00:00 GMT")
                                      << qint64(0);
        QTest::newRow("bad expires") << QByteArray("Expires") << QByteArray("0") << qint64(0);
        QTest::newRow("last modified 10 days")
            << QByteArray("Last-Modified") << QByteArray("Sat, 28 Nov 2026 12:00:00 GMT") << qint64(86400);
        QTest::newRow("nothing") << QByteArray("X-Other") << QByteArray("1") << qint64(0);
        QTest::newRow("beyond a week") << QByteArray("Cache-Control") << QByteArray("max-age=99999999")
                                       << qint64(604800);
    }
    void cachingHeadersGiveTheTimeToKeep()
    {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, value);
        QFETCH(qint64, seconds);
        const QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
        const auto fresh = freshSeconds({{header, value}, {"Date", "Tue, 08 Dec 2026 12:00:00 GMT"}}, now, 604800);
        QCOMPARE(fresh.value_or(-1), seconds);
    }

    void domainsOfANameAndItsEndings()
    {
        QCOMPARE(parseEndings(QStringLiteral(" NET, .org;org com x_y co.uk")),
                 QStringList({QStringLiteral("net"), QStringLiteral("org"), QStringLiteral("co.uk")}));
        QCOMPARE(domainsOf("abc", {QStringLiteral("net")}),
                 QStringList({QStringLiteral("abc.com"), QStringLiteral("quorvel-abc-rmt.com"),
                              QStringLiteral("quorvel-abc-cto.com"), QStringLiteral("quorvel-abc-tlx.com"),
                              QStringLiteral("quorvel-abc-piq.com"), QStringLiteral("abc.net")}));
        QVERIFY(domainsOf("", {QStringLiteral("net")}).isEmpty());
        QVERIFY(isValidDomain(QStringLiteral("a-b.com")));
        QVERIFY(isValidDomain(QStringLiteral("xn--bcher-kva.com")));
        QVERIFY(!isValidDomain(QStringLiteral("ab--c.com")));
        QVERIFY(!isValidDomain(QStringLiteral("abc-.com")));
        QVERIFY(!isValidDomain(QStringLiteral("com")));
        QVERIFY(!isValidDomain(QString(64, u'a') + QStringLiteral(".com")));
    }

    void unknownAnswersSayWhyInBothLanguages()
    {
        const Answer mismatch = Answer::unknown(Reason::NameMismatch, QStringLiteral("other.com"));
        QCOMPARE(reasonText(mismatch, UiLanguage::English),
                 QStringLiteral("the server answered for another name (other.com)"));
        QCOMPARE(reasonText(mismatch, UiLanguage::Spanish),
                 QStringLiteral("el servidor respondió por otro nombre (other.com)"));
        QVERIFY(reasonText(Answer::registered(), UiLanguage::English).isEmpty());
        QCOMPARE(statusText(Status::NotRegistered, UiLanguage::Spanish), QStringLiteral("no registrado"));
        QCOMPARE(statusWord(Status::NotRegistered), QStringLiteral("not-registered"));
    }
};

QTEST_GUILESS_MAIN(CheckerTest)
#include "CheckerTest.moc"
