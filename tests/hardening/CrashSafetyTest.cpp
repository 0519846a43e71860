// A process that saves favourites in a loop is killed with SIGKILL at random moments, again and again, on one file.
// After every kill the file must pass SQLite's integrity check, open in the store, and hold every save the killed
// process confirmed; the only record it may hold beyond those is the one save in flight at the kill.
// Likewise a process importing batches of favourites: each batch is in the file whole or not at all.
#include "store/FavouritesStore.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <utility>

using namespace quorvel;

namespace {

using Record = std::pair<std::string, std::string>; // Nom, Figura

/// How many times the saving process is killed; QUORVEL_KILL_RUNS asks for more (long runs by hand).
int killRuns()
{
    const char* runs = std::getenv("QUORVEL_KILL_RUNS");
    const int asked = runs != nullptr ? std::atoi(runs) : 0;
    return asked > 0 ? asked : 50;
}

std::set<Record> tableOf(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    SQLite::Statement query(db, "SELECT Nom, Figura FROM \"adreca i figura\"");
    std::set<Record> records;
    while (query.executeStep()) {
        records.emplace(query.getColumn(0).getString(), query.getColumn(1).getString());
    }
    return records;
}

/// The saves a run confirmed, from its output; the last line may be cut short by the kill.
std::vector<Record> confirmedSaves(const QByteArray& output)
{
    std::vector<Record> saves;
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "saved" && words[2].size() == 1) {
            saves.emplace_back(words[1].toStdString(), words[2].toStdString());
        }
    }
    return saves;
}

TEST(CrashSafety, everyConfirmedSaveSurvivesAKillAtAnyMoment)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));

    const char* seedText = std::getenv("QUORVEL_KILL_SEED");
    const unsigned seed = seedText != nullptr ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                                              : static_cast<unsigned>(std::random_device{}());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 120); // milliseconds after the moment chosen below
    std::bernoulli_distribution early(0.2);           // a fifth of the kills come before the first confirmed save
    SCOPED_TRACE("QUORVEL_KILL_SEED=" + std::to_string(seed));

    const int kills = killRuns();
    std::set<Record> confirmed;
    int killsDuringSaving = 0;
    int halfDoneSaves = 0; // kills that left a hot journal: a save cut off half-way
    for (int run = 0; run < kills; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        QProcess child;
        child.start(QStringLiteral(QUORVEL_HARDENING_CHILD),
                    {QStringLiteral("save-loop"), path, QString::number(run * 100000L)});
        ASSERT_TRUE(child.waitForStarted(10000));
        if (!early(random)) {
            ASSERT_TRUE(child.waitForReadyRead(10000)) << "the saving process confirmed nothing";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
        ASSERT_TRUE(child.waitForFinished(10000));
        EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);

        const QByteArray output = child.readAllStandardOutput();
        EXPECT_FALSE(output.contains("failed")) << output.constData();
        const std::vector<Record> saves = confirmedSaves(output);
        killsDuringSaving += saves.empty() ? 0 : 1;

        halfDoneSaves += QFile::exists(path + QStringLiteral("-journal")) ? 1 : 0;

        // The store opens the file the kill left (rolling back a half-done save), and finds it sound.
        store::FavouritesStore store(path);
        store.openStore();
        if (QFile::exists(path) && !saves.empty()) {
            ASSERT_TRUE(store.isOpen()) << store::storeProblemName(store.openProblem()) << " "
                                        << store.openDetail().toStdString();
        }
        if (!QFile::exists(path)) {
            continue; // killed before the first save created the file
        }
        {
            SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
            ASSERT_EQ(db.execAndGet("PRAGMA integrity_check").getString(), "ok");
        }

        confirmed.insert(saves.begin(), saves.end());
        const std::set<Record> table = store.isOpen() ? tableOf(path) : std::set<Record>{};
        for (const Record& save : confirmed) {
            ASSERT_TRUE(table.count(save)) << "confirmed save lost: " << save.first << " " << save.second;
        }
        // Beyond the confirmed saves, at most the one in flight when this run was killed.
        std::set<Record> extra;
        for (const Record& record : table) {
            if (!confirmed.count(record)) {
                extra.insert(record);
            }
        }
        EXPECT_LE(extra.size(), 1u);
        confirmed.insert(extra.begin(), extra.end()); // kept: later runs must not lose it either
    }
    EXPECT_GE(killsDuringSaving, kills / 2) << "too few kills came while the process was saving";
    EXPECT_GT(confirmed.size(), static_cast<std::size_t>(kills));
    std::printf("%d kills (%d while saving, %d leaving a save half done), %zu saves confirmed and kept\n", kills,
                killsDuringSaving, halfDoneSaves, confirmed.size());
}

