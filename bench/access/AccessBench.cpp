// Converts the 20,000-record Access favourites file, as a user's first yes does, several times over, and prints
// the time each conversion takes and the largest resident size of this process and of the reader process.
//
//   bench_access [RUNS]        (goal: at most 1 s a conversion, memory bounded)

#include "access/AccessConversion.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace quorvel;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const QString fixture = QStringLiteral(QUORVEL_ACCESS_BENCH_FILE);
    access::ReaderSettings reader;
    reader.program = QStringLiteral(QUORVEL_ACCESS_READER);

    std::vector<double> times;
    long kept = 0;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("QUORVEL.MDB"));
        if (!QFile::copy(fixture, path)) {
            std::fprintf(stderr, "cannot copy %s\n", qPrintable(fixture));
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        const access::ConversionResult result = access::convertAccessFavourites(
            path, QString(), [](const store::ImportNote&) {}, reader);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (!result.converted) {
            std::fprintf(stderr, "conversion failed: %s\n", result.failure.c_str());
            return 1;
        }
        kept = result.import.summary.written;
    }
    std::sort(times.begin(), times.end());
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("conversion of 20,000 records (%ld kept), %d runs: median %.0f ms, fastest %.0f ms, slowest %.0f ms "
                "(goal <= 1000 ms)\n",
                kept, runs, times[times.size() / 2], times.front(), times.back());
    // The children's figure counts the copy of this process a child is until it starts the reader: an upper bound.
    std::printf("largest resident size: this process %.1f MiB, the reader process at most %.1f MiB\n",
                static_cast<double>(self.ru_maxrss) / 1024.0, static_cast<double>(children.ru_maxrss) / 1024.0);
    return times[times.size() / 2] <= 1000.0 ? 0 : 1;
}
