// The other process of the fault tests.
//   hardening_child save-loop FILE FIRST   saves k<FIRST>, k<FIRST+1>, ... with the four figures in turn, through
//                                          the favourites store, and prints "saved <name> <letter>" after each save
//                                          the store confirmed; runs until it is killed (or 100000 saves).
//   hardening_child lock FILE MILLISECONDS holds an exclusive lock on the file, prints "locked", then lets go.
//   hardening_child import-loop FILE FIRST COUNT
//                                          imports batches FIRST, FIRST+1, ... of COUNT records each (names
//                                          b<batch>-<n>) from a CSV file written beside FILE, printing
//                                          "importing <batch>" before and "imported <batch>" after each import
//                                          the store confirmed; runs until it is killed (or 1000 batches).
#include "core/FigureCoding.h"
#include "store/FavouritesStore.h"
#include "store/Transfer.h"

#include <SQLiteCpp/Database.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

using namespace quorvel;

namespace {

int saveLoop(const char* file, long first)
{
    store::FavouritesStore store(QString::fromLocal8Bit(file));
    store.openStore();
    for (long i = first; i < first + 100000; ++i) {
        std::string name = "k"; // appended: GCC 12 misreads "k" + std::string in Release as an overlapping copy
        name += std::to_string(i);
        const FigureKind kind = AllFigureKinds[static_cast<std::size_t>(i % 4)];
        try {
            if (store.addFavourite(QString::fromStdString(name), kind) == store::AddResult::Saved) {
                std::printf("saved %s %c\n", name.c_str(), figureLetter(kind));
                std::fflush(stdout);
            }
        } catch (const store::StoreFailure& failure) {
            std::printf("failed %s %s\n", name.c_str(), store::storeProblemName(failure.problem()));
            std::fflush(stdout);
        }
    }
    return 0;
}

int importLoop(const char* file, long first, long count)
{
    const QString path = QString::fromLocal8Bit(file);
    const std::string csvPath = std::string(file) + ".import.csv";
    store::FavouritesStore store(path);
    store.openStore();
    for (long batch = first; batch < first + 1000; ++batch) {
        std::FILE* csv = std::fopen(csvPath.c_str(), "wb");
        if (csv == nullptr) {
            return 1;
        }
        std::fputs("name,figure,address\r\n", csv);
        for (long n = 0; n < count; ++n) {
            std::fprintf(csv, "b%ld-%ld,%c,\r\n", batch, n,
                         figureLetter(AllFigureKinds[static_cast<std::size_t>(n % 4)]));
        }
        std::fclose(csv);
        std::printf("importing %ld\n", batch);
        std::fflush(stdout);
        const store::ImportSummary summary = store::importFile(
            store, QString::fromStdString(csvPath), store::TransferFormat::Csv, false, [](const store::ImportNote&) {});
        if (summary.committed && summary.written == count) {
            std::printf("imported %ld\n", batch);
        } else {
            std::printf("failed %ld\n", batch);
        }
        std::fflush(stdout);
    }
    return 0;
}

int holdLock(const char* file, int milliseconds)
{
    SQLite::Database db(file, SQLite::OPEN_READWRITE);
    db.exec("BEGIN EXCLUSIVE");
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    db.exec("ROLLBACK");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::strcmp(argv[1], "save-loop") == 0) {
        return saveLoop(argv[2], std::atol(argv[3]));
    }
    if (argc == 5 && std::strcmp(argv[1], "import-loop") == 0) {
        return importLoop(argv[2], std::atol(argv[3]), std::atol(argv[4]));
    }
    if (argc == 4 && std::strcmp(argv[1], "lock") == 0) {
        return holdLock(argv[2], std::atoi(argv[3]));
    }
    std::fprintf(
        stderr,
        "usage: hardening_child save-loop FILE FIRST | import-loop FILE FIRST COUNT | lock FILE MILLISECONDS\n");
    return 2;
}
