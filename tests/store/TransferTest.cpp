// Export and import on real favourites files: nothing lost on the way out and back, nothing added twice,
// every row accounted for, and hostile input refused with nothing half written.
#include "store/Transfer.h"

#include "core/Unicode.h"
#include "store/FavouritesStore.h"
#include "tests/support/FavouritesFixtures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using namespace quorvel;
using namespace quorvel::store;

namespace {

/// The rows in the order every window walks them: by name, the records of one name as they were added.
test::Rows inTableOrder(test::Rows rows)
{
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return rows;
}

class TransferTest : public testing::Test
{
protected:
    QTemporaryDir m_dir;

    QString path() const { return m_dir.filePath(QStringLiteral("QUORVEL.MDB")); }
    QString file(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    void write(const QString& name, const QByteArray& bytes)
    {
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }

    static QByteArray read(const QString& name)
    {
        QFile in(name);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    /// Imports a file into the favourites file at path(); the report's lines go to notes.
    ImportSummary import(const QString& input, bool dryRun = false, std::vector<std::string>* notes = nullptr)
    {
        FavouritesStore store(path());
        return importFile(store, input, std::nullopt, dryRun, [notes](const ImportNote& note) {
            if (notes != nullptr) {
                notes->push_back(describeNote(note, UiLanguage::English));
            }
        });
    }

    ImportSummary importBytes(const QByteArray& bytes, bool dryRun = false, std::vector<std::string>* notes = nullptr)
    {
        const QString input = file("input.txt");
        write(input, bytes);
        return import(input, dryRun, notes);
    }

    static std::string counts(const ImportSummary& s)
    {
        return std::to_string(s.written) + "/" + std::to_string(s.corrected) + "/" + std::to_string(s.alreadyThere) +
               "/" + std::to_string(s.leftOut);
    }
};

TEST_F(TransferTest, exportThenImportIntoAnEmptyFileGivesTheSameRecords)
{
    const test::Rows kept = test::rows("abc r, abc p, xyz c, a-b t, 0-9 p, zz r");
    for (const char* name : {"out.csv", "out.json"}) {
        SCOPED_TRACE(name);
        QFile::remove(path());
        test::makeFavouritesFile(path(), kept);
        FavouritesStore source(path());
        const ExportSummary exported = exportFile(source, file(name), formatForFileName(file(name)));
        ASSERT_FALSE(exported.failed()) << exported.outputError;
        EXPECT_EQ(exported.written, 6);

        ASSERT_TRUE(QFile::remove(path()));
        const ImportSummary imported = import(file(name));
        ASSERT_FALSE(imported.failed());
        EXPECT_EQ(counts(imported), "6/0/0/0");
        EXPECT_TRUE(imported.committed);
        // The table's order (by name, then as added) is the export's order, so the records come back alike.
        EXPECT_EQ(inTableOrder(test::readRows(path())), test::rows("0-9 p, a-b t, abc r, abc p, xyz c, zz r"));
    }
}

TEST_F(TransferTest, filesAsSpreadsheetsSaveThemImportWithCountsThatAddUp)
{
    struct Case
    {
        const char* title;
        QByteArray bytes;
        const char* counts; ///< written/corrected/already there/left out
        long rowsRead;      ///< the data rows of the file, counted by hand
        bool windows1252;
        const char* kept; ///< the favourites file afterwards
    };
    const Case cases[] = {
        {"Spanish locale: semicolons, Spanish header, Windows-1252, CRLF",
         "Nombre;Figura;Direcci\xF3n\r\nEmpresa N\xFAmero 1;cuadrado;\r\nPe\xF1"
         "a Blanca;c\xEDrculo;\r\n"
         "Tres Cantos;t;\r\nPe\xF1"
         "a Blanca;elipse;\r\nOtra;pol\xEDgono;\r\n",
         "3/3/1/1", 5, true, "empresanmero1 r, peablanca c, trescantos t"},
        {"tab separated with a BOM and an English header in capitals",
         "\xEF\xBB\xBFNAME\tFIGURE\tADDRESS\r\nalpha\tsquare\t\r\nbeta\tHexagon\t\r\n\r\ngamma\t\t\r\n", "2/0/0/1", 3,
         false, "alpha r, beta p"},
        {"quoted fields holding separators, quotes and a line break",
         "name,figure\n\"a,b\",r\n\"say \"\"hi\"\"\",t\n\"two\nlines\",c\nplain,p\n", "4/3/0/0", 4, false,
         "ab r, plain p, sayhi t, twolines c"},
        {"UTF-8 with accents: nothing read as Windows-1252", "nombre,figura\nca\u00F1a,tri\u00E1ngulo\n", "1/1/0/0", 1,
         false, "caa t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        QFile::remove(path());
        const ImportSummary summary = importBytes(c.bytes);
        EXPECT_FALSE(summary.failed());
        EXPECT_EQ(counts(summary), c.counts);
        EXPECT_EQ(summary.rows(), c.rowsRead);
        EXPECT_EQ(summary.readAsWindows1252, c.windows1252);
        EXPECT_EQ(inTableOrder(test::readRows(path())), test::rows(c.kept));
    }
}

TEST_F(TransferTest, theEncodingCanBeSaidOutright)
{
    const QByteArray latin = "name,figure\nN\xFAm,r\n";
    struct Case
    {
        TextEncoding encoding;
        const char* note;
        bool toldOnce;
    };
    const Case cases[] = {
        {TextEncoding::Auto,
         "line 2: \"N\u00FAm\" saved as \"nm\": upper case made lower case; \u00AB\u00FA\u00BB removed (position 2)",
         true},
        {TextEncoding::Windows1252,
         "line 2: \"N\u00FAm\" saved as \"nm\": upper case made lower case; \u00AB\u00FA\u00BB removed (position 2)",
         false},
        {TextEncoding::Utf8,
         "line 2: \"N\uFFFDm\" saved as \"nm\": upper case made lower case; byte 0xFA that is not text removed "
         "(position 2)",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.note);
        QFile::remove(path());
        write(file("latin.csv"), latin);
        std::vector<std::string> notes;
        FavouritesStore store(path());
        const ImportSummary summary = importFile(
            store, file("latin.csv"), std::nullopt, false,
            [&notes](const ImportNote& note) { notes.push_back(describeNote(note, UiLanguage::English)); }, c.encoding);
        EXPECT_EQ(counts(summary), "1/1/0/0");
        EXPECT_EQ(notes, std::vector<std::string>{c.note});
        EXPECT_EQ(summary.readAsWindows1252, c.toldOnce);
    }
}

TEST_F(TransferTest, aNameOfManyDifferentCharactersGetsAReportOfReasonableLength)
{
    std::string name;
    for (char32_t c = 0x4E00; c < 0x4E00 + 30; ++c) {
        appendUtf8(name, c);
    }
    std::vector<std::string> notes;
    EXPECT_EQ(counts(importBytes(QByteArray::fromStdString("name,figure\n" + name + "ok,r\n"), false, &notes)),
              "1/1/0/0");
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("\u00AB\u4E13\u00BB removed (position 20)"), std::string::npos) << notes[0];
    EXPECT_EQ(notes[0].find("\u00AB\u4E14\u00BB"), std::string::npos) << "the 21st character is only counted";
    EXPECT_TRUE(notes[0].ends_with("; and 10 more characters removed")) << notes[0];
}

TEST_F(TransferTest, importingAFileTwiceAddsNothingTheSecondTime)
{
    test::makeFavouritesFile(path(), test::rows("abc r"));
    const QByteArray csv = "name,figure,address\r\nabc,r,\r\nabc,t,\r\nNEW,p,\r\nnew,p,\r\n";
    EXPECT_EQ(counts(importBytes(csv)), "2/1/2/0"); // "abc r" was there; "new p" comes twice, first in capitals
    const test::Rows after = test::readRows(path());
    EXPECT_EQ(inTableOrder(after), test::rows("abc r, abc t, new p"));
    EXPECT_EQ(counts(importBytes(csv)), "0/0/4/0");
    EXPECT_EQ(test::readRows(path()), after);
}

TEST_F(TransferTest, everyRowIsKeptCorrectedOrRefusedWithItsLineAndReason)
{
    const QByteArray csv = "name,figure,address\n"
                           "good,r,\n"
                           "Mi Empresa,polígono de tres lados,\n"
                           "--ab,c,\n"
                           "\"x\ny\",p,\n"
                           "abc\xFF,r,\n"
                           "ok,sqare,\n"
                           "$$$,r,\n"
                           "a,b,r,x\n"
                           "toolong45678901234567890123456789012345678901,t,\n";
    std::vector<std::string> notes;
    const ImportSummary summary = importBytes(csv, false, &notes);
    EXPECT_EQ(counts(summary), "6/5/0/3");
    EXPECT_EQ(summary.rows(), 9);
    EXPECT_TRUE(summary.readAsWindows1252) << "the row with the byte 0xFF";
    const std::vector<std::string> expected = {
        "line 3: \"Mi Empresa\" saved as \"miempresa\": upper case made lower case; blank removed (position 3)",
        "line 4: \"--ab\" saved as \"ab\": leading hyphen removed (positions 1, 2)",
        "line 5: \"x\\x0Ay\" saved as \"xy\": control character U+000A removed (position 2)",
        "line 7: \"abcÿ\" saved as \"abc\": «ÿ» removed (position 4)",
        "line 8: \"ok\" left out: unknown figure \"sqare\" (use r, c, t, p or a figure such as square, circle, "
        "triangle, hexagon)",
        "line 9: \"$$$\" left out: nothing is left of the name \"$$$\" once corrected",
        "line 10: left out: 4 fields where the header has 3",
        "line 11: \"toolong45678901234567890123456789012345678901\" saved as "
        "\"toolong456789012345678901234567890123456\": cut to 40 characters",
    };
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(inTableOrder(test::readRows(path())), test::rows("ab c, abc r, good r, miempresa t, "
                                                               "toolong456789012345678901234567890123456 t, xy p"));
}

TEST_F(TransferTest, anImportWithNothingToKeepCreatesNoFile)
{
    EXPECT_EQ(counts(importBytes("name,figure\n$$,r\nabc,x\n")), "0/0/0/2");
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(TransferTest, aDryRunReportsTheSameAndWritesNothing)
{
    const QByteArray csv = "name,figure\nabc,r\nxyz,t\nXYZ,t\n,r\n";
    EXPECT_EQ(counts(importBytes(csv, true)), "2/0/1/1");
    EXPECT_FALSE(QFile::exists(path())) << "a dry run creates no file";

    test::makeFavouritesFile(path(), test::rows("abc r"));
    const QByteArray before = test::fileDigest(path());
    const ImportSummary dry = importBytes(csv, true);
    EXPECT_EQ(counts(dry), "1/0/2/1");
    EXPECT_FALSE(dry.committed);
    EXPECT_EQ(test::fileDigest(path()), before);
    EXPECT_EQ(counts(importBytes(csv)), "1/0/2/1") << "the real import does what the dry run said";
}

struct HostileCase
{
    const char* title;
    QByteArray bytes;
    TransferProblem problem;
};

TEST_F(TransferTest, anUnusableFileIsRefusedWholeAndNothingIsWritten)
{
    const QByteArray good = "name,figure\nabc,r\n";
    const std::vector<HostileCase> cases = {
        {"empty", "", TransferProblem::EmptyFile},
        {"a NUL byte after good rows", good + QByteArray("x\0y,t\n", 6) + good, TransferProblem::NotText},
        {"header missing", "abc,r,\nxyz,t,\n", TransferProblem::HeaderMissing},
        {"UTF-16", QByteArray("\xFF\xFEn\0a\0m\0e\0", 10), TransferProblem::Utf16},
        {"JSON cut off", "[{\"name\":\"abc\",\"figure\":\"r\"},", TransferProblem::BadJson},
        {"a favourites database itself", QByteArray("SQLite format 3\0", 16) + test::noise(4000),
         TransferProblem::NotText},
    };
    test::makeFavouritesFile(path(), test::rows("old r"));
    const QByteArray before = test::fileDigest(path());
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.title);
        const ImportSummary summary = importBytes(c.bytes);
        ASSERT_TRUE(summary.fileProblem.has_value());
        EXPECT_EQ(summary.fileProblem->problem, c.problem);
        EXPECT_FALSE(summary.committed);
        EXPECT_EQ(test::fileDigest(path()), before);
        EXPECT_FALSE(describeFileProblem(*summary.fileProblem, UiLanguage::English).empty());
    }
}

TEST_F(TransferTest, foldersPipesAndMissingFilesAreRefusedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(QFile::encodeName(file("pipe")).constData(), 0600), 0);
    const struct
    {
        QString input;
        TransferProblem problem;
    } cases[] = {
        {m_dir.path(), TransferProblem::IsFolder},
        {file("pipe"), TransferProblem::NotAFile},
        {QStringLiteral("/dev/zero"), TransferProblem::NotAFile},
        {file("missing.csv"), TransferProblem::NoSuchFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        QElapsedTimer took;
        took.start();
        const ImportSummary summary = import(c.input);
        EXPECT_LT(took.elapsed(), 5000);
        ASSERT_TRUE(summary.fileProblem.has_value());
        EXPECT_EQ(summary.fileProblem->problem, c.problem);
        EXPECT_FALSE(QFile::exists(path())) << "no favourites file is created for an unusable input";
    }
}

TEST_F(TransferTest, aTenMegabyteLineIsOneRefusedRow)
{
    QByteArray csv = "name,figure\nabc,r\n";
    csv += QByteArray(10 * 1024 * 1024, 'x') + ",t\nxyz,t\n";
    std::vector<std::string> notes;
    EXPECT_EQ(counts(importBytes(csv, false, &notes)), "2/0/0/1");
    EXPECT_EQ(notes, std::vector<std::string>{"line 3: left out: the row is longer than 65536 bytes"});
    EXPECT_EQ(test::readRows(path()), test::rows("abc r, xyz t"));
}

TEST_F(TransferTest, aFileThatIsNotAFavouritesDatabaseIsNeverWritten)
{
    const QByteArray csv = "name,figure\nabc,r\n";
    write(path(), test::noise(8192));
    QByteArray before = test::fileDigest(path());
    ImportSummary summary = importBytes(csv);
    ASSERT_TRUE(summary.storeProblem.has_value());
    EXPECT_EQ(*summary.storeProblem, StoreProblem::NotADatabase);
    EXPECT_EQ(test::fileDigest(path()), before);

    QFile::remove(path());
    test::makeForeignTable(path());
    before = test::fileDigest(path());
    summary = importBytes(csv);
    ASSERT_TRUE(summary.storeProblem.has_value());
    EXPECT_EQ(*summary.storeProblem, StoreProblem::MissingFields);
    EXPECT_EQ(test::fileDigest(path()), before);

    FavouritesStore store(path());
    const ExportSummary exported = exportFile(store, file("out.csv"), TransferFormat::Csv);
    ASSERT_TRUE(exported.storeProblem.has_value());
    EXPECT_FALSE(QFile::exists(file("out.csv"))) << "a failed export leaves no file behind";
}

TEST_F(TransferTest, aLockedFileIsWaitedForThenNothingIsWritten)
{
    test::makeFavouritesFile(path(), test::rows("abc r"));
    QProcess holder;
    holder.start(QStringLiteral(QUORVEL_LOCK_HOLDER), {path(), QStringLiteral("3500")});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_TRUE(holder.readAllStandardOutput().startsWith("locked"));
    QElapsedTimer waited;
    waited.start();
    const ImportSummary summary = importBytes("name,figure\nxyz,t\n");
    EXPECT_GE(waited.elapsed(), FavouritesBusyTimeoutMs - 200) << "the import waits a moment first";
    ASSERT_TRUE(summary.storeProblem.has_value());
    EXPECT_EQ(*summary.storeProblem, StoreProblem::Locked);
    EXPECT_EQ(counts(summary), "0/0/0/0");
    holder.waitForFinished(10000);
    EXPECT_EQ(test::readRows(path()), test::rows("abc r"));
}

TEST_F(TransferTest, exportLeavesOutRecordsShownNowhereAndReplacesAFileOnlyWhenDone)
{
    test::makeFavouritesFile(path(), test::rows("abc r, bad R, xyz -"));
    write(file("out.csv"), "earlier");
    FavouritesStore store(path());
    const ExportSummary summary = exportFile(store, file("out.csv"), TransferFormat::Csv);
    EXPECT_EQ(summary.written, 1);
    EXPECT_EQ(summary.skipped, 2);
    EXPECT_TRUE(read(file("out.csv")).startsWith("name,figure,address\r\nabc,r,http://www."));

    // An export into a folder that cannot be written leaves the earlier file there as it was.
    QDir(m_dir.path()).mkdir(QStringLiteral("locked"));
    write(file("locked/out.csv"), "earlier");
    ::chmod(QFile::encodeName(file("locked")).constData(), 0500);
    const ExportSummary refused = exportFile(store, file("locked/out.csv"), TransferFormat::Csv);
    ::chmod(QFile::encodeName(file("locked")).constData(), 0700);
    if (::geteuid() != 0) {
        EXPECT_FALSE(refused.outputError.empty());
        EXPECT_EQ(read(file("locked/out.csv")), "earlier");
    }
}

TEST_F(TransferTest, aMissingFavouritesFileExportsAnEmptyList)
{
    FavouritesStore store(path());
    const ExportSummary summary = exportFile(store, file("out.json"), TransferFormat::Json);
    EXPECT_FALSE(summary.failed());
    EXPECT_EQ(read(file("out.json")), "[\n]\n");
    EXPECT_FALSE(QFile::exists(path()));
}

} // namespace
