// The favourites window on a table of 100,000 records (random valid names, all four classes), offscreen:
// opening it, a name search, a step forward and back, the four lists filled, a save and a delete.
//   bench_favourites [--benchmark_...]
// Each figure is the median of several runs of the action, in milliseconds.
#include "core/FigureCoding.h"
#include "store/DataFolder.h"
#include "store/FavouritesStore.h"
#include "ui/common/Features.h"
#include "ui/common/Notices.h"
#include "ui/common/SaveFavourite.h"
#include "ui/favourites/FavouritesWindow.h"
#include "ui/features/FeatureSet.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Transaction.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

constexpr int RecordCount = 100000;

/// Answers every question with yes and shows nothing.
class SilentNotices final : public Notices::Handler
{
public:
    void inform(QWidget*, const QString&) override { ++informed; }
    int informed = 0;
    bool confirm(QWidget*, const QString&, UiLanguage) override { return true; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
};

struct Table
{
    std::vector<QString> names;     ///< every name kept, in insertion order
    std::vector<QString> fourSided; ///< names kept with "r", to delete
    std::size_t nextToDelete = 0;
};

SilentNotices& notices()
{
    static SilentNotices n;
    return n;
}

/// The number of records now in the table.
int recordCount()
{
    SQLite::Database db(store::favouritesFilePath().toStdString());
    return db.execAndGet("SELECT count(*) FROM \"adreca i figura\"").getInt();
}

Table& table()
{
    static Table t;
    return t;
}

void fillTable(const QString& path)
{
    store::FavouritesStore store(path);
    store.addFavourite(QStringLiteral("a"), FigureKind::FourSided); // lays out the table and its indexes
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE);
    SQLite::Transaction transaction(db);
    SQLite::Statement insert(db, "INSERT INTO \"adreca i figura\" (Nom, Figura) VALUES (?1, ?2)");
    std::mt19937 random(20240601);
    const char symbols[] = "abcdefghijklmnopqrstuvwxyz0123456789-";
    const char letters[] = "rctp";
    for (int i = 1; i < RecordCount; ++i) {
        std::string name;
        const int length = 3 + static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k) {
            name += symbols[random() % (k == 0 ? 36 : 37)];
        }
        const char letter = letters[random() % 4];
        insert.bind(1, name);
        insert.bind(2, std::string(1, letter));
        insert.exec();
        insert.reset();
        table().names.push_back(QString::fromStdString(name));
        if (letter == 'r') {
            table().fourSided.push_back(QString::fromStdString(name));
        }
    }
    transaction.commit();
}

template <typename T>
T* child(QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromUtf8(name));
}

std::unique_ptr<FavouritesWindow> openWindow()
{
    auto window = std::make_unique<FavouritesWindow>(UiLanguage::Spanish);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    return window;
}

void searchFor(QWidget* window, const QString& name)
{
    child<QLineEdit>(window, "txtNOM")->setText(name);
    child<QPushButton>(window, "cmdbuscar")->click();
}

void BM_OpenWindow(benchmark::State& state)
{
    for (auto _ : state) {
        auto window = openWindow();
        QCoreApplication::processEvents();
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}

void BM_NameSearch(benchmark::State& state)
{
    auto window = openWindow();
    QTest::mouseClick(child<QWidget>(window.get(), "Label2"), Qt::LeftButton);
    std::size_t i = 0;
    for (auto _ : state) {
        searchFor(window.get(), table().names[(i += 7919) % table().names.size()]);
    }
}

void stepFromRandomWords(benchmark::State& state, const char* command)
{
    auto window = openWindow();
    QTest::mouseClick(child<QWidget>(window.get(), "Label2"), Qt::LeftButton);
    auto* button = child<QPushButton>(window.get(), command);
    std::size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        searchFor(window.get(), table().names[(i += 7919) % table().names.size()]);
        state.ResumeTiming();
        button->click();
    }
}

void BM_StepNext(benchmark::State& state)
{
    stepFromRandomWords(state, "Command8");
}

void BM_StepBack(benchmark::State& state)
{
    stepFromRandomWords(state, "Command7");
}

void BM_ListByFigure(benchmark::State& state)
{
    auto window = openWindow();
    auto* label = child<QWidget>(window.get(), "Label1");
    for (auto _ : state) {
        QTest::mouseClick(label, Qt::LeftButton);
    }
}

void BM_Save(benchmark::State& state)
{
    QWidget owner;
    static int n = 0;
    const int before = recordCount();
    const int noticesBefore = notices().informed;
    for (auto _ : state) {
        saveFavourite(&owner, nullptr, UiLanguage::Spanish, FigureKind::ThreeSided,
                      QStringLiteral("bench-save-%1").arg(++n));
    }
    // Every save must have been kept: a failure would be quick and say so in a notice.
    state.counters["kept"] = recordCount() - before;
    state.counters["notices"] = notices().informed - noticesBefore;
}

void BM_Delete(benchmark::State& state)
{
    auto window = openWindow();
    QTest::mouseClick(child<QWidget>(window.get(), "Label2"), Qt::LeftButton);
    auto* remove = child<QPushButton>(window.get(), "cmdBorra_R");
    const int before = recordCount();
    const int noticesBefore = notices().informed;
    for (auto _ : state) {
        state.PauseTiming();
        searchFor(window.get(), table().fourSided[table().nextToDelete++ % table().fourSided.size()]);
        state.ResumeTiming();
        remove->click();
    }
    state.counters["removed"] = before - recordCount();
    state.counters["notices"] = notices().informed - noticesBefore;
}

} // namespace

BENCHMARK(BM_OpenWindow)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_NameSearch)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_StepNext)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_StepBack)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_ListByFigure)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_Delete)->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("QUORVEL_DATA_DIR", dir.path().toUtf8());
    Notices::setHandler(&notices());
    useFeatures(&featureSet());
    fillTable(store::favouritesFilePath());

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    Notices::setHandler(nullptr);
    return 0;
}
