// quorvel-favourites run as a process, as a script or a person runs it: its output, its report and its exit
// status, on real favourites files.
#include "tests/support/FavouritesFixtures.h"

#include <QDir>
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
    QString settingsFolder() const { return m_dir.filePath(QStringLiteral("settings")); }

    /// The settings file names English as the start language, as after choosing it in the windows; the program
    /// speaks the same language.
    void SetUp() override
    {
        ASSERT_TRUE(QDir().mkpath(settingsFolder()));
        write(settingsFolder() + QStringLiteral("/quorvel.ini"), "[Idioma]\r\nInici=Angles\r\n");
    }

    /// Runs the program with QUORVEL_DATA_DIR set to the test's folder unless dataDir says otherwise.
    Outcome run(const QStringList& arguments, const QByteArray& input = {}, const QString& dataDir = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QUORVEL_DATA_DIR"), dataDir.isEmpty() ? m_dir.path() : dataDir);
        environment.insert(QStringLiteral("QUORVEL_SYSTEM_DIR"), settingsFolder());
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
    EXPECT_EQ(again.err,
              "quorvel-favourites: \"miempresa\" is not among the favorites with the figure r: nothing was removed\n");
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
        EXPECT_EQ(
            imported.err,
            "favorites written: 4 (with the name corrected: 0); already there: 0; rows left out: 0; rows read: 4\n");
        EXPECT_EQ(test::readRows(elsewhere.filePath(QStringLiteral("QUORVEL.MDB"))),
                  test::rows("abc r, abc p, q1 t, x-y c"));
        const Outcome twice =
            run({QStringLiteral("--data-dir"), elsewhere.path(), QStringLiteral("import"), QStringLiteral("-")},
                QByteArray::fromStdString(exported.out));
        EXPECT_EQ(
            twice.err,
            "favorites written: 0 (with the name corrected: 0); already there: 4; rows left out: 0; rows read: 4\n");
    }
}

