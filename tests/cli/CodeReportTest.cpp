// The command-line coder's pieces: line splitting and the reports.

#include "cli/CodeReport.h"

#include "QuorvelConfig.h"
#include "core/FigureCoding.h"
#include "core/NameRules.h"
#include "core/Unicode.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::cli {
namespace {

QString qs(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// ---- line splitting

std::vector<std::string> splitInPieces(std::string_view stream, std::size_t pieceSize, std::size_t maxLine = 64)
{
    std::vector<std::string> lines;
    LineSplitter splitter(maxLine);
    auto onLine = [&lines](std::string_view line, bool overLong) {
        lines.push_back(overLong ? std::string("<too long>") : std::string(line));
    };
    for (std::size_t i = 0; i < stream.size(); i += pieceSize) {
        splitter.feed(stream.substr(i, pieceSize), onLine);
    }
    splitter.finish(onLine);
    return lines;
}

TEST(LineSplitter, linesAreTheSameHoweverTheStreamIsCut)
{
    const std::string longLine(65, 'x');
    const std::string fitting(64, 'y');
    const std::vector<std::pair<std::string, std::vector<std::string>>> table = {
        {"", {}},
        {"\n", {""}},
        {"abc", {"abc"}},
        {"abc\n", {"abc"}},
        {"abc\r\n", {"abc"}},
        {"abc\r", {"abc"}},
        {"\r", {""}},
        {"\r\n\r\n", {"", ""}},
        {"a\r\rb\r\n", {"a\r\rb"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\rb\n", {"a\rb"}},
        {longLine + "\nok\n", {"<too long>", "ok"}},
        {"ok\n" + longLine, {"ok", "<too long>"}},
        {fitting + "\n" + fitting.substr(1) + "\r\n", {fitting, fitting.substr(1)}},
        {fitting + "\r" + "z\n", {"<too long>"}},
        {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    };
    for (const auto& [stream, expected] : table) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, stream.size() + 1}) {
            SCOPED_TRACE(piece);
            EXPECT_EQ(splitInPieces(stream, piece), expected) << stream;
        }
    }
}

// ---- reports

struct Captured
{
    std::string out;
    std::string err;
};

Captured report(const std::vector<std::string>& inputs, bool json, UiLanguage language = UiLanguage::Spanish)
{
    Captured captured;
    CodeReporter reporter(
        language, json,
        [&captured](std::string_view s) {
            captured.out += s;
            return true;
        },
        [&captured](std::string_view s) {
            captured.err += s;
            return true;
        });
    for (const std::string& input : inputs) {
        reporter.codeInput(input);
    }
    EXPECT_TRUE(reporter.flush());
    return captured;
}

QJsonObject onlyObject(const std::string& out)
{
    EXPECT_FALSE(out.empty());
    EXPECT_EQ(out.back(), '\n');
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one object, one line";
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray(out.data(), static_cast<qsizetype>(out.size())), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
    return doc.object();
}

TEST(CodeReport, jsonCarriesStepsNameAndAddresses)
{
    for (UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
        const QJsonObject o = onlyObject(report({"$-Ab c"}, true, language).out);
        EXPECT_EQ(o.value(QStringLiteral("input")).toString(), QStringLiteral("$-Ab c"));
        const QJsonArray steps = o.value(QStringLiteral("steps")).toArray();
        const std::u32string input = U"$-Ab c";
        const std::vector<NameStep> expected = validateName(input);
        ASSERT_EQ(steps.size(), static_cast<qsizetype>(expected.size()));
        std::u32string text = input;
        for (qsizetype i = 0; i < steps.size(); ++i) {
            const QJsonObject s = steps[i].toObject();
            const NameStep& e = expected[static_cast<std::size_t>(i)];
            applyNameStep(text, e);
            EXPECT_EQ(s.value(QStringLiteral("notice")).toString(), qs(noticeName(e.notice)));
            EXPECT_EQ(s.value(QStringLiteral("message")).toString(), qs(noticeText(e, language)));
            EXPECT_EQ(s.value(QStringLiteral("text")).toString(), qs(encodeUtf8(text)));
            if (e.notice == NameNotice::InvalidCharacter) {
                EXPECT_EQ(s.value(QStringLiteral("position")).toInt(), e.position);
            } else {
                EXPECT_TRUE(s.value(QStringLiteral("position")).isNull());
            }
        }
        EXPECT_EQ(o.value(QStringLiteral("name")).toString(), QStringLiteral("abc"));
        EXPECT_EQ(o.value(QStringLiteral("prefix")).toString(), qs(FigureSitePrefix));
        EXPECT_EQ(o.value(QStringLiteral("plain")).toString(), QStringLiteral("http://www.abc.com"));
        // The worked example's codes: r rmt, c cto, t tlx, p piq.
        const std::string site = "www." + std::string(FigureSitePrefix) + "-abc-";
        for (const auto& [letter, code] : {std::pair{"r", "rmt"}, {"c", "cto"}, {"t", "tlx"}, {"p", "piq"}}) {
            const QString key = QString::fromLatin1(letter);
            EXPECT_EQ(o.value(QStringLiteral("codes")).toObject().value(key).toString(), QString::fromLatin1(code));
            EXPECT_EQ(o.value(QStringLiteral("figure")).toObject().value(key).toString(),
                      qs("http://" + site + code + ".com"));
            EXPECT_EQ(o.value(QStringLiteral("register")).toObject().value(key).toString(), qs(site + code + ".com"));
        }
    }
}

TEST(CodeReport, jsonLineIsExactlyAsSpecified)
{
    // A leading hyphen, then a quote that needs escaping in the input and in the first step's text.
    const std::string p(FigureSitePrefix);
    const std::string expected =
        R"({"input":"-a\"","steps":[)"
        R"({"notice":"LeadingHyphen","position":null,)"
        R"("message":"The first character cannot be a hyphen.It will be eliminated.","text":"a\""},)"
        R"({"notice":"InvalidCharacter","position":2,)"
        R"("message":"The character  2 is erroneous.It will be eliminated.","text":"a"}],)"
        R"("name":"a","prefix":")" +
        p + R"(","plain":"http://www.a.com","codes":{"r":"rku","c":"cue","t":"tua","p":"pnh"},)" +
        R"("figure":{"r":"http://www.)" + p + R"(-a-rku.com","c":"http://www.)" + p +
        R"(-a-cue.com","t":"http://www.)" + p + R"(-a-tua.com","p":"http://www.)" + p + R"(-a-pnh.com"},)" +
        R"("register":{"r":"www.)" + p + R"(-a-rku.com","c":"www.)" + p + R"(-a-cue.com","t":"www.)" + p +
        R"(-a-tua.com","p":"www.)" + p + "-a-pnh.com\"}}\n";
    EXPECT_EQ(report({"-a\""}, true, UiLanguage::English).out, expected);
}

