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
#include <QTimer>

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

        // IANA's file fails; the built-in servers (here the fake one, for .com and .net) answer what they know,
        // and an ending they lack is told as the missing file, not as an ending without a service.
        FakeRdapServer iana;
        iana.bootstrapStatus = 500;
        FakeRdapServer builtInServer;
        builtInServer.setBehaviour(QStringLiteral("bad.com"), Behaviour::ServerError);
        CheckerConfig config = configFor(iana);
        config.fallback = *Bootstrap::parse(builtInServer.bootstrapBody.replace("\"org\"", "\"example\""));
        Checker checker(config);
        Answers answers(checker);
        const QStringList domains = {QStringLiteral("abc.org"), QStringLiteral("abc.com"), QStringLiteral("bad.com")};
        checker.check(domains, this);
        QVERIFY(answers.waitFor(domains));
        const Answer org = answers.byDomain.value(QStringLiteral("abc.org"));
        QCOMPARE(org.reason, Reason::BootstrapUnavailable);
        QCOMPARE(reasonText(org, UiLanguage::English),
                 QStringLiteral("the IANA list of RDAP servers could not be read (%1)")
                     .arg(iana.bootstrapAddress().toString()));
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.com")).status, Status::NotRegistered);
        const Answer bad = answers.byDomain.value(QStringLiteral("bad.com"));
        QCOMPARE(bad.reason, Reason::ServerError);
        QVERIFY(bad.viaBuiltIn);
        QCOMPARE(reasonText(bad, UiLanguage::English),
                 QStringLiteral("server error (HTTP 500) (the built-in server was asked: the IANA list could not be "
                                "read)"));
        QCOMPARE(builtInServer.domainRequests, 2);
        QCOMPARE(iana.domainRequests, 0);
        QCOMPARE(iana.bootstrapRequests, 1);
    }

    void ianasFileIsAskedForAgainSomeTimeAfterItFailed()
    {
        FakeRdapServer iana;
        iana.bootstrapStatus = 500;
        FakeRdapServer builtInServer;
        CheckerConfig config = configFor(iana);
        config.fallback = *Bootstrap::parse(builtInServer.bootstrapBody);
        qint64 clock = 0;
        config.clock = [&clock] { return clock; };
        Checker checker(config);
        Answers answers(checker);
        checker.check({QStringLiteral("first.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("first.com")}));
        clock += config.offlineHoldMs; // soon after: the built-in servers still serve
        checker.check({QStringLiteral("second.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("second.com")}));
        QCOMPARE(iana.bootstrapRequests, 1);
        QCOMPARE(builtInServer.domainRequests, 2);
        iana.bootstrapStatus = 200;
        clock += 3 * config.offlineHoldMs; // a minute later IANA's file is asked for, and its servers used
        checker.check({QStringLiteral("third.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("third.com")}));
        QCOMPARE(iana.bootstrapRequests, 2);
        QCOMPARE(iana.domainRequests, 1);
        QCOMPARE(builtInServer.domainRequests, 2);
    }

    // How each kind of unreachable source or network is told, and how soon, for a hundred domains at once.
    void unreachableSourcesAndNetworksAreToldQuicklyAndTruly_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<int>("withinMs");
        // The user's own bootstrap is the only source: nothing else is asked when it fails.
        QTest::newRow("given bootstrap refused") << "given-refused" << Reason::BootstrapUnavailable << 3000;
        QTest::newRow("given bootstrap black hole") << "given-silent" << Reason::BootstrapUnavailable << 3000;
        QTest::newRow("given bootstrap 500") << "given-500" << Reason::BootstrapUnavailable << 3000;
        QTest::newRow("given bootstrap unusable") << "given-unusable" << Reason::BootstrapUnavailable << 500;
        // IANA's file and the built-in servers all out of reach: the machine has no connection.
        QTest::newRow("every connection refused") << "all-refused" << Reason::Offline << 3000;
        QTest::newRow("every name unknown") << "names-not-found" << Reason::NameResolution << 3000;
        QTest::newRow("name server silent") << "resolver-silent" << Reason::NameResolution << 3000;
        QTest::newRow("name server failing") << "resolver-failing" << Reason::NameResolution << 3000;
    }
    void unreachableSourcesAndNetworksAreToldQuicklyAndTruly()
    {
        QFETCH(QString, setup);
        QFETCH(Reason, reason);
        QFETCH(int, withinMs);
        FakeRdapServer server;
        CheckerConfig config = configFor(server);
        int lookups = 0;
        if (setup.startsWith(QLatin1String("given"))) {
            config.bootstrapGiven = true;
            if (setup == QLatin1String("given-refused")) {
                config.bootstrapAddress = FakeRdapServer::refusedAddress(QStringLiteral("/dns.json"));
            } else if (setup == QLatin1String("given-silent")) {
                server.bootstrapSilent = true;
            } else if (setup == QLatin1String("given-500")) {
                server.bootstrapStatus = 500;
            } else {
                config.givenBootstrapText = QStringLiteral("notaurl");
                config.bootstrapAddress = usableBootstrapAddress(config.givenBootstrapText);
                QVERIFY(!config.bootstrapAddress.isValid());
            }
        } else if (setup == QLatin1String("all-refused")) {
            config.bootstrapAddress = FakeRdapServer::refusedAddress(QStringLiteral("/dns.json"));
            const QUrl refused = FakeRdapServer::refusedAddress(QStringLiteral("/rdap/"));
            config.fallback =
                *Bootstrap::parse("{\"services\":[[[\"com\",\"net\"],[\"" + refused.toEncoded() + "\"]]]}");
        } else {
            // Names that need a name server; the resolver stands in for it, so nothing leaves this machine.
            config.bootstrapAddress = QUrl(QStringLiteral("https://bootstrap.quorvel.test/dns.json"));
            config.fallback =
                *Bootstrap::parse("{\"services\":[[[\"com\",\"net\"],[\"https://rdap.quorvel.test/\"]]]}");
            config.resolveTimeoutMs = 1000;
            config.resolver = [&lookups, setup](const QString&, QObject* context,
                                                std::function<void(Resolution)> done) {
                ++lookups;
                if (setup == QLatin1String("resolver-silent")) {
                    return;
                }
                const Resolution outcome =
                    setup == QLatin1String("names-not-found") ? Resolution::NotFound : Resolution::Failed;
                QTimer::singleShot(20, context, [done, outcome] { done(outcome); });
            };
        }
        Checker checker(config);
        Answers answers(checker);
        QStringList domains;
        for (int i = 0; i < 100; ++i) {
            domains << QStringLiteral("name%1.com").arg(i) << QStringLiteral("name%1.org").arg(i);
        }
        QElapsedTimer clock;
        clock.start();
        checker.check(domains, this);
        QVERIFY(answers.waitFor(domains, 10000));
        QVERIFY2(clock.elapsed() <= withinMs, qPrintable(QString::number(clock.elapsed())));
        for (const QString& domain : std::as_const(domains)) {
            QCOMPARE(answers.byDomain.value(domain).reason, reason);
        }
        QCOMPARE(server.domainRequests, 0);
        QVERIFY(lookups <= 2);

        // Once the connection is known to be down, later names are answered at once.
        if (reason == Reason::Offline || reason == Reason::NameResolution) {
            clock.restart();
            checker.check({QStringLiteral("later.com")}, this);
            QVERIFY(answers.waitFor({QStringLiteral("later.com")}, 1000));
            QVERIFY(clock.elapsed() < 200);
            QCOMPARE(answers.byDomain.value(QStringLiteral("later.com")).reason, reason);
        }
    }

    void oneServerOutOfReachIsThatServersTrouble()
    {
        // The list comes; only the server for .org refuses: that is a failed connection, not "offline".
        FakeRdapServer server;
        const QUrl refused = FakeRdapServer::refusedAddress(QStringLiteral("/rdap/"));
        server.bootstrapBody.replace("[[\"org\"],[\"" + server.base().toEncoded(),
                                     "[[\"org\"],[\"" + refused.toEncoded());
        Checker checker(configFor(server));
        Answers answers(checker);
        const QStringList domains = {QStringLiteral("abc.org"), QStringLiteral("abc.com")};
        checker.check(domains, this);
        QVERIFY(answers.waitFor(domains));
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.org")).reason, Reason::Network);
        QCOMPARE(answers.byDomain.value(QStringLiteral("abc.com")).status, Status::NotRegistered);
    }

    void aSilentServerCostsItsTimeOutOnce()
    {
        FakeRdapServer server;
        server.defaultBehaviour = Behaviour::Silent;
        CheckerConfig config = configFor(server);
        config.transferTimeoutMs = 300;
        Checker checker(config);
        Answers answers(checker);
        QStringList domains;
        for (int i = 0; i < 40; ++i) {
            domains << QStringLiteral("name%1.com").arg(i);
        }
        QElapsedTimer clock;
        clock.start();
        checker.check(domains, this);
        QVERIFY(answers.waitFor(domains));
        // Ten rounds of four would take three seconds; the first round tells the server is silent.
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        for (const QString& domain : std::as_const(domains)) {
            QCOMPARE(answers.byDomain.value(domain).reason, Reason::Timeout);
        }
        QCOMPARE(reasonText(answers.byDomain.value(domains.first()), UiLanguage::English),
                 QStringLiteral("the server 127.0.0.1 did not answer in time"));
        QVERIFY(server.domainRequests <= 4);
    }

    void aRateLimitSaysWhenAndIsHonouredByTheNextCheck()
    {
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("busy.com"), Behaviour::RateLimited);
        Checker checker(configFor(server));
        Answers answers(checker);
        checker.check({QStringLiteral("busy.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("busy.com")}, 5000));
        const Answer busy = answers.byDomain.value(QStringLiteral("busy.com"));
        QCOMPARE(busy.reason, Reason::RateLimited);
        QVERIFY(busy.retryAfter.isValid());
        QVERIFY(busy.retryAfter > QDateTime::currentDateTimeUtc().addMSecs(-100));
        QVERIFY(reasonText(busy, UiLanguage::English)
                    .startsWith(QStringLiteral("the server limits requests (429); try again after ")));
        QVERIFY(reasonText(busy, UiLanguage::Spanish).contains(QStringLiteral("vuelva a probar después de las ")));
        QCOMPARE(reasonCode(busy.reason), QStringLiteral("rate-limited"));

        // Asked again at once: nothing goes to the server before the time it gave.
        checker.check({QStringLiteral("next.com")}, this);
        QTest::qWait(100);
        if (QDateTime::currentDateTimeUtc() < busy.retryAfter.addMSecs(-50)) {
            QCOMPARE(server.requestsFor.value(QStringLiteral("next.com")), 0);
        }
        QVERIFY(answers.waitFor({QStringLiteral("next.com")}, 5000));
        QVERIFY(QDateTime::currentDateTimeUtc() >= busy.retryAfter.addMSecs(-50));
        QCOMPARE(answers.byDomain.value(QStringLiteral("next.com")).status, Status::NotRegistered);
    }

    void aRegisteredDomainCarriesItsExpiryDate()
    {
        FakeRdapServer server;
        server.setBehaviour(QStringLiteral("abc.com"), Behaviour::Registered);
        Checker checker(configFor(server));
        Answers answers(checker);
        checker.check({QStringLiteral("abc.com")}, this);
        QVERIFY(answers.waitFor({QStringLiteral("abc.com")}));
        const Answer answer = answers.byDomain.value(QStringLiteral("abc.com"));
        QCOMPARE(answer.expires, QDateTime(QDate(2027, 8, 13), QTime(4, 0), Qt::UTC));
        QCOMPARE(remarkText(answer, UiLanguage::Spanish), QStringLiteral("caduca el 13/08/2027"));
        QCOMPARE(remarkText(answer, UiLanguage::English), QStringLiteral("expires 13 Aug 2027"));
        QVERIFY(remarkText(Answer::notRegistered(), UiLanguage::English).isEmpty());
    }

    void reasonsHaveStableCodes_data()
    {
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<QString>("code");
        QTest::newRow("offline") << Reason::Offline << "offline";
        QTest::newRow("names") << Reason::NameResolution << "name-resolution";
        QTest::newRow("bootstrap") << Reason::BootstrapUnavailable << "bootstrap-unavailable";
        QTest::newRow("no service") << Reason::NoService << "no-service";
        QTest::newRow("timeout") << Reason::Timeout << "timeout";
        QTest::newRow("429") << Reason::RateLimited << "rate-limited";
        QTest::newRow("5xx") << Reason::ServerError << "server-error";
        QTest::newRow("other status") << Reason::HttpStatus << "http-status";
        QTest::newRow("not rdap") << Reason::NotRdap << "not-rdap";
        QTest::newRow("mismatch") << Reason::NameMismatch << "name-mismatch";
        QTest::newRow("redirects") << Reason::TooManyRedirects << "redirect-loop";
        QTest::newRow("tls") << Reason::Tls << "tls";
        QTest::newRow("network") << Reason::Network << "network";
        QTest::newRow("insecure") << Reason::InsecureServer << "insecure-server";
        QTest::newRow("invalid") << Reason::InvalidName << "invalid-name";
        QTest::newRow("too large") << Reason::TooLarge << "too-large";
        QTest::newRow("none") << Reason::None << "";
    }
    void reasonsHaveStableCodes()
    {
        QFETCH(Reason, reason);
        QFETCH(QString, code);
        QCOMPARE(reasonCode(reason), code);
        if (reason != Reason::None) {
            // Each has words of its own in both editions, never the bare "unknown".
            QVERIFY(reasonText(Answer::unknown(reason), UiLanguage::English) != QLatin1String("unknown"));
            QVERIFY(reasonText(Answer::unknown(reason), UiLanguage::Spanish) != QLatin1String("desconocido"));
        }
    }

    void usableBootstrapAddressesAreHttpsOrLoopback_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::newRow("https") << "https://data.iana.org/rdap/dns.json" << true;
        QTest::newRow("loopback http") << "http://127.0.0.1:8080/dns.json" << true;
        QTest::newRow("localhost http") << "http://localhost/dns.json" << true;
        QTest::newRow("remote http") << "http://example.com/dns.json" << false;
        QTest::newRow("word") << "notaurl" << false;
        QTest::newRow("path") << "/tmp/dns.json" << false;
        QTest::newRow("file") << "file:///tmp/dns.json" << false;
        QTest::newRow("https without host") << "https:///dns.json" << false;
        QTest::newRow("empty") << "" << false;
    }
    void usableBootstrapAddressesAreHttpsOrLoopback()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        QCOMPARE(usableBootstrapAddress(text).isValid(), usable);
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