TEST_F(QuorvelFavouritesTest, importReportsEachRowByLineAndExitsOneWhenSomeAreRefused)
{
    write(file("in.csv"), "name,figure,address\r\nabc,r,\r\nA B,círculo o elipse,\r\nxyz,q,\r\n");
    const Outcome dry = run({QStringLiteral("import"), QStringLiteral("--dry-run"), file("in.csv")});
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(dry.err,
              "line 3: \"A B\" would be saved as \"ab\": upper case made lower case; blank removed (position 2)\n"
              "line 4: \"xyz\" would be left out: unknown figure \"q\" (use r, c, t, p or a figure such as "
              "square, circle, triangle, hexagon)\n"
              "favorites that would be written: 2 (with the name corrected: 1); already there: 0; rows that "
              "would be left out: 1; rows read: 3 (dry run: nothing written)\n");
    EXPECT_FALSE(QFile::exists(path()));

    const Outcome spanish =
        run({QStringLiteral("--lang"), QStringLiteral("es"), QStringLiteral("import"), file("in.csv")});
    EXPECT_EQ(spanish.status, 1);
    EXPECT_EQ(spanish.err,
              "línea 3: \"A B\" se guarda como \"ab\": mayúsculas pasadas a minúsculas; espacio quitado "
              "(posición 2)\n"
              "línea 4: \"xyz\" omitida: figura desconocida \"q\" (use r, c, t, p o una figura como "
              "cuadrado, círculo, triángulo, hexágono)\n"
              "favoritos guardados: 2 (con el nombre corregido: 1); ya estaban: 0; filas omitidas: 1; filas "
              "leídas: 3\n");
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
          QStringList{QStringLiteral("add"), QStringLiteral("abc")}, QStringList{QStringLiteral("import")},
          QStringList{QStringLiteral("export"), QStringLiteral("--format=xml")},
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

TEST_F(QuorvelFavouritesTest, aSpanishSpreadsheetFileImportsWithItsCountsAndTheEncodingCanBeSaid)
{
    write(file("lista.csv"), "Nombre;Figura;Direcci\xF3n\r\nPe\xF1"
                             "a;c\xEDrculo;\r\nabc;hex\xE1gono;\r\n");
    const Outcome spanish =
        run({QStringLiteral("--lang"), QStringLiteral("es"), QStringLiteral("import"), file("lista.csv")});
    EXPECT_EQ(spanish.status, 0);
    EXPECT_EQ(spanish.err, "línea 2: \"Peña\" se guarda como \"pea\": mayúsculas pasadas a minúsculas; «ñ» quitado "
                           "(posición 3)\n"
                           "favoritos guardados: 2 (con el nombre corregido: 1); ya estaban: 0; filas omitidas: 0; "
                           "filas leídas: 2; el archivo no es UTF-8: se ha leído como Windows-1252\n");
    EXPECT_EQ(test::readRows(path()), test::rows("abc p, pea c"));

    const Outcome told = run({QStringLiteral("import"), QStringLiteral("--encoding"), QStringLiteral("utf-8"),
                              QStringLiteral("--dry-run"), file("lista.csv")});
    EXPECT_EQ(told.status, 1);
    EXPECT_EQ(told.err.rfind("line 2: \"Pe\uFFFDa\" would be left out: unknown figure", 0), 0u) << told.err;
    const Outcome bad = run({QStringLiteral("import"), QStringLiteral("--encoding=ebcdic"), file("lista.csv")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "quorvel-favourites: --encoding takes utf-8 or windows-1252; see quorvel-favourites --help\n");
}

TEST_F(QuorvelFavouritesTest, anUnknownFigureIsLeftOutWithItsReasonNeverAUsageError)
{
    const Outcome added = run({QStringLiteral("add"), QStringLiteral("abc"), QStringLiteral("círculo"),
                               QStringLiteral("blob"), QStringLiteral("Triangle")});
    EXPECT_EQ(added.status, 1);
    EXPECT_EQ(added.out, "abc c: kept\nabc t: kept\n");
    EXPECT_EQ(added.err, "quorvel-favourites: unknown figure \"blob\" (use r, c, t, p or a figure such as square, "
                         "circle, triangle, hexagon): not kept\n");
    EXPECT_EQ(added.err.find("usage:"), std::string::npos);
    const Outcome removed = run({QStringLiteral("remove"), QStringLiteral("abc"), QStringLiteral("blob")});
    EXPECT_EQ(removed.status, 1);
    EXPECT_EQ(removed.err.find("usage:"), std::string::npos);
    EXPECT_EQ(test::readRows(path()), test::rows("abc c, abc t"));
    const Outcome listed = run({QStringLiteral("list"), QStringLiteral("--figure"), QStringLiteral("circle")});
    EXPECT_EQ(listed.out, "abc\n");
}

TEST_F(QuorvelFavouritesTest, theLanguageComesFromTheSettingsFileUnlessLangSaysOtherwise)
{
    struct Case
    {
        const char* settings; ///< nullptr: no settings file
        QStringList arguments;
        const char* helpStart;
    };
    const Case cases[] = {
        {nullptr, {QStringLiteral("--help")}, "uso: quorvel-favourites"},
        {"[Idioma]\nInici=Espanyol\n", {QStringLiteral("--help")}, "uso: quorvel-favourites"},
        {"[Idioma]\nInici=Angles\n", {QStringLiteral("--help")}, "usage: quorvel-favourites"},
        {"[Idioma]\nInici=Angles\n",
         {QStringLiteral("--lang"), QStringLiteral("es"), QStringLiteral("--help")},
         "uso: quorvel-favourites"},
        {nullptr, {QStringLiteral("--help"), QStringLiteral("--lang=en")}, "usage: quorvel-favourites"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString() + " with " + (c.settings ? c.settings : "no settings"));
        QFile::remove(settingsFolder() + QStringLiteral("/quorvel.ini"));
        if (c.settings != nullptr) {
            write(settingsFolder() + QStringLiteral("/quorvel.ini"), c.settings);
        }
        const Outcome help = run(c.arguments);
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(c.helpStart, 0), 0u) << help.out;
    }
    // A mistake is told in the same language, in one line that points at the help; an option the program does not
    // know too.
    QFile::remove(settingsFolder() + QStringLiteral("/quorvel.ini"));
    const Outcome bad = run({QStringLiteral("frobnicate")});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err, "quorvel-favourites: orden desconocida frobnicate; véase quorvel-favourites --help\n");
    const Outcome unknown = run({QStringLiteral("--colour"), QStringLiteral("list")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err, "quorvel-favourites: opción desconocida '--colour'; véase quorvel-favourites --help\n");
    const Outcome english = run({QStringLiteral("--colour"), QStringLiteral("--lang=en"), QStringLiteral("list")});
    EXPECT_EQ(english.err, "quorvel-favourites: unknown option '--colour'; see quorvel-favourites --help\n");
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
