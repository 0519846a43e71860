// Holds an exclusive lock on an SQLite file for a given time, as another program would:
//   favourites_lock_holder FILE MILLISECONDS
// Prints "locked" once the lock is held.
#include <SQLiteCpp/Database.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: favourites_lock_holder FILE MILLISECONDS\n");
        return 2;
    }
    SQLite::Database db(argv[1], SQLite::OPEN_READWRITE);
    db.exec("BEGIN EXCLUSIVE");
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[2])));
    db.exec("ROLLBACK");
    return 0;
}
