// The other process of the fault tests.
//   hardening_child save-loop FILE FIRST   saves k<FIRST>, k<FIRST+1>, ... with the four figures in turn, through
//                                          the favourites store, and prints "saved <name> <letter>" after each save
//                                          the store confirmed; runs until it is killed (or 100000 saves).
//   hardening_child lock FILE MILLISECONDS holds an exclusive lock on the file, prints "locked", then lets go.
#include "core/FigureCoding.h"
#include "store/FavouritesStore.h"

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
        const std::string name = "k" + std::to_string(i);
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
    if (argc == 4 && std::strcmp(argv[1], "lock") == 0) {
        return holdLock(argv[2], std::atoi(argv[3]));
    }
    std::fprintf(stderr, "usage: hardening_child save-loop FILE FIRST | lock FILE MILLISECONDS\n");
    return 2;
}
