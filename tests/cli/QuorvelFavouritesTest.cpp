// quorvel-favourites run as a process, as a script or a person runs it: its output, its report and its exit
// status, on real favourites files.
#include "tests/support/FavouritesFixtures.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

using namespace quorvel;

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

class QuorvelFavouritesTest : public testing::Test
{
protected:
    QTemporaryDir m_dir;

    QString path() const { return m_dir.filePath(QStringLiteral("QUORVEL.MDB")); }
    QString file(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    /// Runs the program with QUORVEL_DATA_DIR set to the test's folder unless dataDir says otherwise.
    Outcome run(const QStringList& arguments, const QByteArray& input = {}, const QString& dataDir = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVEL_DATA_DIR"), dataDir.isEmpty() ? m_dir.path() : dataDir);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUORVEL_FAVOURITES_PATH), arguments);
        EXPECT_TRUE(process.waitForStarted(10000));
        process.write(input);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(30000));
        Outcome result;
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput().toStdString();
        result.err = process.readAllStandardError().toStdString();
        return result;
    }

    void write(const QString& name, const QByteArray& bytes)
    {
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
};

TEST_F(QuorvelFavouritesTest, addListRemoveAsTheWindowsKeepThem)
{
    Outcome added =
        run({QStringLiteral("add"), QStringLiteral("Mi Empresa"), QStringLiteral("r"), QStringLiteral("p")});
    EXPECT_EQ(added.status, 0);
    EXPECT_EQ(added.out, "miempresa r: kept\nmiempresa p: kept\n");
    // The correction is told in the words the windows use for it.
    EXPECT_EQ(added.err, "quorvel-favourites: The character  3 is erroneous.It will be eliminated.\n");
    EXPECT_EQ(run({QStringLiteral("add"), QStringLiteral("abc"), QStringLiteral("t")}).status, 0);
    EXPECT_EQ(run({QStringLiteral("add"), QStringLiteral("abc"), QStringLiteral("t")}).out, "abc t: already there\n");
    EXPECT_EQ(test::readRows(path()), test::rows("miempresa r, miempresa p, abc t"));

    EXPECT_EQ(run({QStringLiteral("list")}).out, "abc\tt\nmiempresa\tr\nmiempresa\tp\n");
    EXPECT_EQ(run({QStringLiteral("list"), QStringLiteral("--figure"), QStringLiteral("p")}).out, "miempresa\n");
    EXPECT_EQ(run({QStringLiteral("list"), QStringLiteral("--figure=t"), QStringLiteral("--json")}).out,
              "[\n{\"name\":\"abc\",\"figure\":\"t\",\"address\":\"http://www." + std::string(FIGURE_SITE_PREFIX) +
                  "-abc-tlx.com\"}\n]\n");

    Outcome removed = run({QStringLiteral("remove"), QStringLiteral("miempresa"), QStringLiteral("r")});
    EXPECT_EQ(removed.status, 0);
    EXPECT_EQ(removed.out, "miempresa r: removed\n");
    Outcome again = run({QStringLiteral("remove"), QStringLiteral("miempresa"), QStringLiteral("r")});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "quorvel-favourites: miempresa r: not kept\n");
    EXPECT_EQ(test::readRows(path()), test::rows("miempresa p, abc t"));
}

TEST_F(QuorvelFavouritesTest, exportThenImportElsewhereGivesTheSameRecords)
{
    test::makeFavouritesFile(path(), test::rows("abc r, abc p, x-y c, q1 t"));
    for (const char* format : {"csv", "json"}) {
        SCOPED_TRACE(format);
        const Outcome exported = run({QStringLiteral("export"), QStringLiteral("--format"), QString::fromUtf8(format)});
        ASSERT_EQ(exported.status, 0) << exported.err;
        QTemporaryDir elsewhere;
        const Outcome imported =
            run({QStringLiteral("--data-dir"), elsewhere.path(), QStringLiteral("import"), QStringLiteral("-")},
                QByteArray::fromStdString(exported.out));
        EXPECT_EQ(imported.status, 0) << imported.err;
        EXPECT_EQ(imported.err, "kept 4, corrected 0, already there 0, refused 0\n");
        EXPECT_EQ(test::readRows(elsewhere.filePath(QStringLiteral("QUORVEL.MDB"))),
                  test::rows("abc r, abc p, q1 t, x-y c"));
        const Outcome twice =
            run({QStringLiteral("--data-dir"), elsewhere.path(), QStringLiteral("import"), QStringLiteral("-")},
                QByteArray::fromStdString(exported.out));
        EXPECT_EQ(twice.err, "kept 0, corrected 0, already there 4, refused 0\n");
    }
}

