// Reading the favourites table of real Access files through the reader process: the records exactly as the
// files hold them, the files without a favourites table, damaged files of many shapes, and a reader that
// crashes, hangs or talks nonsense.

#include "access/AccessReader.h"

#include "store/AccessSignature.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace quorvel;
using access::AccessRecord;
using access::AccessTableReader;
using access::ReadProblem;

namespace {

const QString DataFolder = QStringLiteral(QUORVEL_ACCESS_TEST_DATA);
const QString Reader = QStringLiteral(QUORVEL_ACCESS_READER);

QString data(const char* name)
{
    return DataFolder + QLatin1Char('/') + QLatin1String(name);
}

using Rows = std::vector<std::pair<std::string, std::string>>;

struct Reading
{
    bool started = false;
    Rows rows;
    std::optional<ReadProblem> problem;
    bool hasFigure = false;
};

Reading readAll(const QString& path, const QString& program = Reader, int timeLimitMs = access::ReadingTimeLimitMs)
{
    Reading reading;
    AccessTableReader reader(path, program, timeLimitMs);
    reading.started = reader.start();
    AccessRecord record;
    while (reading.started && reader.next(record)) {
        reading.rows.emplace_back(record.name, record.figure);
    }
    reading.hasFigure = reader.hasFigureField();
    if (reader.failure()) {
        reading.problem = reader.failure()->problem;
    }
    return reading;
}

// The records as the files' description gives them (an empty field is an empty text or NULL).
const Rows Favourites2000 = {
    {"abc", "r"},
    {"xyz", "c"},
    {"abc", "p"},
    {"mi-casa", "t"},
    {"Casa", "r"},
    {"abc", "R"},
    {"", "r"},
    {"", "c"},
    {"dup", "t"},
    {"dup", "t"},
    {"sol", ""},
    {"luna", "x"},
    {"luna", " "},
    {"mi casa", "p"},
    {"año", "c"},
    {"-guion", "t"},
    {"abcdefghijklmnopqrstuvwxyz0123456789abcdefg", "p"},
    {"o'brien", "r"},
    {"zeta", "p"},
};

struct FixtureCase
{
    const char* file;
    Rows rows;
    bool hasFigure;
};

class ReadsFixture : public ::testing::TestWithParam<FixtureCase>
{
};

TEST_P(ReadsFixture, deliversEveryRecordInFileOrder)
{
    const FixtureCase& c = GetParam();
    const Reading reading = readAll(data(c.file));
    ASSERT_TRUE(reading.started) << c.file;
    EXPECT_FALSE(reading.problem.has_value()) << access::readProblemName(*reading.problem);
    EXPECT_EQ(reading.rows, c.rows);
    EXPECT_EQ(reading.hasFigure, c.hasFigure);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ReadsFixture,
    ::testing::Values(
        FixtureCase{"favourites-access2000.mdb", Favourites2000, true},
        FixtureCase{"favourites-access2003.mdb", Favourites2000, true},
        // Table and fields found whatever their letter case; other tables and fields ignored.
        FixtureCase{"favourites-access2000-wide.mdb", {{"uno", "r"}, {"dos", "c"}, {"uno", "t"}, {"tres", "rc"}}, true},
        FixtureCase{"favourites-access2000-empty.mdb", {}, true},
        FixtureCase{"favourites-access2000-nofigure.mdb", {{"abc", ""}}, false}));

TEST(AccessReader, readsTwentyThousandRecords)
{
    const Reading reading = readAll(data("favourites-access2000-20000.mdb"));
    ASSERT_FALSE(reading.problem.has_value());
    ASSERT_EQ(reading.rows.size(), 20000u);
    for (const auto& [name, figure] : reading.rows) {
        ASSERT_TRUE(figure == "r" || figure == "c" || figure == "t" || figure == "p") << figure;
        ASSERT_FALSE(name.empty());
        ASSERT_LE(name.size(), 40u);
    }
}

struct RefusalCase
{
    const char* what;
    QString path;
    ReadProblem problem;
};

TEST(AccessReader, refusesFilesWithoutFavourites)
{
    QTemporaryDir folder;
    QFile text(folder.filePath(QStringLiteral("plain.mdb")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("name,figure\nabc,r\n");
    text.close();
    QFile good(data("favourites-access2000.mdb"));
    ASSERT_TRUE(good.open(QIODevice::ReadOnly));
    QFile cut(folder.filePath(QStringLiteral("cut.mdb")));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(good.readAll().left(good.size() - 100));
    cut.close();
    QFile sqlite(folder.filePath(QStringLiteral("zeros.mdb")));
    ASSERT_TRUE(sqlite.open(QIODevice::WriteOnly));
    sqlite.write(QByteArray(8192, '\0'));
    sqlite.close();

    const std::vector<RefusalCase> cases = {
        // Jet 3 is read: its tables are listed, and none is the favourites table.
        {"Access 97 file", data("generic-access97.mdb"), ReadProblem::NoTable},
        {"other tables only", data("other-access2000.mdb"), ReadProblem::NoTable},
        {"a text file", text.fileName(), ReadProblem::NotAccess},
        {"zeros", sqlite.fileName(), ReadProblem::NotAccess},
        // Not a whole number of pages: it might still give some records as if they were all.
        {"cut short", cut.fileName(), ReadProblem::CutShort},
        {"missing", folder.filePath(QStringLiteral("none.mdb")), ReadProblem::NoSuchFile},
        {"a folder", folder.path(), ReadProblem::NotAFile},
        {"a device", QStringLiteral("/dev/zero"), ReadProblem::NotAFile},
    };
    for (const RefusalCase& c : cases) {
        const Reading reading = readAll(c.path);
        EXPECT_FALSE(reading.started) << c.what;
        ASSERT_TRUE(reading.problem.has_value()) << c.what;
        EXPECT_STREQ(access::readProblemName(*reading.problem), access::readProblemName(c.problem)) << c.what;
        EXPECT_TRUE(reading.rows.empty()) << c.what;
    }
}

TEST(AccessReader, knowsAccessFilesByTheirFirstBytes)
{
    EXPECT_TRUE(store::isAccessFile(data("favourites-access2000.mdb")));
    EXPECT_TRUE(store::isAccessFile(data("generic-access97.mdb")));
    EXPECT_TRUE(store::hasAccessSignature(std::string_view("\0\1\0\0Standard ACE DB\0", 20)));
    EXPECT_FALSE(store::hasAccessSignature(std::string_view("\0\1\0\0Standard Jet DB", 19)));
    EXPECT_FALSE(store::hasAccessSignature("SQLite format 3\0\0\0\0\0"));
    EXPECT_FALSE(store::isAccessFile(DataFolder));
    EXPECT_FALSE(store::isAccessFile(QStringLiteral("/dev/zero")));
    EXPECT_FALSE(store::isAccessFile(data("no-such-file.mdb")));
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

/// Damaged copies of a good file: cut at several places, and bytes flipped at random with a fixed seed.
std::vector<std::pair<std::string, QByteArray>> damagedCopies(const QByteArray& good)
{
    std::vector<std::pair<std::string, QByteArray>> copies;
    for (const qsizetype cut :
         {qsizetype(0), qsizetype(19), qsizetype(100), qsizetype(2047), qsizetype(2048), qsizetype(4096),
          qsizetype(4097), qsizetype(6000), good.size() / 2, good.size() - 4096, good.size() - 1}) {
        copies.emplace_back("cut at " + std::to_string(cut), good.left(cut));
    }
    std::mt19937 random(20231209);
    for (int variant = 0; variant < 40; ++variant) {
        QByteArray flipped = good;
        // Few flips in the first pages (catalogue, table definition), many over the whole file.
        const int flips = variant < 20 ? 4 : 200;
        const qsizetype span = variant < 20 ? std::min<qsizetype>(good.size(), 4 * 4096) : good.size();
        std::uniform_int_distribution<qsizetype> at(variant % 2 == 0 ? 20 : 0, span - 1);
        std::uniform_int_distribution<int> bit(0, 7);
        for (int i = 0; i < flips; ++i) {
            flipped[at(random)] ^= static_cast<char>(1 << bit(random));
        }
        copies.emplace_back("flipped, variant " + std::to_string(variant), flipped);
    }
    return copies;
}

TEST(AccessReader, damagedFilesGiveRecordsOrOneFailureAndStayUnchanged)
{
    QTemporaryDir folder;
    int failures = 0;
    for (const char* name : {"favourites-access2000.mdb", "favourites-access2003.mdb"}) {
        QFile source(data(name));
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray good = source.readAll();
        int n = 0;
        for (const auto& [what, bytes] : damagedCopies(good)) {
            const QString path = folder.filePath(QStringLiteral("damaged-%1.mdb").arg(++n));
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(bytes);
            file.close();
            const QByteArray before = digest(path);
            QElapsedTimer timer;
            timer.start();
            // A short time limit: a damaged file that makes the library loop ends as a failure in time.
            const Reading reading = readAll(path, Reader, 10'000);
            EXPECT_LT(timer.elapsed(), 15'000) << name << ", " << what;
            const bool wholePages = bytes.size() % 4096 == 0 && bytes.size() >= 8192;
            if (!wholePages && bytes.size() >= 20) {
                EXPECT_EQ(reading.problem, std::optional(ReadProblem::CutShort)) << what;
            }
            if (reading.problem) {
                ++failures;
                EXPECT_NE(*reading.problem, ReadProblem::CannotStart) << what;
                EXPECT_NE(*reading.problem, ReadProblem::Garbled) << what; // the reader's answers stay well formed
            } else {
                // Whatever it delivers is whole records, never more than the file has room for.
                EXPECT_LE(reading.rows.size(), 1000u) << what;
            }
            EXPECT_EQ(digest(path), before) << name << ", " << what << ": the file was changed";
        }
    }
    // The cuts at the front at least cannot be read.
    EXPECT_GE(failures, 10);
}

/// A stand-in reader: a shell script that behaves as the case needs.
QString fakeReader(const QTemporaryDir& folder, const char* name, const QByteArray& body)
{
    const QString path = folder.filePath(QLatin1String(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

TEST(AccessReader, aReaderThatCrashesHangsOrTalksNonsenseIsOneFailure)
{
    QTemporaryDir folder;
    struct Case
    {
        const char* what;
        QString program;
        ReadProblem problem;
        bool started;
    };
    const std::vector<Case> cases = {
        {"crash before answering", fakeReader(folder, "crash", "kill -SEGV $$"), ReadProblem::Crashed, false},
        {"crash in the middle",
         fakeReader(folder, "crash-middle",
                    R"(printf 'QACC1\nT\001\003\000\000\000abcR\003\000\000\000abc\001\000\000\000r'; kill -SEGV $$)"),
         ReadProblem::Crashed, true},
        {"hang", fakeReader(folder, "hang", "exec sleep 60"), ReadProblem::TimedOut, false},
        {"hang after the table",
         fakeReader(folder, "hang-middle", R"(printf 'QACC1\nT\001\003\000\000\000abc'; exec sleep 60)"),
         ReadProblem::TimedOut, true},
        {"output closed, running on",
         fakeReader(folder, "closed", R"(printf 'QACC1\nT\001\003\000\000\000abc'; exec >&-; exec sleep 60)"),
         ReadProblem::TimedOut, true},
        {"nonsense", fakeReader(folder, "nonsense", "echo hello"), ReadProblem::Garbled, false},
        {"no end frame",
         fakeReader(folder, "no-end", R"(printf 'QACC1\nT\001\003\000\000\000abcR\001\000\000\000a\001\000\000\000r')"),
         ReadProblem::Garbled, true},
        {"wrong count",
         fakeReader(folder, "wrong-count",
                    R"(printf 'QACC1\nT\001\003\000\000\000abcR\001\000\000\000a\001\000\000\000rE\002\000\000\000')"),
         ReadProblem::Garbled, true},
        {"huge length", fakeReader(folder, "huge", R"(printf 'QACC1\nT\001\377\377\377\377')"), ReadProblem::Garbled,
         false},
        {"failed exit after the end",
         fakeReader(folder, "bad-exit", R"(printf 'QACC1\nT\001\003\000\000\000abcE\000\000\000\000'; exit 1)"),
         ReadProblem::Garbled, true},
        {"missing program", folder.filePath(QStringLiteral("absent")), ReadProblem::CannotStart, false},
    };
    for (const Case& c : cases) {
        QElapsedTimer timer;
        timer.start();
        const Reading reading = readAll(data("favourites-access2000.mdb"), c.program, 1500);
        EXPECT_LT(timer.elapsed(), 10'000) << c.what;
        EXPECT_EQ(reading.started, c.started) << c.what;
        ASSERT_TRUE(reading.problem.has_value()) << c.what;
        EXPECT_STREQ(access::readProblemName(*reading.problem), access::readProblemName(c.problem)) << c.what;
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
