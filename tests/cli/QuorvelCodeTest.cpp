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
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

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
        const std::string in = m_dir + "/in", out = m_dir + "/out", err = m_dir + "/err";
        std::ofstream(in, std::ios::binary) << input;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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

TEST_F(QuorvelCode, badOptionsExitWithTwoAndUsage)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--lang"}, {"--lang", "de"}, {"--colour"}, {"-j", "abc"}}) {
        const RunResult r = run(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("Usage: quorvel-code"), std::string::npos);
    }
    const RunResult help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: quorvel-code", 0), 0U);
    EXPECT_EQ(help.err, "");
}

TEST_F(QuorvelCode, emptyInputGivesNothing)
{
    const RunResult r = run({"--json"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
}

TEST_F(QuorvelCode, writeFailureIsAnError)
{
    if (access("/dev/full", W_OK) != 0) {
        GTEST_SKIP() << "no /dev/full here";
    }
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string program = QUORVEL_CODE_PATH;
    std::string name = "abc";
    char* argv[] = {program.data(), name.data(), nullptr};
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
}

} // namespace