TEST_F(QuorvelFavouritesTest, importReportsEachRowByLineAndExitsOneWhenSomeAreRefused)
{
    write(file("in.csv"), "name,figure,address\r\nabc,r,\r\nA B,círculo o elipse,\r\nxyz,q,\r\n");
    const Outcome dry = run({QStringLiteral("import"), QStringLiteral("--dry-run"), file("in.csv")});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.err, "line 3: \"A B\" kept as \"ab\": U+0020 removed at position 2\n"
                       "line 4: refused: unknown figure \"q\" (use r, c, t or p)\n"
                       "kept 1, corrected 1, already there 0, refused 1 (dry run: nothing written)\n");
    EXPECT_FALSE(QFile::exists(path()));

    const Outcome spanish =
        run({QStringLiteral("--lang"), QStringLiteral("es"), QStringLiteral("import"), file("in.csv")});
    EXPECT_EQ(spanish.status, 1);
    EXPECT_EQ(spanish.err, "línea 3: \"A B\" se guarda como \"ab\": U+0020 quitado en la posición 2\n"
                           "línea 4: rechazada: figura desconocida \"q\" (use r, c, t o p)\n"
                           "guardados 1, corregidos 1, ya estaban 0, rechazados 1\n");
    // In whichever order they were added: the windows show them by name.
    const test::Rows rows = test::readRows(path());
    const std::set<std::pair<QString, QString>> kept(rows.begin(), rows.end());
    const std::set<std::pair<QString, QString>> expected = {{QStringLiteral("abc"), QStringLiteral("r")},
                                                            {QStringLiteral("ab"), QStringLiteral("c")}};
    EXPECT_EQ(kept, expected);
}

TEST_F(QuorvelFavouritesTest, unusableInputOrFavouritesFileExitsOneAndWritesNothing)
{
    write(file("empty.csv"), "");
    write(file("binary.csv"), QByteArray("name,figure\nab\0c,r\n", 19));
    EXPECT_EQ(run({QStringLiteral("import"), file("empty.csv")}).err,
              "quorvel-favourites: " + file("empty.csv").toStdString() + ": the file is empty; nothing was imported\n");
    const Outcome binary = run({QStringLiteral("import"), file("binary.csv")});
    EXPECT_EQ(binary.status, 1);
    EXPECT_NE(binary.err.find("line 2: the file holds a NUL byte"), std::string::npos) << binary.err;
    const Outcome folder = run({QStringLiteral("import"), m_dir.path()});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("it is a folder, not a file"), std::string::npos) << folder.err;
    EXPECT_FALSE(QFile::exists(path()));

    write(path(), test::noise(4096));
    const QByteArray before = test::fileDigest(path());
    write(file("good.csv"), "name,figure\nabc,r\n");
    for (const QStringList& arguments : {QStringList{QStringLiteral("import"), file("good.csv")},
                                         QStringList{QStringLiteral("add"), QStringLiteral("abc"), QStringLiteral("r")},
                                         QStringList{QStringLiteral("list")}, QStringList{QStringLiteral("export")}}) {
        const Outcome refused = run(arguments);
        EXPECT_EQ(refused.status, 1) << arguments.join(u' ').toStdString();
        EXPECT_NE(refused.err.find("is not a favorites database; it has not been changed"), std::string::npos)
            << refused.err;
    }
    EXPECT_EQ(test::fileDigest(path()), before);
}

TEST_F(QuorvelFavouritesTest, badCommandLinesExitTwo)
{
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("frobnicate")},
          QStringList{QStringLiteral("list"), QStringLiteral("--figure"), QStringLiteral("x")},
          QStringList{QStringLiteral("add"), QStringLiteral("abc")},
          QStringList{QStringLiteral("add"), QStringLiteral("abc"), QStringLiteral("q")},
          QStringList{QStringLiteral("import")}, QStringList{QStringLiteral("export"), QStringLiteral("--format=xml")},
          QStringList{QStringLiteral("list"), QStringLiteral("--dry-run")}, QStringList{QStringLiteral("--bogus")}}) {
        const Outcome bad = run(arguments);
        EXPECT_EQ(bad.status, 2) << arguments.join(u' ').toStdString();
        // One line that says what is wrong and where to look.
        EXPECT_EQ(bad.err.rfind("quorvel-favourites: ", 0), 0U) << bad.err;
        EXPECT_TRUE(bad.err.ends_with("; see quorvel-favourites --help\n")) << bad.err;
        EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1) << bad.err;
        EXPECT_TRUE(bad.out.empty());
    }
    EXPECT_FALSE(QFile::exists(path()));
    const Outcome help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: quorvel-favourites", 0), 0u);
    const Outcome version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quorvel-favourites " QUORVEL_VERSION "\n");
}

TEST_F(QuorvelFavouritesTest, theDataDirOptionGoesBeforeTheEnvironment)
{
    QTemporaryDir other;
    test::makeFavouritesFile(other.filePath(QStringLiteral("QUORVEL.MDB")), test::rows("other r"));
    test::makeFavouritesFile(path(), test::rows("here t"));
    EXPECT_EQ(run({QStringLiteral("list")}).out, "here\tt\n");
    EXPECT_EQ(run({QStringLiteral("list"), QStringLiteral("--data-dir"), other.path()}).out, "other\tr\n");
    const Outcome missing = run({QStringLiteral("--data-dir"), file("nowhere"), QStringLiteral("list")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "quorvel-favourites: no such folder: " + file("nowhere").toStdString() + "\n");
}

TEST_F(QuorvelFavouritesTest, exportToAFileReplacesItWhole)
{
    test::makeFavouritesFile(path(), test::rows("abc r"));
    write(file("out.json"), "old");
    const Outcome exported = run({QStringLiteral("export"), file("out.json")});
    EXPECT_EQ(exported.status, 0);
    EXPECT_EQ(exported.err, "1 favorites exported to " + file("out.json").toStdString() + "\n");
    QFile out(file("out.json"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll().left(11), "[\n{\"name\":\"");
}

} // namespace