/// The number of records of each import batch in the file, by batch number.
std::map<long, long> batchesOf(const QString& path)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
    std::map<long, long> batches;
    if (db.execAndGet("SELECT count(*) FROM sqlite_master WHERE name = 'adreca i figura'").getInt() == 0) {
        return batches; // killed after the file was made, before its table was
    }
    SQLite::Statement query(db, "SELECT Nom FROM \"adreca i figura\"");
    while (query.executeStep()) {
        const std::string name = query.getColumn(0).getString();
        if (name.size() > 1 && name[0] == 'b') {
            ++batches[std::atol(name.c_str() + 1)];
        }
    }
    return batches;
}

TEST(CrashSafety, anImportKilledAtAnyMomentLeavesItsRecordsAllOrNone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    constexpr long BatchSize = 4000;

    const char* seedText = std::getenv("QUORVEL_KILL_SEED");
    const unsigned seed = seedText != nullptr ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10))
                                              : static_cast<unsigned>(std::random_device{}());
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delay(0, 250);
    SCOPED_TRACE("QUORVEL_KILL_SEED=" + std::to_string(seed));

    const int kills = std::max(10, killRuns() / 2);
    std::set<long> confirmed;
    int halfDone = 0; // kills that left a hot journal: an import cut off half-way
    for (int run = 0; run < kills; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        QProcess child;
        child.start(QStringLiteral(QUORVEL_HARDENING_CHILD),
                    {QStringLiteral("import-loop"), path, QString::number(run * 1000L), QString::number(BatchSize)});
        ASSERT_TRUE(child.waitForStarted(10000));
        ASSERT_TRUE(child.waitForReadyRead(10000)) << "the importing process started no import";
        std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
        ASSERT_EQ(::kill(static_cast<pid_t>(child.processId()), SIGKILL), 0);
        ASSERT_TRUE(child.waitForFinished(10000));
        const QByteArray output = child.readAllStandardOutput();
        EXPECT_FALSE(output.contains("failed")) << output.constData();
        for (const QByteArray& line : output.split('\n')) {
            if (line.startsWith("imported ")) {
                confirmed.insert(line.mid(9).toLong());
            }
        }
        halfDone += QFile::exists(path + QStringLiteral("-journal")) ? 1 : 0;
        if (!QFile::exists(path)) {
            continue; // killed before the first import created the file
        }
        // The store opens the file the kill left, rolling back a half-done import.
        store::FavouritesStore store(path);
        store.openStore();
        {
            SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY);
            ASSERT_EQ(db.execAndGet("PRAGMA integrity_check").getString(), "ok");
        }
        const std::map<long, long> batches = batchesOf(path);
        for (const auto& [batch, count] : batches) {
            EXPECT_EQ(count, BatchSize) << "batch " << batch << " is in the file in part";
        }
        for (long batch : confirmed) {
            EXPECT_EQ(batches.count(batch), 1u) << "confirmed import lost: batch " << batch;
        }
    }
    EXPECT_GT(halfDone, 0) << "no kill came while an import was being written";
    std::printf("%d kills during imports (%d leaving an import half written), %zu imports confirmed and kept\n", kills,
                halfDone, confirmed.size());
}

} // namespace
