// Something other than a file at the favourites path: a named pipe, a socket, a folder, a device. A read-only
// open of a named pipe waits for a writer for ever, so every case here runs under an alarm and under a short
// ctest time limit: a store that blocks fails the test instead of freezing it. None of them may be written.
#include "store/FavouritesStore.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/StoreProblems.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <optional>

using namespace quorvel;
using namespace quorvel::store;
using quorvel::test::problemOf;

namespace {

// Longer than any single open should take, well under the ctest limit of this test.
constexpr unsigned AlarmSeconds = 20;

struct SpecialFile
{
    const char* title;
    std::function<void(const QString& path)> make;
};

std::string native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void makeFifo(const QString& path, mode_t mode)
{
    ASSERT_EQ(mkfifo(native(path).c_str(), mode), 0) << std::strerror(errno);
    ASSERT_EQ(chmod(native(path).c_str(), mode), 0); // whatever the umask
}

void makeSocket(const QString& path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string name = native(path);
    ASSERT_LT(name.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0) << std::strerror(errno);
    close(fd); // the socket file stays
}

/// The kind of what stands at path, without following a link, and the kind of what a link leads to.
std::pair<mode_t, mode_t> kindsAt(const QString& path)
{
    struct stat own = {};
    struct stat led = {};
    lstat(native(path).c_str(), &own);
    stat(native(path).c_str(), &led);
    return {own.st_mode & S_IFMT, led.st_mode & S_IFMT};
}

class SpecialFileAtThePath : public ::testing::TestWithParam<SpecialFile>
{
protected:
    void SetUp() override { alarm(AlarmSeconds); }
    void TearDown() override { alarm(0); }

    QString path() const { return m_dir.filePath(QStringLiteral("QUORVEL.MDB")); }
    QStringList entries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QTemporaryDir m_dir;
};

TEST_P(SpecialFileAtThePath, isNotAFavouritesFileAndIsLeftAlone)
{
    GetParam().make(path());
    const auto kinds = kindsAt(path());
    const QStringList before = entries();

    FavouritesStore store(path());
    store.openStore();
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(store.openProblem(), StoreProblem::NotADatabase);
    EXPECT_EQ(problemOf([&] { store.toFirst(); }), StoreProblem::NotADatabase);
    EXPECT_EQ(problemOf([&] { store.allRecords(); }), StoreProblem::NotADatabase);
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("abc"), FigureKind::FourSided); }),
              StoreProblem::NotADatabase);
    EXPECT_EQ(problemOf([&] { store.removeFavourite(QStringLiteral("abc"), FigureKind::FourSided); }),
              StoreProblem::NotADatabase);

    // A cursor that never read first (the main window's saves) is refused the same way.
    FavouritesStore saver(path());
    EXPECT_EQ(problemOf([&] { saver.addFavourite(QStringLiteral("xyz"), FigureKind::ManySided); }),
              StoreProblem::NotADatabase);

    EXPECT_EQ(kindsAt(path()), kinds);
    EXPECT_EQ(entries(), before) << "no journal, no file beside it";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SpecialFileAtThePath,
    ::testing::Values(SpecialFile{"read-only named pipe", [](const QString& path) { makeFifo(path, 0444); }},
                      SpecialFile{"writable named pipe", [](const QString& path) { makeFifo(path, 0644); }},
                      SpecialFile{"link to a named pipe",
                                  [](const QString& path) {
                                      makeFifo(path + QStringLiteral(".pipe"), 0444);
                                      ASSERT_TRUE(QFile::link(path + QStringLiteral(".pipe"), path));
                                  }},
                      SpecialFile{"socket", [](const QString& path) { makeSocket(path); }},
                      SpecialFile{"folder", [](const QString& path) { ASSERT_TRUE(QDir().mkdir(path)); }},
                      SpecialFile{
                          "link to a character device",
                          [](const QString& path) { ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path)); }}),
    [](const auto& info) { return "kind" + std::to_string(info.index); });

TEST(SpecialFile, aFileReplacedByANamedPipeUnderAnOpenCursorIsNotWaitedFor)
{
    alarm(AlarmSeconds);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(path, test::rows("abc r"));
    FavouritesStore store(path);
    store.openStore();
    ASSERT_TRUE(store.isOpen());
    ASSERT_TRUE(QFile::remove(path));
    makeFifo(path, 0444);

    EXPECT_EQ(problemOf([&] { store.toFirst(); }), StoreProblem::NotADatabase);
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("xyz"), FigureKind::FourSided); }),
              StoreProblem::NotADatabase);
    EXPECT_EQ(kindsAt(path).first, static_cast<mode_t>(S_IFIFO));
    alarm(0);
}

TEST(SpecialFile, aNamedPipeWhereTheJournalGoesIsNotWaitedFor)
{
    alarm(AlarmSeconds);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(path, test::rows("abc r"));
    const QByteArray before = test::fileDigest(path);
    makeFifo(path + QStringLiteral("-journal"), 0444);

    FavouritesStore store(path);
    store.openStore();
    EXPECT_FALSE(store.isOpen());
    EXPECT_EQ(problemOf([&] { store.addFavourite(QStringLiteral("xyz"), FigureKind::FourSided); }),
              StoreProblem::Failed);
    EXPECT_EQ(test::fileDigest(path), before);
    EXPECT_EQ(kindsAt(path + QStringLiteral("-journal")).first, static_cast<mode_t>(S_IFIFO));
    alarm(0);
}

} // namespace
