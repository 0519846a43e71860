// quorvel-favourites run as a process with its standard streams closed, full or a slow non-blocking pipe: what
// reaches standard output, what the report says, the exit status, and that the favourites file is left as it
// should be.
#include "tests/support/FavouritesFixtures.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

using namespace quorvel;

namespace {

// Where a standard stream of the program goes.
enum class Stream
{
    File,   // a file: standard input reads the case's input, the outputs are read back after the run
    Closed, // no descriptor at all
    Full,   // /dev/full: every write fails with "no space left"
};

const std::string Prefix = FIGURE_SITE_PREFIX;
const std::string AbcCsv = "name,figure,address\r\nabc,t,http://www." + Prefix + "-abc-tlx.com\r\n";

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

class QuorvelFavouritesStreamsTest : public testing::Test
{
protected:
    QTemporaryDir m_dir;

    QString path() const { return m_dir.filePath(QStringLiteral("QUORVEL.MDB")); }
    QByteArray local(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)).toLocal8Bit(); }

    void SetUp() override { ASSERT_EQ(setenv("QUORVEL_DATA_DIR", m_dir.path().toLocal8Bit().constData(), 1), 0); }

    static pid_t start(const std::vector<std::string>& arguments, const posix_spawn_file_actions_t* actions)
    {
        std::vector<std::string> texts{QUORVEL_FAVOURITES_PATH};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts) {
            argv.push_back(text.data());
        }
        argv.push_back(nullptr);
        pid_t pid = -1;
        return posix_spawn(&pid, QUORVEL_FAVOURITES_PATH, actions, nullptr, argv.data(), environ) == 0 ? pid : -1;
    }

    // The exit status, or -1 when the program did not exit normally within half a minute.
    static int finish(pid_t pid)
    {
        int status = 0;
        for (int i = 0; i < 3000; ++i) {
            const pid_t ended = waitpid(pid, &status, WNOHANG);
            if (ended == pid) {
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (ended < 0) {
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }

    static bool ended(pid_t pid)
    {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
    }

    static std::string readBack(const QByteArray& name)
    {
        QFile file(QString::fromLocal8Bit(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(unreadable)");
    }

    Outcome runWith(const std::vector<std::string>& arguments, const std::string& input, Stream in, Stream out,
                    Stream err)
    {
        const QByteArray inPath = local("in");
        const QByteArray outPath = local("out");
        const QByteArray errPath = local("err");
        for (const QByteArray& name : {inPath, outPath, errPath}) {
            QFile file(QString::fromLocal8Bit(name));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            if (name == inPath) {
                file.write(input.data(), static_cast<qint64>(input.size()));
            }
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        struct Setup
        {
            int fd;
            Stream stream;
            const QByteArray& path;
        };
        for (const Setup& setup : {Setup{0, in, inPath}, Setup{1, out, outPath}, Setup{2, err, errPath}}) {
            switch (setup.stream) {
            case Stream::File:
                posix_spawn_file_actions_addopen(&actions, setup.fd, setup.path.constData(),
                                                 setup.fd == 0 ? O_RDONLY : O_WRONLY, 0);
                break;
            case Stream::Closed:
                posix_spawn_file_actions_addclose(&actions, setup.fd);
                break;
            case Stream::Full:
                posix_spawn_file_actions_addopen(&actions, setup.fd, "/dev/full", O_WRONLY, 0);
                break;
            }
        }
        const pid_t pid = start(arguments, &actions);
        posix_spawn_file_actions_destroy(&actions);
        Outcome result;
        if (pid < 0) {
            ADD_FAILURE() << "quorvel-favourites did not start";
            return result;
        }
        result.status = finish(pid);
        result.out = readBack(outPath);
        result.err = readBack(errPath);
        return result;
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
    using S = Stream;
    const std::string badDescriptor = "quorvel-favourites: cannot write the output: Bad file descriptor\n";
    const std::string noSpace = "quorvel-favourites: cannot write the output: No space left on device\n";
    const std::vector<StreamCase> cases = {
        // A report line that cannot be written costs only that line: all of the output is still written and the
        // exit status tells the loss.
        {"list, error output closed",
         "abcde r, abc t",
         {"list"},
         "",
         S::File,
         S::File,
         S::Closed,
         0,
         "abc\tt\nabcde\tr\n",
         "",
         nullptr},
        {"export, error output full",
         "abc t, xyz q",
         {"export", "-"},
         "",
         S::File,
         S::File,
         S::Full,
         1,
         AbcCsv,
         "",
         nullptr},
        {"export, error output closed",
         "abc t, xyz q",
         {"export", "-"},
         "",
         S::File,
         S::File,
         S::Closed,
         1,
         AbcCsv,
         "",
         nullptr},
        {"add, error output full",
         nullptr,
         {"add", "Mi Empresa", "r"},
         "",
         S::File,
         S::File,
         S::Full,
         1,
         "miempresa r: kept\n",
         "",
         "miempresa r"},
        {"add, error output closed",
         nullptr,
         {"add", "Mi Empresa", "r"},
         "",
         S::File,
         S::File,
         S::Closed,
         1,
         "miempresa r: kept\n",
         "",
         "miempresa r"},
        {"import, error output full",
         "abc t",
         {"import", "-"},
         "name,figure\nA B,r\n",
         S::File,
         S::File,
         S::Full,
         1,
         "",
         "",
         "abc t, ab r"},
        // Output that cannot be written is told on the error output. The eight bytes of "abcde\tr\n" are the size
        // of an event counter: they must not vanish into whatever the program opened first.
        {"list, output closed", "abcde r", {"list"}, "", S::File, S::Closed, S::File, 1, "", badDescriptor, nullptr},
        {"list, output full", "abcde r", {"list"}, "", S::File, S::Full, S::File, 1, "", noSpace, nullptr},
        {"list --json, output full",
         "abc t",
         {"list", "--json"},
         "",
         S::File,
         S::Full,
         S::File,
         1,
         "",
         noSpace,
         nullptr},
        {"export, output closed",
         "abc t",
         {"export"},
         "",
         S::File,
         S::Closed,
         S::File,
         1,
         "",
         "quorvel-favourites: cannot write the output: Bad file descriptor\n",
         nullptr},
        {"export, output full",
         "abc t",
         {"export"},
         "",
         S::File,
         S::Full,
         S::File,
         1,
         "",
         "quorvel-favourites: cannot write the output: No space left on device\n",
         nullptr},
        // The records are kept or forgotten all the same; only their report is lost.
        {"add, output closed",
         nullptr,
         {"add", "abc", "r"},
         "",
         S::File,
         S::Closed,
         S::File,
         1,
         "",
         badDescriptor,
         "abc r"},
        {"remove, output full",
         "abc t, xyz r",
         {"remove", "abc", "t"},
         "",
         S::File,
         S::Full,
         S::File,
         1,
         "",
         noSpace,
         "xyz r"},
        {"--version, output full", nullptr, {"--version"}, "", S::File, S::Full, S::File, 1, "", noSpace, nullptr},
        // With both outputs closed nothing the program opens may take their numbers: the favourites file least of
        // all.
        {"export, both outputs closed", "abc t", {"export"}, "", S::File, S::Closed, S::Closed, 1, "", "", nullptr},
        {"add, both outputs closed",
         "abc t",
         {"add", "x y", "p"},
         "",
         S::File,
         S::Closed,
         S::Closed,
         1,
         "",
         "",
         "abc t, xy p"},
        // Standard input closed is told as such, never read from something else that took its number.
        {"import, input closed",
         nullptr,
         {"import", "-"},
         "",
         S::Closed,
         S::File,
         S::File,
         1,
         "",
         "quorvel-favourites: -: line 1: the file could not be read: Bad file descriptor; nothing was imported\n",
         nullptr},
        {"import --dry-run, input closed",
         "abc t",
         {"import", "--dry-run", "-"},
         "",
         S::Closed,
         S::File,
         S::File,
         1,
         "",
         "quorvel-favourites: -: line 1: the file could not be read: Bad file descriptor; nothing was imported\n",
         nullptr},
    };
    for (const StreamCase& c : cases) {
        SCOPED_TRACE(c.title);
        QFile::remove(path());
        if (c.rowsBefore != nullptr) {
            test::makeFavouritesFile(path(), test::rows(c.rowsBefore));
        }
        const QByteArray before = c.rowsBefore != nullptr ? test::fileDigest(path()) : QByteArray();
        const Outcome result = runWith(c.arguments, c.input, c.in, c.out, c.err);
        EXPECT_EQ(result.status, c.status) << result.err;
        if (c.out == S::File) {
            EXPECT_EQ(result.out, c.expectedOut);
        }
        if (c.err == S::File) {
            EXPECT_EQ(result.err, c.expectedErr);
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
    EXPECT_EQ(runWith({"export", local("copy.csv").toStdString()}, "", S::File, S::File, S::Full).status, 1);
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

        int pipeFds[2];
        ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
        ASSERT_GE(fcntl(pipeFds[1], F_SETPIPE_SZ, 4096), 0);
        const int capacity = fcntl(pipeFds[0], F_GETPIPE_SZ);
        ASSERT_TRUE(capacity > 0 && static_cast<std::size_t>(capacity) < expected.size() / 2);
        ASSERT_EQ(fcntl(pipeFds[1], F_SETFL, fcntl(pipeFds[1], F_GETFL) | O_NONBLOCK), 0);
        const QByteArray errPath = local("pipe-err");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const pid_t pid = start(c.arguments, &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(pipeFds[1]);
        ASSERT_GT(pid, 0);
        bool full = false;
        for (int i = 0; i < 3000 && !full; ++i) {
            int queued = 0;
            full = ended(pid) || (ioctl(pipeFds[0], FIONREAD, &queued) == 0 && queued >= capacity - 64);
            if (!full) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        }
        std::string out;
        char buffer[4096];
        for (;;) {
            const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
            if (got > 0) {
                out.append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                break;
            }
        }
        close(pipeFds[0]);
        const int status = finish(pid);
        EXPECT_TRUE(full);
        EXPECT_EQ(readBack(errPath), "");
        EXPECT_EQ(status, 0);
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const pid_t pid = start({"import", "-"}, &actions);
    posix_spawn_file_actions_destroy(&actions);
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
    EXPECT_EQ(finish(pid), 0);
    EXPECT_EQ(readBack(outPath), "");
    EXPECT_EQ(readBack(errPath), "line 4: \"q r\" kept as \"qr\": U+0020 removed at position 2\n"
                                 "kept 2, corrected 1, already there 0, refused 0\n");
    ASSERT_TRUE(QFile::exists(path()));
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, qr c, xyz t"));
}

} // namespace
