// Speed of the availability look-ups against a fake RDAP server that answers each request after 100 ms:
//  1. the seven answers of one name in the availability window, from the click on the check command until the
//     last answer is on screen (fresh checker each round, bootstrap file included);
//  2. quorvel-code --check over 1,000 names: how busy each server is kept, as the share of the time that its
//     4 allowed requests are in flight.
// Usage: bench_availability QUORVEL_CODE [NAMES]
#include "availability/Checker.h"
#include "core/SharedState.h"
#include "tests/availability/FakeRdapServer.h"
#include "ui/availability/AvailabilityWindow.h"
#include "ui/availability/ProgramChecker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

using quorvel::test::FakeRdapServer;

namespace {

constexpr int AnswerDelayMs = 100;

void windowRounds(int rounds)
{
    std::vector<qint64> times;
    for (int round = 0; round < rounds; ++round) {
        FakeRdapServer server;
        server.answerDelayMs = AnswerDelayMs;
        quorvel::availability::CheckerConfig config;
        config.bootstrapAddress = server.bootstrapAddress();
        quorvel::availability::Checker checker(config);
        quorvel::ui::setProgramChecker(&checker);
        quorvel::CurrentName = "name" + std::to_string(round);
        auto* window = new quorvel::ui::AvailabilityWindow(quorvel::UiLanguage::English);
        window->show();
        if (!QTest::qWaitForWindowExposed(window)) {
            std::fprintf(stderr, "window not exposed\n");
        }
        auto* busy = window->findChild<QProgressBar*>(QStringLiteral("prgBusy"));
        auto* list = window->findChild<QTreeWidget*>(QStringLiteral("lstDomains"));
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdCheck")), Qt::LeftButton);
        while (busy->isVisible()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        times.push_back(clock.elapsed());
        if (list->topLevelItemCount() != 7 || list->topLevelItem(6)->text(1) != QLatin1String("not registered")) {
            std::fprintf(stderr, "unexpected answers\n");
        }
        window->close();
        delete window;
        quorvel::ui::setProgramChecker(nullptr);
    }
    std::sort(times.begin(), times.end());
    std::printf("window: 7 answers on screen after %lld ms (median of %d), %lld ms at most; goal 300 ms\n",
                static_cast<long long>(times[times.size() / 2]), rounds, static_cast<long long>(times.back()));
}

void cliRun(const QString& program, int names)
{
    // One server per ending, as real registries are: com, net and org each have their own cap.
    FakeRdapServer com;
    FakeRdapServer net;
    FakeRdapServer org;
    for (FakeRdapServer* server : {&com, &net, &org}) {
        server->answerDelayMs = AnswerDelayMs;
    }
    com.bootstrapBody = "{\"services\":[[[\"com\"],[\"" + com.base().toEncoded() + "\"]],[[\"net\"],[\"" +
                        net.base().toEncoded() + "\"]],[[\"org\"],[\"" + org.base().toEncoded() + "\"]]]}";
    QTemporaryDir cache;
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
    process.setProcessEnvironment(environment);
    QByteArray input;
    for (int i = 0; i < names; ++i) {
        input += "name" + QByteArray::number(i) + '\n';
    }
    QElapsedTimer clock;
    clock.start();
    process.start(program, {QStringLiteral("--check"), QStringLiteral("--json"), QStringLiteral("--rdap-bootstrap"),
                            com.bootstrapAddress().toString()});
    process.write(input);
    process.closeWriteChannel();
    qint64 lines = 0;
    while (process.state() != QProcess::NotRunning || process.bytesAvailable() > 0) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        lines += process.readAllStandardOutput().count('\n');
    }
    const qint64 wall = clock.elapsed();
    std::printf("quorvel-code --check, %d names: %lld reports in %.1f s, exit status %d\n", names,
                static_cast<long long>(lines), wall / 1000.0, process.exitCode());
    const char* labels[] = {"com", "net", "org"};
    int i = 0;
    for (FakeRdapServer* server : {&com, &net, &org}) {
        const double share = server->activeMs() > 0 ? double(server->busyMs()) / (4.0 * server->activeMs()) : 0;
        std::printf("  %s server: %d requests, at most %d in flight, busy %.1f%% of 4 x %lld ms\n", labels[i++],
                    server->domainRequests, server->maxInFlight, 100 * share,
                    static_cast<long long>(server->activeMs()));
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("XDG_CACHE_HOME", home.path().toLocal8Bit());
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_availability QUORVEL_CODE [NAMES]\n");
        return 2;
    }
    windowRounds(15);
    cliRun(QString::fromLocal8Bit(argv[1]), argc > 2 ? std::atoi(argv[2]) : 1000);
    return 0;
}