// Texts whose steps remove characters of every width and escape, from the front, the middle and the end, and
// cut at forty characters before or after removals.
std::vector<std::string> trickyInputs()
{
    std::vector<std::string> inputs = {
        "",
        "-",
        "---abc",
        "a-b",
        "$-Ab c",
        "a\"b\\c\x01"
        "d\te\x7f",
        "\xff-\xfe\xc3",
        "\xc3\xa9-\xc3\xb1x",
        "\xf0\x9f\x98\x80x\xed\xa0\x80y",
        std::string(40, 'a'),
        std::string(41, 'A'),
        std::string(1, '-') + std::string(45, 'b') + "$",
        std::string(20, ' ') + std::string(50, 'c'),
        std::string("\0a\0", 3),
    };
    // Random texts over the name symbols and a few characters that are not, with a fixed seed.
    const std::vector<std::string> pieces = {
        "a",    "Z",   "7", "-", "$", " ", "\xc3\x91", "\xc3\xa9", "\"", "\\", "\n", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
        "\xff", "\x80"};
    unsigned seed = 12345;
    auto next = [&seed](unsigned bound) {
        seed = seed * 1103515245U + 12345U;
        return (seed >> 16) % bound;
    };
    for (int i = 0; i < 400; ++i) {
        std::string input;
        const unsigned length = next(i % 20 == 0 ? 300 : 70);
        for (unsigned k = 0; k < length; ++k) {
            input += pieces[next(static_cast<unsigned>(pieces.size()))];
        }
        inputs.push_back(input);
    }
    return inputs;
}

