// quorvel-favourites run as a process with its standard streams closed, full or a slow non-blocking pipe: what
// reaches standard output, what the report says, the exit status, and that the favourites file is left as it
// should be.
#include "tests/cli/ProgramRun.h"
#include "tests/support/FavouritesFixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace quorvel;

namespace {

using test::Stream;

const std::string Prefix = FIGURE_SITE_PREFIX;
const std::string AbcCsv = "name,figure,address\r\nabc,t,http://www." + Prefix + "-abc-tlx.com\r\n";

class QuorvelFavouritesStreamsTest : public testing::Test
{
protected:
    QTemporaryDir m_dir;

    QString path() const { return m_dir.filePath(QStringLiteral("QUORVEL.MDB")); }
    QByteArray local(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toLocal8Bit(); }

    // The program speaks the settings file's start language: English here.
    void SetUp() override
    {
        ASSERT_EQ(setenv("QUORVEL_DATA_DIR", m_dir.path().toLocal8Bit().constData(), 1), 0);
        ASSERT_EQ(setenv("QUORVEL_SYSTEM_DIR", m_dir.path().toLocal8Bit().constData(), 1), 0);
        QFile settings(m_dir.filePath(QStringLiteral("quorvel.ini")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write("[Idioma]\nInici=Angles\n");
    }

    const test::ProgramRun m_program{QUORVEL_FAVOURITES_PATH, m_dir.path()};

    static std::string readBack(const QByteArray& name)
    {
        return test::readBack(QString::fromLocal8Bit(name)).toStdString();
    }
};

struct StreamCase
{
    const char* title;
    const char* rowsBefore; // the favourites file before the run; null: there is none
    std::vector<std::string> arguments;
    std::string input; // standard input, when it is a file
    Stream in, out, err;
    int status;
    std::string expectedOut; // compared when standard output is a file
    std::string expectedErr; // compared when standard error is a file
    const char* rowsAfter;   // null: the file is left byte for byte as it was (or not made)
};

TEST_F(QuorvelFavouritesStreamsTest, eachStandardStreamFailsOnItsOwn)
{
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full here";
    }
    using enum Stream;
    const std::string badDescriptor = "quorvel-favourites: cannot write the standard output: Bad file descriptor\n";
    const std::string noSpace = "quorvel-favourites: cannot write the standard output: No space left on device\n";
    const std::string unread =
        "quorvel-favourites: -: line 1: the file could not be read: Bad file descriptor; nothing was imported\n";
    const std::vector<StreamCase> cases = {
        // A report line that cannot be written costs only that line: all of the output is still written and the
        // exit status tells the loss.
        {"list, error output closed",
         "abcde r, abc t",
         {"list"},
         "",
         File,
         File,
         Closed,
         0,
         "abc\tt\nabcde\tr\n",
         "",
         nullptr},
        {"export, error output full", "abc t, xyz q", {"export", "-"}, "", File, File, Full, 1, AbcCsv, "", nullptr},
        {"export, error output closed",
         "abc t, xyz q",
         {"export", "-"},
         "",
         File,
         File,
         Closed,
         1,
         AbcCsv,
         "",
         nullptr},
        {"add, error output full",
         nullptr,
         {"add", "Mi Empresa", "r"},
         "",
         File,
         File,
         Full,
         1,
         "miempresa r: kept\n",
         "",
         "miempresa r"},
        {"add, error output closed",
         nullptr,
         {"add", "Mi Empresa", "r"},
         "",
         File,
         File,
         Closed,
         1,
         "miempresa r: kept\n",
         "",
         "miempresa r"},
        {"import, error output full",
         "abc t",
         {"import", "-"},
         "name,figure\nA B,r\n",
         File,
         File,
         Full,
         1,
         "",
         "",
         "abc t, ab r"},
        // Output that cannot be written is told on the error output. The eight bytes of "abcde\tr\n" are the size
        // of an event counter: they must not vanish into whatever the program opened first.
        {"list, output closed", "abcde r", {"list"}, "", File, Closed, File, 1, "", badDescriptor, nullptr},
        {"list, output full", "abcde r", {"list"}, "", File, Full, File, 1, "", noSpace, nullptr},
        {"list --json, output full", "abc t", {"list", "--json"}, "", File, Full, File, 1, "", noSpace, nullptr},
        {"export, output closed", "abc t", {"export"}, "", File, Closed, File, 1, "", badDescriptor, nullptr},
        {"export, output full", "abc t", {"export"}, "", File, Full, File, 1, "", noSpace, nullptr},
        // The records are kept or forgotten all the same; only their report is lost.
        {"add, output closed", nullptr, {"add", "abc", "r"}, "", File, Closed, File, 1, "", badDescriptor, "abc r"},
        {"remove, output full", "abc t, xyz r", {"remove", "abc", "t"}, "", File, Full, File, 1, "", noSpace, "xyz r"},
        {"--version, output full", nullptr, {"--version"}, "", File, Full, File, 1, "", noSpace, nullptr},
        // With both outputs closed nothing the program opens may take their numbers: the favourites file least of
        // all.
        {"export, both outputs closed", "abc t", {"export"}, "", File, Closed, Closed, 1, "", "", nullptr},
        {"add, both outputs closed", "abc t", {"add", "x y", "p"}, "", File, Closed, Closed, 1, "", "", "abc t, xy p"},
        // Standard input closed is told as such, never read from something else that took its number.
        {"import, input closed", nullptr, {"import", "-"}, "", Closed, File, File, 1, "", unread, nullptr},
        {"import --dry-run, input closed",
         "abc t",
         {"import", "--dry-run", "-"},
         "",
         Closed,
         File,
         File,
         1,
         "",
         unread,
         nullptr},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.title);
        QFile::remove(path());
        if (c.rowsBefore != nullptr) {
            test::makeFavouritesFile(path(), test::rows(c.rowsBefore));
        }
        const QByteArray before = c.rowsBefore != nullptr ? test::fileDigest(path()) : QByteArray();
        const test::RunResult result =
            m_program.run(c.arguments, QByteArray::fromStdString(c.input), c.in, c.out, c.err);
        EXPECT_EQ(result.status, c.status) << result.err.toStdString();
        if (c.out == File) {
            EXPECT_EQ(result.out.toStdString(), c.expectedOut);
        }
        if (c.err == File) {
            EXPECT_EQ(result.err.toStdString(), c.expectedErr);
        }
        if (c.rowsAfter != nullptr) {
            EXPECT_EQ(test::readRows(path()), test::rows(c.rowsAfter));
        } else if (c.rowsBefore != nullptr) {
            EXPECT_EQ(test::fileDigest(path()), before);
        } else {
            EXPECT_FALSE(QFile::exists(path()));
        }
    }
    // The export to a file is whole although its report line was lost.
    QFile::remove(path());
    test::makeFavouritesFile(path(), test::rows("abc t"));
    EXPECT_EQ(m_program.run({"export", local("copy.csv").toStdString()}, "", File, File, Full).status, 1);
    EXPECT_EQ(readBack(local("copy.csv")), AbcCsv);
}

struct PipeCase
{
    const char* title;
    std::vector<std::string> arguments;
    int rows;
    bool sameName;                           // every row is "abc t", else "nameNNNN r"
    std::string head, line, separator, tail; // the output: head, then each row's line with separators, then tail
};

TEST_F(QuorvelFavouritesStreamsTest, aNonBlockingOutputThatFillsUpLosesNothing)
{
    // Whoever started the program may have left its output pipe non-blocking; a reader slower than the program then
    // finds the pipe full now and then, which is no failure. The pipe holds one page; nothing is read until it is
    // full.
    const std::vector<PipeCase> cases = {
        {"list", {"list"}, 2000, false, "", "\tr\n", "", ""},
        {"export as CSV",
         {"export", "-"},
         500,
         true,
         "name,figure,address\r\n",
         "abc,t,http://www." + Prefix + "-abc-tlx.com\r\n",
         "",
         ""},
        {"export as JSON",
         {"export", "--format", "json"},
         500,
         true,
         "[\n",
         "{\"name\":\"abc\",\"figure\":\"t\",\"address\":\"http://www." + Prefix + "-abc-tlx.com\"}",
         ",\n",
         "\n]\n"},
    };
    for (const PipeCase& c : cases) {
        SCOPED_TRACE(c.title);
        QFile::remove(path());
        std::string rowText;
        std::string expected = c.head;
        for (int i = 0; i < c.rows; ++i) {
            char name[16];
            std::snprintf(name, sizeof name, "name%04d", i);
            rowText += (i > 0 ? ", " : "") + (c.sameName ? std::string("abc t") : std::string(name) + " r");
            expected += i > 0 ? c.separator : "";
            expected += c.sameName ? "" : name;
            expected += c.line;
        }
        expected += c.tail;
        test::makeFavouritesFile(path(), test::rows(rowText.c_str()));

        const test::PipeRunResult piped = m_program.runIntoFullPipe(c.arguments, 64);
        ASSERT_TRUE(piped.capacity > 0 && static_cast<std::size_t>(piped.capacity) < expected.size() / 2);
        const std::string out = piped.out.toStdString();
        EXPECT_TRUE(piped.full);
        EXPECT_EQ(piped.err.toStdString(), "");
        EXPECT_EQ(piped.status, 0);
        EXPECT_EQ(out.size(), expected.size());
        EXPECT_TRUE(out == expected) << "the output differs from the records";
    }
}

TEST_F(QuorvelFavouritesStreamsTest, aNonBlockingInputThatComesSlowlyIsReadWhole)
{
    // The same for standard input: a pipe left non-blocking whose writer is slower than the program is empty now
    // and then, which is no failure to read it. The rows come in two pieces, the second well after the program
    // has read the first.
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    ASSERT_EQ(fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK), 0);
    const QByteArray outPath = local("slow-out");
    const QByteArray errPath = local("slow-err");
    test::StreamSetup streams;
    streams.descriptor(0, pipeFds[0])
        .open(1, outPath, O_WRONLY | O_CREAT | O_TRUNC)
        .open(2, errPath, O_WRONLY | O_CREAT | O_TRUNC);
    const pid_t pid = m_program.start({"import", "-"}, streams);
    close(pipeFds[0]);
    ASSERT_GT(pid, 0);
    // A program that gave up early has closed the pipe: writing to it then fails here instead of ending the test.
    struct sigaction ignore
    {
    };
    struct sigaction before
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &before);
    const std::string first = "name,figure\nxyz,t\n";
    const std::string second = "abc,r\nq r,c\n";
    EXPECT_EQ(write(pipeFds[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(write(pipeFds[1], second.data(), second.size()), static_cast<ssize_t>(second.size()));
    close(pipeFds[1]);
    sigaction(SIGPIPE, &before, nullptr);
    EXPECT_EQ(m_program.finish(pid), 0);
    EXPECT_EQ(readBack(outPath), "");
    EXPECT_EQ(readBack(errPath),
              "line 4: \"q r\" saved as \"qr\": blank removed (position 2)\n"
              "favorites written: 3 (with the name corrected: 1); already there: 0; rows left out: 0; "
              "rows read: 3\n");
    ASSERT_TRUE(QFile::exists(path()));
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, qr c, xyz t"));
}

} // namespace
