// Creating and showing a main window, loading the About window, and one keystroke in the name box up to the
// five address labels updated.
#include "core/SharedState.h"
#include "launch/Browser.h"
#include "ui/common/Notices.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/main/MainRegistration.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <benchmark/benchmark.h>
#include <sys/resource.h>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// Discovery and launches do nothing here: only the windows' own work is timed.
class QuietPlatform final : public launch::Platform
{
public:
    std::string findHtmlHandler(const std::string&) override { return "/usr/bin/true"; }
    void startProgram(const std::string&, const std::string&, const std::string&) override {}
    void startCommand(const std::vector<std::string>&, const std::string&) override {}
    void openAddress(const std::string&) override {}
};

// A notice would wait for a click: any notice here is a fault of the benchmark, reported instead of shown.
class NoNotices final : public Notices::Handler
{
public:
    void inform(QWidget*, const QString& text) override { shown << text; }
    bool confirm(QWidget*, const QString& text, UiLanguage) override
    {
        shown << text;
        return false;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QStringList shown;
};

NoNotices* g_notices = nullptr;

void closeAll()
{
    Windows::instance().reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void BM_CreateAndShowMainWindow(benchmark::State& state)
{
    CurrentName = "marca";
    for (auto _ : state) {
        QWidget* window = Windows::instance().show(WindowRole::Main, UiLanguage::Spanish);
        QCoreApplication::processEvents(); // the first paint
        benchmark::DoNotOptimize(window);
        state.PauseTiming();
        closeAll();
        state.ResumeTiming();
    }
    CurrentName.clear();
}
BENCHMARK(BM_CreateAndShowMainWindow)->Unit(benchmark::kMillisecond);

void BM_CreateAndShowAboutWindow(benchmark::State& state)
{
    for (auto _ : state) {
        QWidget* window = Windows::instance().show(WindowRole::About, UiLanguage::English);
        QCoreApplication::processEvents(); // the first paint
        QCoreApplication::processEvents(); // the rest of the load: browser discovery, the other 17 frames
        benchmark::DoNotOptimize(window);
        state.PauseTiming();
        closeAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CreateAndShowAboutWindow)->Unit(benchmark::kMillisecond);

// One typed character (alternately added and removed, so the name stays short and valid) up to the labels.
void BM_KeystrokeToLabels(benchmark::State& state)
{
    CurrentName.clear(); // the benchmark runs this function several times: start from an empty box each time
    QWidget* window = Windows::instance().show(WindowRole::Main, UiLanguage::Spanish);
    auto* box = window->findChild<QLineEdit*>(QStringLiteral("txtAdreca"));
    auto* last = window->findChild<QLabel*>(QStringLiteral("lblAdreca4"));
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("quorvelmarca"));
    bool add = true;
    for (auto _ : state) {
        if (add) {
            QTest::keyClick(box, Qt::Key_X);
        } else {
            QTest::keyClick(box, Qt::Key_Backspace);
        }
        add = !add;
        benchmark::DoNotOptimize(last->text());
    }
    if (last->text() != box->text().toLower()) {
        state.SkipWithError("the labels did not follow the box");
    }
    if (!g_notices->shown.isEmpty()) {
        state.SkipWithError(qPrintable(QStringLiteral("unexpected notice: ") + g_notices->shown.first()));
    }
    closeAll();
}
BENCHMARK(BM_KeystrokeToLabels)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QuietPlatform platform;
    launch::setPlatform(&platform);
    NoNotices notices;
    g_notices = &notices;
    Notices::setHandler(&notices);
    registerMainWindows();
    registerAboutWindows();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory of the benchmark process (offscreen, all of the above): %.1f MB\n",
                static_cast<double>(usage.ru_maxrss) / 1024.0);
    Notices::setHandler(nullptr);
    launch::setPlatform(nullptr);
    return 0;
}
