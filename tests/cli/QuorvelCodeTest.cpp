// quorvel-code run as a process: arguments, standard input, exit status and both output streams.

#include "QuorvelConfig.h"
#include "core/FigureCoding.h"
#include "core/Unicode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

extern char** environ;

namespace {

// Where the program's standard output or standard error goes.
enum class Stream
{
    File,   ///< a file, read back after the run
    Closed, ///< no descriptor at all
    Full,   ///< /dev/full: every write fails with "no space left"
};

struct RunResult
{
    int status = -1; ///< the exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class QuorvelCode : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = ::testing::TempDir() + "quorvel-code-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }

    void TearDown() override
    {
        for (const char* name : {"/in", "/out", "/err"}) {
            std::remove((m_dir + name).c_str());
        }
        rmdir(m_dir.c_str());
    }

    // Runs the program with the arguments, the given bytes on standard input, and both outputs in files.
    RunResult run(const std::vector<std::string>& args, const std::string& input = {})
    {
        return runWith(args, input, Stream::File, Stream::File);
    }

    // The same, with each output a file (read back into the result), closed, or a full device.
    RunResult runWith(const std::vector<std::string>& args, const std::string& input, Stream outStream,
                      Stream errStream)
    {
        const std::string in = m_dir + "/in", out = m_dir + "/out", err = m_dir + "/err";
        std::ofstream(in, std::ios::binary) << input;
        std::ofstream(out, std::ios::binary | std::ios::trunc).close();
        std::ofstream(err, std::ios::binary | std::ios::trunc).close();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        for (const auto& [fd, stream, file] : {std::tuple{1, outStream, &out}, std::tuple{2, errStream, &err}}) {
            switch (stream) {
            case Stream::File:
                posix_spawn_file_actions_addopen(&actions, fd, file->c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
                break;
            case Stream::Closed:
                posix_spawn_file_actions_addclose(&actions, fd);
                break;
            case Stream::Full:
                posix_spawn_file_actions_addopen(&actions, fd, "/dev/full", O_WRONLY, 0);
                break;
            }
        }
        std::vector<char*> argv;
        std::string program = QUORVEL_CODE_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copies(args);
        for (std::string& a : copies) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        pid_t pid = 0;
        RunResult result;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(spawned, 0);
        if (spawned != 0) {
            return result;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readFile(out);
        result.err = readFile(err);
        return result;
    }

    std::string m_dir;
};

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// Parses one output line, which must be valid UTF-8 and one JSON object.
QJsonObject parse(const std::string& line)
{
    for (char32_t c : quorvel::decodeUtf8(line)) {
        EXPECT_FALSE(c >= 0xDC80 && c <= 0xDCFF) << "not valid UTF-8: " << line;
    }
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(line.data(), static_cast<qsizetype>(line.size())), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    EXPECT_TRUE(doc.isObject()) << line;
    return doc.object();
}

QString str(const QJsonObject& o, const char* key)
{
    return o.value(QLatin1String(key)).toString();
}

QString utf8(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

TEST_F(QuorvelCode, jsonOfArgumentsInBothLanguages)
{
    struct Case
    {
        const char* lang;
        const char* message;
    };
    for (const Case& c : {Case{"es", "El carácter  2 és erroneo, se borrará"},
                          Case{"en", "The character  2 is erroneous.It will be eliminated."}}) {
        const RunResult r = run({"--lang", c.lang, "--json", "abc", "a b"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        const auto lines = linesOf(r.out);
        ASSERT_EQ(lines.size(), 2U);
        // The fields themselves are checked against the core in the library's tests; here the program's own
        // part: arguments in, one object per argument out.
        const QJsonObject abc = parse(lines[0]);
        EXPECT_EQ(str(abc.value(QStringLiteral("codes")).toObject(), "t"), QStringLiteral("tlx"));
        EXPECT_EQ(str(abc.value(QStringLiteral("figure")).toObject(), "t"),
                  utf8("http://www." + std::string(quorvel::FigureSitePrefix) + "-abc-tlx.com"));

        const QJsonObject ab = parse(lines[1]);
        const QJsonArray steps = ab.value(QStringLiteral("steps")).toArray();
        ASSERT_EQ(steps.size(), 1);
        EXPECT_EQ(str(steps[0].toObject(), "message"), QString::fromUtf8(c.message));
        EXPECT_EQ(str(steps[0].toObject(), "text"), QStringLiteral("ab"));
    }
}

TEST_F(QuorvelCode, standardInputWithCrLfEmptyAndUnterminatedLines)
{
    const RunResult r = run({"--json"}, "Abc\r\n\r\n-x\nfinal");
    EXPECT_EQ(r.status, 0);
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 4U);
    EXPECT_EQ(str(parse(lines[0]), "input"), QStringLiteral("Abc"));
    EXPECT_EQ(str(parse(lines[0]), "name"), QStringLiteral("abc"));
    const QJsonObject empty = parse(lines[1]);
    EXPECT_EQ(str(empty, "input"), QString());
    EXPECT_TRUE(empty.value(QStringLiteral("plain")).isNull());
    EXPECT_TRUE(empty.value(QStringLiteral("codes")).isNull());
    const QJsonObject hyphen = parse(lines[2]);
    EXPECT_EQ(str(hyphen.value(QStringLiteral("steps")).toArray()[0].toObject(), "notice"),
              QStringLiteral("LeadingHyphen"));
    EXPECT_TRUE(
        hyphen.value(QStringLiteral("steps")).toArray()[0].toObject().value(QStringLiteral("position")).isNull());
    EXPECT_EQ(str(parse(lines[3]), "name"), QStringLiteral("final"));
}

TEST_F(QuorvelCode, malformedInputGivesValidJson)
{
    const std::string input = std::string("a\xff\xfe\"\\\t\x01z\n") + "\xc3\xb1u\n" + "\xe2\x82\n" +
                              std::string("\0\0", 2) + "\n" + std::string(200, '.') + "\n";
    const RunResult r = run({"--json", "--lang=en"}, input);
    EXPECT_EQ(r.status, 0);
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 5U);
    const QJsonObject first = parse(lines[0]);
    EXPECT_EQ(str(first, "input"), QString::fromUtf8("a\xef\xbf\xbd\xef\xbf\xbd\"\\\t\x01z"));
    EXPECT_EQ(first.value(QStringLiteral("steps")).toArray().size(), 6);
    EXPECT_EQ(str(first, "name"), QStringLiteral("az"));
    EXPECT_EQ(str(parse(lines[1]), "name"), QStringLiteral("u"));
    EXPECT_EQ(parse(lines[2]).value(QStringLiteral("steps")).toArray().size(), 2) << "each bad byte counts once";
    EXPECT_EQ(parse(lines[3]).value(QStringLiteral("steps")).toArray().size(), 2);
    EXPECT_EQ(parse(lines[4]).value(QStringLiteral("steps")).toArray().size(), 200);
}

TEST_F(QuorvelCode, overLongLineIsReportedAndTheRestIsCoded)
{
    const std::string input = std::string(1 << 20, 'a') + "\nabc\n";
    const RunResult r = run({"--json"}, input);
    EXPECT_EQ(r.status, 1);
    const auto lines = linesOf(r.out);
    ASSERT_EQ(lines.size(), 2U);
    EXPECT_FALSE(str(parse(lines[0]), "error").isEmpty());
    EXPECT_EQ(str(parse(lines[1]), "name"), QStringLiteral("abc"));
    EXPECT_NE(r.err.find("input 1 is longer than 32767 characters"), std::string::npos);
}

TEST_F(QuorvelCode, manyFaultsGiveOneStepEach)
{
    // Each notice carries the text after it; the report of a long run of hyphens holds them all.
    const int n = 3000;
    const RunResult r = run({"--json"}, std::string(static_cast<std::size_t>(n), '-') + "\n");
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(linesOf(r.out).size(), 1U);
    const QJsonObject o = parse(r.out.substr(0, r.out.size() - 1));
    const QJsonArray steps = o.value(QStringLiteral("steps")).toArray();
    ASSERT_EQ(steps.size(), n);
    EXPECT_EQ(str(steps[0].toObject(), "text"), QString(n - 1, QLatin1Char('-')));
    EXPECT_EQ(str(steps[n - 1].toObject(), "text"), QString());
}

TEST_F(QuorvelCode, longestCodedLineIs32767Characters)
{
    const RunResult longest = run({"--json"}, std::string(32767, 'A') + "\r\n");
    EXPECT_EQ(longest.status, 0);
    EXPECT_EQ(str(parse(linesOf(longest.out).at(0)), "name"), QString(40, QLatin1Char('a')));
    const RunResult over = run({"--json"}, std::string(32768, 'A') + "\r\n");
    EXPECT_EQ(over.status, 1);
    EXPECT_FALSE(str(parse(linesOf(over.out).at(0)), "error").isEmpty());
}

TEST_F(QuorvelCode, readableOutputAndNotices)
{
    const RunResult r = run({"Abc", "--", "-q"});
    EXPECT_EQ(r.status, 0);
    const auto out = linesOf(r.out);
    ASSERT_EQ(out.size(), 12U);
    EXPECT_EQ(out[0], "abc");
    EXPECT_EQ(out[1], "  http://www.abc.com");
    EXPECT_EQ(out[2], "  http://www." + std::string(quorvel::FigureSitePrefix) + "-abc-rmt.com");
    EXPECT_EQ(out[6], "q");
    EXPECT_EQ(r.err, "\"-q\"\n  El primer carácter no puede ser un guion, se borrará.\n");
}

TEST_F(QuorvelCode, badOptionsExitWithTwoAndOneLinePointingAtHelp)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--lang"}, {"--lang", "de"}, {"--colour"}, {"-j", "abc"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("quorvel-code: ", 0), 0U) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_NE(r.err.find("quorvel-code --help\n"), std::string::npos) << r.err;
    }
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quorvel-code", 0), 0U);
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_EQ(help.err, "");
}

TEST_F(QuorvelCode, versionPrintsTheProgramsVersion)
{
    const RunResult r = run({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "quorvel-code 1.1.0\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(QuorvelCode, emptyInputGivesNothing)
{
    const RunResult r = run({"--json"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

// The names of a readable report: every sixth line, each followed by its five addresses.
std::vector<std::string> readableNamesOf(const std::string& out)
{
    std::vector<std::string> names;
    const auto lines = linesOf(out);
    for (std::size_t i = 0; i < lines.size(); i += 6) {
        names.push_back(lines[i]);
    }
    return names;
}

TEST_F(QuorvelCode, aFailedErrorOutputCostsTheNoticesNeverTheAnswers)
{
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full here";
    }
    // Over-long first line, then names with and without notices: every answer must arrive.
    const std::string lines = std::string(40000, 'a') + "\nabc\nx y\n";
    for (Stream err : {Stream::Closed, Stream::Full}) {
        SCOPED_TRACE(err == Stream::Closed ? "standard error closed" : "standard error full");
        const RunResult readable = runWith({"a b", "xyz"}, {}, Stream::File, err);
        EXPECT_EQ(readable.status, 1) << "the lost notice is told by the exit status";
        EXPECT_EQ(linesOf(readable.out).size(), 12U);
        EXPECT_EQ(readableNamesOf(readable.out), (std::vector<std::string>{"ab", "xyz"}));

        const RunResult json = runWith({"--json"}, lines, Stream::File, err);
        EXPECT_EQ(json.status, 1);
        const auto out = linesOf(json.out);
        ASSERT_EQ(out.size(), 3U);
        EXPECT_FALSE(str(parse(out[0]), "error").isEmpty());
        EXPECT_EQ(str(parse(out[1]), "name"), QStringLiteral("abc"));
        EXPECT_EQ(str(parse(out[2]), "name"), QStringLiteral("xy"));
    }
}

TEST_F(QuorvelCode, aFailedOutputIsToldAndTheNoticesStillArrive)
{
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full here";
    }
    struct Case
    {
        Stream out;
        const char* reason;
    };
    for (const Case& c : {Case{Stream::Full, "No space left on device"}, Case{Stream::Closed, "Bad file descriptor"}}) {
        SCOPED_TRACE(c.reason);
        const RunResult r = runWith({"--lang", "en", "abc", "a b"}, {}, c.out, Stream::File);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, std::string("\"a b\"\n"
                                     "  The character  2 is erroneous.It will be eliminated.\n"
                                     "quorvel-code: cannot write standard output: ") +
                             c.reason + "\n");
        const RunResult fromInput = runWith({"--json"}, "abc\n", c.out, Stream::File);
        EXPECT_EQ(fromInput.status, 1);
        EXPECT_EQ(fromInput.err, std::string("quorvel-code: cannot write standard output: ") + c.reason + "\n");
    }
}

TEST_F(QuorvelCode, aNonBlockingOutputThatFillsUpLosesNothing)
{
    // Whoever started the program may have left its output pipe non-blocking; a reader slower than the program
    // then finds the pipe full now and then, which is no failure.
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ASSERT_EQ(fcntl(pipeFds[1], F_SETFL, fcntl(pipeFds[1], F_GETFL) | O_NONBLOCK), 0);
    std::string input;
    const int count = 2000;
    for (int i = 0; i < count; ++i) {
        input += "Name " + std::to_string(i) + "\n";
    }
    const std::string in = m_dir + "/in";
    std::ofstream(in, std::ios::binary) << input;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string program = QUORVEL_CODE_PATH;
    std::string json = "--json";
    char* argv[] = {program.data(), json.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    // Nothing is read until the program has filled the pipe and so met a full output at least once (or ended).
    const int capacity = fcntl(pipeFds[0], F_GETPIPE_SZ);
    ASSERT_GT(capacity, 0);
    const auto running = [pid] {
        siginfo_t info{};
        return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
    };
    for (int waited = 0, queued = 0; queued < capacity && running();) {
        ASSERT_EQ(ioctl(pipeFds[0], FIONREAD, &queued), 0);
        ASSERT_LT(waited++, 10000) << "the pipe never filled";
        usleep(1000);
    }
    std::string out;
    char buffer[4096];
    for (ssize_t got; (got = read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
        if (got > 0) {
            out.append(buffer, static_cast<std::size_t>(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const auto lines = linesOf(out);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(str(parse(lines.back()), "name"), QStringLiteral("name1999"));
}

TEST_F(QuorvelCode, aNonBlockingInputThatIsEmptyForAMomentIsReadWhole)
{
    // Whoever started the program may have left its input pipe non-blocking; a writer slower than the program then
    // leaves it empty now and then, which is not the end of the input. The names come in two pieces, the second
    // well after the program has read the first.
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    ASSERT_EQ(fcntl(pipeFds[0], F_SETFL, fcntl(pipeFds[0], F_GETFL) | O_NONBLOCK), 0);
    const std::string out = m_dir + "/slow-out";
    const std::string err = m_dir + "/slow-err";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::string program = QUORVEL_CODE_PATH;
    std::string json = "--json";
    char* argv[] = {program.data(), json.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[0]);
    // A program that gave up early has closed the pipe: writing to it then fails here instead of ending the test.
    struct sigaction ignore
    {
    };
    struct sigaction before
    {
    };
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &before);
    const std::string first = "Uno\n";
    const std::string second = "Dos\ntres\n";
    EXPECT_EQ(write(pipeFds[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
    usleep(500 * 1000);
    EXPECT_EQ(write(pipeFds[1], second.data(), second.size()), static_cast<ssize_t>(second.size()));
    close(pipeFds[1]);
    sigaction(SIGPIPE, &before, nullptr);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    std::ifstream errFile(err, std::ios::binary);
    const std::string errText{std::istreambuf_iterator<char>(errFile), std::istreambuf_iterator<char>()};
    EXPECT_EQ(errText, "");
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::ifstream outFile(out, std::ios::binary);
    const std::string outText{std::istreambuf_iterator<char>(outFile), std::istreambuf_iterator<char>()};
    const auto lines = linesOf(outText);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(str(parse(lines[0]), "name"), QStringLiteral("uno"));
    EXPECT_EQ(str(parse(lines[1]), "name"), QStringLiteral("dos"));
    EXPECT_EQ(str(parse(lines[2]), "name"), QStringLiteral("tres"));
}

} // namespace
