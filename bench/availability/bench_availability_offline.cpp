// Time to all answers with no working connection, for 1 and 100 names (7 domains each); goal 3 s, and 10 s
// when the name server never answers:
//  1. quorvel-code --check in a network namespace of its own with nothing in it (when `unshare -rn` works here),
//     with the program's own sources: IANA's bootstrap file and the built-in servers;
//  2. quorvel-code --check with a bootstrap address on a loopback port that refuses;
//  3. the checker the windows use, with IANA's file and the built-in servers on loopback ports that refuse;
//  4. the same checker with a name server that never answers.
// Usage: bench_availability_offline QUORVEL_CODE
#include "availability/Checker.h"
#include "availability/Domains.h"
#include "tests/availability/FakeRdapServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

using namespace quorvel::availability;
using quorvel::test::FakeRdapServer;

namespace {

QStringList names(int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i) {
        result << QStringLiteral("name%1").arg(i);
    }
    return result;
}

// Runs the program to its end; prints the wall time, the exit status and the first answer's reason code.
void runProgram(const char* label, const QString& program, const QStringList& arguments, int count)
{
    QTemporaryDir cache;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    environment.remove(QStringLiteral("QUORVEL_RDAP_BOOTSTRAP"));
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments + names(count));
    process.waitForFinished(120000);
    const qint64 wall = clock.elapsed();
    const QByteArray out = process.readAllStandardOutput();
    const qsizetype at = out.indexOf("\"reason_code\":\"");
    const QByteArray code = at < 0 ? QByteArray("-") : out.mid(at + 15, out.indexOf('"', at + 15) - at - 15);
    std::printf("%-44s %3d names: %6lld ms, %lld reports, exit %d, reason %s\n", label, count,
                static_cast<long long>(wall), static_cast<long long>(out.count('\n')), process.exitCode(),
                code.constData());
}

void runChecker(const char* label, const CheckerConfig& config, int count)
{
    Checker checker(config);
    QStringList domains;
    for (const QString& name : names(count)) {
        domains << domainsOf(name.toStdString(), {QStringLiteral("net"), QStringLiteral("org")});
    }
    int answered = 0;
    Reason reason = Reason::None;
    QObject context;
    QObject::connect(&checker, &Checker::answered, &context, [&](const QString&, const Answer& answer) {
        ++answered;
        reason = answer.reason;
    });
    QElapsedTimer clock;
    clock.start();
    checker.check(domains, &context);
    (void)QTest::qWaitFor([&] { return answered >= domains.size(); }, 60000);
    std::printf("%-44s %3d names: %6lld ms, %d of %lld answers, reason %s\n", label, count,
                static_cast<long long>(clock.elapsed()), answered, static_cast<long long>(domains.size()),
                qPrintable(reasonCode(reason)));
}

CheckerConfig allRefused()
{
    CheckerConfig config;
    config.bootstrapAddress = FakeRdapServer::refusedAddress(QStringLiteral("/dns.json"));
    const QUrl refused = FakeRdapServer::refusedAddress(QStringLiteral("/rdap/"));
    config.fallback = *Bootstrap::parse("{\"services\":[[[\"com\",\"net\"],[\"" + refused.toEncoded() + "\"]]]}");
    return config;
}

CheckerConfig silentNameServer()
{
    CheckerConfig config;
    config.bootstrapAddress = QUrl(QStringLiteral("https://bootstrap.quorvel.test/dns.json"));
    config.fallback = *Bootstrap::parse("{\"services\":[[[\"com\",\"net\"],[\"https://rdap.quorvel.test/\"]]]}");
    config.resolver = [](const QString&, QObject*, std::function<void(Resolution)>) {}; // never answers
    return config;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_availability_offline QUORVEL_CODE\n");
        return 2;
    }
    const QString program = QString::fromLocal8Bit(argv[1]);
    const QStringList check = {QStringLiteral("--check"), QStringLiteral("--json")};
    for (const int count : {1, 100}) {
        if (!QStandardPaths::findExecutable(QStringLiteral("unshare")).isEmpty() &&
            QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-rn"), QStringLiteral("true")}) == 0) {
            runProgram("quorvel-code, no network at all (unshare -rn)", QStringLiteral("unshare"),
                       QStringList{QStringLiteral("-rn"), program} + check, count);
        } else {
            std::printf("quorvel-code, no network at all: `unshare -rn` is not available here\n");
        }
        runProgram("quorvel-code, bootstrap on a refusing port", program,
                   check + QStringList{QStringLiteral("--rdap-bootstrap"),
                                       FakeRdapServer::refusedAddress(QStringLiteral("/dns.json")).toString()},
                   count);
        runChecker("window's checker, every connection refused", allRefused(), count);
        runChecker("window's checker, name server silent", silentNameServer(), count);
    }
    return 0;
}