TEST(CodeReport, everyStepTextIsTheTextAfterThatStep)
{
    // The report writes each text from pieces of the input; it must read as the rules applied one by one.
    for (UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
        const std::vector<std::string> inputs = trickyInputs();
        const Captured captured = report(inputs, true, language);
        std::size_t start = 0;
        for (const std::string& input : inputs) {
            SCOPED_TRACE(input);
            const std::size_t end = captured.out.find('\n', start);
            ASSERT_NE(end, std::string::npos);
            const QJsonObject o = onlyObject(captured.out.substr(start, end + 1 - start));
            start = end + 1;
            std::u32string text = decodeUtf8(input);
            EXPECT_EQ(o.value(QStringLiteral("input")).toString(), qs(encodeUtf8(text, RawBytes::Replacement)));
            const std::vector<NameStep> expected = validateName(text);
            const QJsonArray steps = o.value(QStringLiteral("steps")).toArray();
            ASSERT_EQ(steps.size(), static_cast<qsizetype>(expected.size()));
            for (qsizetype i = 0; i < steps.size(); ++i) {
                const NameStep& e = expected[static_cast<std::size_t>(i)];
                applyNameStep(text, e);
                EXPECT_EQ(steps[i].toObject().value(QStringLiteral("message")).toString(), qs(noticeText(e, language)));
                EXPECT_EQ(steps[i].toObject().value(QStringLiteral("text")).toString(),
                          qs(encodeUtf8(text, RawBytes::Replacement)))
                    << "step " << i;
            }
            const std::string name = encodeUtf8(asciiLower(text));
            EXPECT_EQ(o.value(QStringLiteral("name")).toString(), qs(name));
            if (name.empty()) {
                EXPECT_TRUE(o.value(QStringLiteral("plain")).isNull());
                continue;
            }
            EXPECT_EQ(o.value(QStringLiteral("plain")).toString(), qs(plainAddress(name)));
            for (FigureKind kind : AllFigureKinds) {
                const QString key(QChar::fromLatin1(figureLetter(kind)));
                EXPECT_EQ(o.value(QStringLiteral("codes")).toObject().value(key).toString(),
                          qs(figureCode(kind, name)));
                EXPECT_EQ(o.value(QStringLiteral("figure")).toObject().value(key).toString(),
                          qs(figureAddress(kind, name)));
                EXPECT_EQ(o.value(QStringLiteral("register")).toObject().value(key).toString(),
                          qs(registerAddress(kind, name)));
            }
        }
        EXPECT_EQ(start, captured.out.size());
    }
}

TEST(CodeReport, emptyNamesHaveNullAddresses)
{
    for (const char* input : {"", "-", "$$", "\xff"}) {
        const QJsonObject o = onlyObject(report({input}, true).out);
        EXPECT_EQ(o.value(QStringLiteral("name")).toString(), QString());
        for (const char* key : {"plain", "codes", "figure", "register"}) {
            EXPECT_TRUE(o.value(QLatin1String(key)).isNull()) << input << " " << key;
        }
    }
}

TEST(CodeReport, tooLongNamesAreCutOnce)
{
    const std::string input = std::string(45, 'A') + "$";
    const QJsonObject o = onlyObject(report({input}, true, UiLanguage::English).out);
    const QJsonArray steps = o.value(QStringLiteral("steps")).toArray();
    ASSERT_EQ(steps.size(), 2);
    EXPECT_EQ(steps[0].toObject().value(QStringLiteral("position")).toInt(), 46);
    EXPECT_EQ(steps[1].toObject().value(QStringLiteral("notice")).toString(), QStringLiteral("TooLong"));
    EXPECT_EQ(steps[1].toObject().value(QStringLiteral("text")).toString(), QString(40, QLatin1Char('A')));
    EXPECT_EQ(o.value(QStringLiteral("name")).toString(), QString(40, QLatin1Char('a')));
}

TEST(CodeReport, readableReportPutsNoticesOnTheErrorOutput)
{
    const Captured en = report({"abc", "a bc", "--"}, false, UiLanguage::English);
    // A name, then its five addresses indented: the plain one, then the four figures' (r, c, t, p).
    const std::string site = "  http://www." + std::string(FigureSitePrefix) + "-abc-";
    const std::string abc = "abc\n  http://www.abc.com\n" + site + "rmt.com\n" + site + "cto.com\n" + site +
                            "tlx.com\n" + site + "piq.com\n";
    EXPECT_EQ(en.out, abc + abc + "(empty name: no addresses)\n");
    EXPECT_EQ(en.err, "\"a bc\"\n"
                      "  The character  2 is erroneous.It will be eliminated.\n"
                      "\"--\"\n"
                      "  The first character cannot be a hyphen.It will be eliminated.\n"
                      "  The first character cannot be a hyphen.It will be eliminated.\n");
    const Captured es = report({"\x1b[31m"}, false);
    EXPECT_EQ(es.err.find('\x1b'), std::string::npos) << "control characters are not sent to a terminal";
    EXPECT_NE(es.err.find("El carácter  1 és erroneo, se borrará"), std::string::npos);
}

TEST(CodeReport, overLongInputIsNotCodedAndSaysSo)
{
    Captured captured;
    CodeReporter reporter(
        UiLanguage::Spanish, true,
        [&captured](std::string_view s) {
            captured.out += s;
            return true;
        },
        [&captured](std::string_view s) {
            captured.err += s;
            return true;
        });
    reporter.codeInput(std::string(MaxInputLength, 'a'));
    std::string accents;
    for (std::size_t i = 0; i <= MaxInputLength; ++i) {
        accents += "\u00E9";
    }
    reporter.codeInput(accents); // fewer bytes than a line may have, but one character too many
    reporter.codeInput("\xff\xff");
    ASSERT_TRUE(reporter.flush());
    EXPECT_EQ(reporter.inputCount(), 3U);
    EXPECT_EQ(reporter.rejectedCount(), 1U);
    std::vector<std::string> lines;
    for (std::size_t start = 0; start < captured.out.size();) {
        const std::size_t end = captured.out.find('\n', start);
        lines.push_back(captured.out.substr(start, end - start));
        start = end + 1;
    }
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[1], R"({"input":null,"error":"input 2 is longer than 32767 characters and was not coded"})");
    EXPECT_NE(captured.err.find("input 2 is longer than 32767 characters"), std::string::npos);
    const QJsonObject last = onlyObject(lines[2] + "\n");
    EXPECT_EQ(last.value(QStringLiteral("steps")).toArray().size(), 2);
    EXPECT_EQ(onlyObject(lines[0] + "\n").value(QStringLiteral("steps")).toArray().size(), 1) << "cut to 40";
}

TEST(CodeReport, theTwoOutputsFailSeparately)
{
    struct Case
    {
        bool outWorks;
        bool errWorks;
        const char* err; // what reached the error output
    };
    const std::vector<Case> table = {
        {true, false, ""},
        {false, true,
         "\"a b\"\n  The character  2 is erroneous.It will be eliminated.\n"
         "\"c d\"\n  The character  2 is erroneous.It will be eliminated.\n"},
    };
    for (const Case& c : table) {
        Captured captured;
        int errCalls = 0;
        CodeReporter reporter(
            UiLanguage::English, false,
            [&](std::string_view s) {
                captured.out += c.outWorks ? s : std::string_view();
                return c.outWorks;
            },
            [&](std::string_view s) {
                ++errCalls;
                captured.err += c.errWorks ? s : std::string_view();
                return c.errWorks;
            });
        reporter.codeInput("a b");
        reporter.codeInput("c d");
        EXPECT_FALSE(reporter.flush());
        EXPECT_EQ(reporter.outputFailed(), !c.outWorks);
        EXPECT_EQ(reporter.errorOutputFailed(), !c.errWorks);
        EXPECT_EQ(captured.err, c.err);
        if (c.outWorks) {
            // Both answers, each a name line and five address lines.
            EXPECT_EQ(captured.out.rfind("ab\n", 0), 0U);
            EXPECT_NE(captured.out.find("\ncd\n"), std::string::npos);
            EXPECT_EQ(std::count(captured.out.begin(), captured.out.end(), '\n'), 12);
        } else {
            EXPECT_EQ(errCalls, 2) << "each notice is tried";
        }
        if (!c.errWorks) {
            EXPECT_EQ(errCalls, 1) << "a failed error output is not tried again";
        }
    }
}

TEST(CodeReport, aFailingSinkIsReported)
{
    CodeReporter reporter(
        UiLanguage::Spanish, true, [](std::string_view) { return false; }, [](std::string_view) { return true; });
    reporter.codeInput("abc");
    EXPECT_FALSE(reporter.flush());
    EXPECT_TRUE(reporter.writeFailed());
}

} // namespace
} // namespace quorvel::cli
