// Importing the favourites of Access files and converting an Access favourites file: the records counted and
// kept by the rules of every import, the report, the Access file kept byte for byte, nothing written when the
// file cannot be read, and a conversion killed at any moment that never leaves the user without one of the two.

#include "access/AccessConversion.h"

#include "access/AccessImport.h"
#include "store/DataFolder.h"
#include "store/FavouritesStore.h"
#include "tests/support/FavouritesFixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace quorvel;
using test::fileDigest;
using test::readRowsByName;
using test::rows;

namespace {

const QString DataFolder = QStringLiteral(QUORVEL_ACCESS_TEST_DATA);
const QString Favourites = QStringLiteral(QUORVEL_FAVOURITES_PATH);

QString data(const char* name)
{
    return DataFolder + QLatin1Char('/') + QLatin1String(name);
}

access::ReaderSettings reader()
{
    access::ReaderSettings settings;
    settings.program = QStringLiteral(QUORVEL_ACCESS_READER);
    return settings;
}

/// What the converted favourites of favourites-access2000.mdb hold, by name and figure.
const char* const Converted2000 = "abc p, abc r, abcdefghijklmnopqrstuvwxyz0123456789abcd p, ao c, casa r, dup t, "
                                  "guion t, mi-casa t, micasa p, obrien r, xyz c, zeta p";

QString copyInto(const QTemporaryDir& folder, const char* fixture, const char* name = "QUORVEL.MDB")
{
    const QString path = folder.filePath(QLatin1String(name));
    QFile::copy(data(fixture), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return path;
}

QStringList listing(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct ImportCase
{
    const char* file;
    long kept, corrected, alreadyThere, refused, leftOutFigure;
    const char* table;
};

class ImportsAccessFile : public ::testing::TestWithParam<ImportCase>
{
};

TEST_P(ImportsAccessFile, countsEveryRecordOnceAndKeepsWhatWindowsShow)
{
    const ImportCase& c = GetParam();
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("QUORVEL.MDB"));
    store::FavouritesStore store(target);
    long notes = 0;
    const access::AccessImportSummary result = access::importAccessFile(
        store, data(c.file), false, [&notes](const store::ImportNote&) { ++notes; }, reader());
    ASSERT_FALSE(result.failed());
    EXPECT_EQ(result.summary.written - result.summary.corrected, c.kept);
    EXPECT_EQ(result.summary.corrected, c.corrected);
    EXPECT_EQ(result.summary.alreadyThere, c.alreadyThere);
    EXPECT_EQ(result.summary.leftOut, c.refused);
    EXPECT_EQ(result.leftOutFigure, c.leftOutFigure);
    EXPECT_EQ(notes, c.corrected + c.refused);
    if (*c.table == '\0') {
        EXPECT_FALSE(QFile::exists(target)); // nothing to keep: the favourites file is not even made
    } else {
        EXPECT_EQ(readRowsByName(target), rows(c.table));
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ImportsAccessFile,
                         ::testing::Values(ImportCase{"favourites-access2000.mdb", 6, 6, 1, 6, 4, Converted2000},
                                           ImportCase{"favourites-access2003.mdb", 6, 6, 1, 6, 4, Converted2000},
                                           ImportCase{"favourites-access2000-wide.mdb", 3, 0, 0, 1, 1,
                                                      "dos c, uno r, uno t"},
                                           ImportCase{"favourites-access2000-nofigure.mdb", 0, 0, 0, 1, 1, ""}));

TEST(AccessImport, reportsEachCorrectedOrLeftOutRecordByItsNumber)
{
    QTemporaryDir folder;
    store::FavouritesStore store(folder.filePath(QStringLiteral("QUORVEL.MDB")));
    std::vector<std::string> english;
    std::vector<std::string> spanish;
    access::importAccessFile(
        store, data("favourites-access2000.mdb"), true,
        [&](const store::ImportNote& note) {
            english.push_back(access::describeAccessNote(note, UiLanguage::English));
            spanish.push_back(access::describeAccessNote(note, UiLanguage::Spanish));
        },
        reader());
    const std::vector<std::string> expected = {
        R"(record 5: "Casa" saved as "casa": upper case made lower case)",
        R"(record 6: "abc" left out: the figure "R" is none of r, c, t, p, so no window ever showed it)",
        "record 7: left out: it has no name",
        "record 8: left out: it has no name",
        R"(record 11: "sol" left out: it has no figure, so no window ever showed it)",
        R"(record 12: "luna" left out: the figure "x" is none of r, c, t, p, so no window ever showed it)",
        R"(record 13: "luna" left out: the figure " " is none of r, c, t, p, so no window ever showed it)",
        R"(record 14: "mi casa" saved as "micasa": blank removed (position 3))",
        R"(record 15: "año" saved as "ao": «ñ» removed (position 2))",
        R"(record 16: "-guion" saved as "guion": leading hyphen removed (position 1))",
        R"(record 17: "abcdefghijklmnopqrstuvwxyz0123456789abcdefg" saved as "abcdefghijklmnopqrstuvwxyz0123456789abcd": cut to 40 characters)",
        R"(record 18: "o'brien" saved as "obrien": «'» removed (position 2))",
    };
    EXPECT_EQ(english, expected);
    ASSERT_EQ(spanish.size(), expected.size());
    EXPECT_EQ(spanish[1],
              R"(registro 6: "abc" se deja fuera: la figura "R" no es r, c, t ni p y ninguna ventana lo muestra)");
}

TEST(AccessImport, dryRunAndUnreadableFilesWriteNothing)
{
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("QUORVEL.MDB"));
    test::makeFavouritesFile(target, rows("abc r"));
    const QByteArray before = fileDigest(target);
    {
        store::FavouritesStore store(target);
        const access::AccessImportSummary dry = access::importAccessFile(
            store, data("favourites-access2000.mdb"), true, [](const auto&) {}, reader());
        EXPECT_EQ(dry.summary.written - dry.summary.corrected, 5);
        EXPECT_EQ(dry.summary.alreadyThere, 2);
        EXPECT_FALSE(dry.summary.committed);
    }
    EXPECT_EQ(fileDigest(target), before);

    // A file cut short: the reading fails part way, after records were delivered; none of them is kept.
    QFile source(data("favourites-access2000.mdb"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString cut = folder.filePath(QStringLiteral("cut.mdb"));
    QFile out(cut);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(source.read(4096 * 3));
    out.close();
    for (const QString& path : {cut, data("other-access2000.mdb"), data("generic-access97.mdb")}) {
        store::FavouritesStore store(target);
        const access::AccessImportSummary result = access::importAccessFile(
            store, path, false, [](const auto&) {}, reader());
        ASSERT_TRUE(result.readFailure.has_value()) << path.toStdString();
        EXPECT_EQ(result.summary.rows(), 0);
        EXPECT_EQ(fileDigest(target), before) << path.toStdString();
        const std::string message =
            access::describeReadFailure(*result.readFailure, path.toStdString(), UiLanguage::English);
        EXPECT_EQ(message.rfind(path.toStdString() + " cannot be read as an Access file: ", 0), 0u) << message;
    }
}

TEST(AccessConversion, keepsTheAccessFileByteForByteBesideTheConvertedFavourites)
{
    QTemporaryDir folder;
    const QString path = copyInto(folder, "favourites-access2000.mdb");
    const QByteArray original = fileDigest(path);
    const access::ConversionResult result = access::convertAccessFavourites(
        path, QString(), [](const auto&) {}, reader());
    ASSERT_TRUE(result.converted) << result.failure;
    EXPECT_EQ(result.favouritesPath, path);
    EXPECT_EQ(result.accessPath, path + QStringLiteral(".access"));
    EXPECT_EQ(fileDigest(result.accessPath), original);
    EXPECT_EQ(readRowsByName(path), rows(Converted2000));
    EXPECT_EQ(listing(folder.path()),
              QStringList({QStringLiteral("QUORVEL.MDB"), QStringLiteral("QUORVEL.MDB.access")}));
    EXPECT_EQ(access::describeConversion(result, UiLanguage::English),
              "Favorites converted: 12 are kept now (6 with a corrected name); 1 repeated records are kept once; 6 "
              "records were left out. Left out: 4 for a figure no window shows, 2 for their name.\nFavorites: " +
                  path.toStdString() + "\nThe original Access file: " + path.toStdString() + ".access");

    // Another Access file brought later: the name taken is never overwritten.
    QFile::remove(path);
    copyInto(folder, "favourites-access2000-wide.mdb");
    const QByteArray wide = fileDigest(path);
    const access::ConversionResult again = access::convertAccessFavourites(
        path, QString(), [](const auto&) {}, reader());
    ASSERT_TRUE(again.converted) << again.failure;
    EXPECT_EQ(again.accessPath, path + QStringLiteral(".access.1"));
    EXPECT_EQ(fileDigest(path + QStringLiteral(".access")), original);
    EXPECT_EQ(fileDigest(path + QStringLiteral(".access.1")), wide);
    EXPECT_EQ(readRowsByName(path), rows("dos c, uno r, uno t"));
}

TEST(AccessConversion, anEmptyTableBecomesAnEmptyFavouritesFile)
{
    QTemporaryDir folder;
    const QString path = copyInto(folder, "favourites-access2000-empty.mdb");
    const access::ConversionResult result = access::convertAccessFavourites(
        path, QString(), [](const auto&) {}, reader());
    ASSERT_TRUE(result.converted) << result.failure;
    store::FavouritesStore store(path);
    store.openStore();
    EXPECT_TRUE(store.isOpen());
    EXPECT_TRUE(store.allRecords().empty());
}

TEST(AccessConversion, aFileThatCannotBeReadConvertsNothing)
{
    QTemporaryDir folder;
    for (const char* fixture : {"other-access2000.mdb", "generic-access97.mdb"}) {
        const QString path = copyInto(folder, fixture);
        const QByteArray before = fileDigest(path);
        const access::ConversionResult result = access::convertAccessFavourites(
            path, QString(), [](const auto&) {}, reader());
        EXPECT_FALSE(result.converted) << fixture;
        EXPECT_NE(result.failure.find("cannot be read as an Access file: it holds no table"), std::string::npos)
            << result.failure;
        EXPECT_EQ(listing(folder.path()), QStringList(QStringLiteral("QUORVEL.MDB"))) << fixture;
        EXPECT_EQ(fileDigest(path), before) << fixture;
        QFile::remove(path);
    }
}

TEST(AccessConversion, aFolderThatCannotBeWrittenSendsTheFavouritesToThePerUserFolder)
{
    QTemporaryDir folder;
    QTemporaryDir perUser;
    const QString path = copyInto(folder, "favourites-access2000.mdb");
    const QByteArray original = fileDigest(path);
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    const access::ConversionResult result = access::convertAccessFavourites(
        path, perUser.path(), [](const auto&) {}, reader());
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(result.converted) << result.failure;
    EXPECT_EQ(result.favouritesPath, perUser.filePath(QStringLiteral("QUORVEL.MDB")));
    EXPECT_EQ(result.accessPath, path);
    EXPECT_EQ(fileDigest(path), original);
    EXPECT_EQ(listing(folder.path()), QStringList(QStringLiteral("QUORVEL.MDB")));
    EXPECT_EQ(readRowsByName(result.favouritesPath), rows(Converted2000));
    EXPECT_EQ(listing(perUser.path()), QStringList(QStringLiteral("QUORVEL.MDB")));

    // Without a folder to fall back on, nothing happens.
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    const access::ConversionResult refused = access::convertAccessFavourites(
        path, QString(), [](const auto&) {}, reader());
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(refused.converted);
    EXPECT_FALSE(refused.failure.empty());
}

TEST(AccessConversion, theProgramFolderMovesToThePerUserFolderOnceConverted)
{
    QTemporaryDir folder;
    const QString path = copyInto(folder, "favourites-access2000.mdb");
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_TRUE(store::keepsFavouritesBesideExecutable(folder.path()));
    const access::ConversionResult result = access::convertAccessFavourites(
        path, store::perUserDataFolder(), [](const auto&) {}, reader());
    EXPECT_TRUE(result.converted) << result.failure;
    EXPECT_FALSE(store::keepsFavouritesBesideExecutable(folder.path()));
    QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

struct ProgramRun
{
    int status = -1;
    QString out;
    QString err;
};

ProgramRun favourites(const QStringList& arguments, const QStringList& environment = {})
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUORVEL_ACCESS_READER"), QStringLiteral(QUORVEL_ACCESS_READER));
    for (const QString& setting : environment) {
        env.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
    }
    process.setProcessEnvironment(env);
    // English unless the case asks otherwise (a later --lang wins).
    process.start(Favourites, QStringList{QStringLiteral("--lang"), QStringLiteral("en")} + arguments);
    process.waitForFinished(60'000);
    ProgramRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

TEST(QuorvelFavouritesAccess, commandsChangeNothingAndNameConvert)
{
    QTemporaryDir folder;
    const QString path = copyInto(folder, "favourites-access2000.mdb");
    const QByteArray before = fileDigest(path);
    const std::vector<QStringList> commands = {
        {QStringLiteral("list")},
        {QStringLiteral("add"), QStringLiteral("abc"), QStringLiteral("r")},
        {QStringLiteral("remove"), QStringLiteral("abc"), QStringLiteral("r")},
        {QStringLiteral("export"), folder.filePath(QStringLiteral("out.csv"))},
        {QStringLiteral("import"), data("favourites-access2000-wide.mdb")},
    };
    for (const QStringList& command : commands) {
        const ProgramRun run = favourites(QStringList{QStringLiteral("--data-dir"), folder.path()} + command);
        EXPECT_EQ(run.status, 1) << command.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("holds favorites in the Access format; convert it with: "
                                                    "quorvel-favourites convert")))
            << run.err.toStdString();
        EXPECT_EQ(fileDigest(path), before);
        EXPECT_EQ(listing(folder.path()), QStringList(QStringLiteral("QUORVEL.MDB")));
    }

    const ProgramRun converted = favourites({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("convert")});
    EXPECT_EQ(converted.status, 0) << converted.err.toStdString();
    EXPECT_TRUE(converted.err.contains(QStringLiteral("Favorites converted: 12 are kept now")))
        << converted.err.toStdString();
    const ProgramRun listed = favourites({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("list")});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.out.count(QLatin1Char('\n')), 12);
    const ProgramRun again = favourites({QStringLiteral("--lang"), QStringLiteral("es"), QStringLiteral("--data-dir"),
                                         folder.path(), QStringLiteral("convert")});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("no es un archivo de favoritos de Access")))
        << again.err.toStdString();
}

TEST(QuorvelFavouritesAccess, importFindsTheFormatOrIsTold)
{
    QTemporaryDir folder;
    const QString args = QStringLiteral("--data-dir");
    // Told by its first bytes, whatever its name.
    QFile::copy(data("favourites-access2000-wide.mdb"), folder.filePath(QStringLiteral("old.bin")));
    ProgramRun run =
        favourites({args, folder.path(), QStringLiteral("import"), folder.filePath(QStringLiteral("old.bin"))});
    EXPECT_EQ(run.status, 1) << run.err.toStdString(); // one record left out
    EXPECT_TRUE(run.err.contains(QStringLiteral("record 4: \"tres\" left out"))) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral(
        "favorites written: 3 (with the name corrected: 0); already there: 0; rows left out: 1; rows read: 4")));

    run = favourites({args, folder.path(), QStringLiteral("import"), QStringLiteral("--dry-run"),
                      QStringLiteral("--format"), QStringLiteral("access"), data("favourites-access2000.mdb")});
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("favorites that would be written: 12 (with the name corrected: 6); already there: 1; rows that "
                       "would be left out: 6; rows read: 19 (dry run: nothing written)")))
        << run.err.toStdString();

    // Named as Access, but not one.
    QFile text(folder.filePath(QStringLiteral("plain.csv")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("name,figure\nabc,r\n");
    text.close();
    run = favourites({args, folder.path(), QStringLiteral("import"), QStringLiteral("--format"),
                      QStringLiteral("access"), text.fileName()});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot be read as an Access file: it is not an Access database")))
        << run.err.toStdString();
}

/// After a kill: either the untouched Access file under its old name, or the converted favourites under it and
/// the Access file under its new name; never neither, never a half-converted file in place.
void expectOneOfTheTwo(const QString& folder, const QByteArray& original, const std::string& when)
{
    const QString path = QDir(folder).filePath(QStringLiteral("QUORVEL.MDB"));
    const QString kept = path + QStringLiteral(".access");
    if (fileDigest(path) == original) {
        if (QFile::exists(kept)) {
            EXPECT_EQ(fileDigest(kept), original) << when;
        }
        return;
    }
    EXPECT_EQ(fileDigest(kept), original) << when << ": the Access file is lost";
    EXPECT_EQ(readRowsByName(path), rows(Converted2000)) << when << ": the favourites in place are not whole";
}

TEST(QuorvelFavouritesAccess, aConversionKilledAtAnyMomentLosesNothing)
{
    const QByteArray original = fileDigest(data("favourites-access2000.mdb"));
    ASSERT_FALSE(original.isEmpty());

    auto finishAndCheck = [&original](const QTemporaryDir& folder, const std::string& when) {
        // A later conversion finishes the work, and takes the Access file's second name again.
        const ProgramRun run = favourites({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("convert")});
        const QString path = folder.filePath(QStringLiteral("QUORVEL.MDB"));
        if (run.status == 0) {
            EXPECT_FALSE(QFile::exists(path + QStringLiteral(".access.1"))) << when;
        }
        EXPECT_EQ(fileDigest(path + QStringLiteral(".access")), original) << when;
        EXPECT_EQ(readRowsByName(path), rows(Converted2000)) << when;
    };

    // At each step the conversion takes on disc.
    for (int step = 1; step <= 4; ++step) {
        QTemporaryDir folder;
        copyInto(folder, "favourites-access2000.mdb");
        const ProgramRun run = favourites({QStringLiteral("--data-dir"), folder.path(), QStringLiteral("convert")},
                                          {QStringLiteral("QUORVEL_CONVERSION_KILL_AT=%1").arg(step)});
        EXPECT_EQ(run.status, -1) << "step " << step;
        const std::string when = "killed at step " + std::to_string(step);
        expectOneOfTheTwo(folder.path(), original, when);
        finishAndCheck(folder, when);
    }

    // And at random moments.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> delay(0, 250);
    for (int round = 0; round < 12; ++round) {
        QTemporaryDir folder;
        copyInto(folder, "favourites-access2000.mdb");
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUORVEL_ACCESS_READER"), QStringLiteral(QUORVEL_ACCESS_READER));
        process.setProcessEnvironment(env);
        process.start(Favourites, {QStringLiteral("--data-dir"), folder.path(), QStringLiteral("convert")});
        ASSERT_TRUE(process.waitForStarted());
        const int ms = delay(random);
        QThread::msleep(static_cast<unsigned long>(ms));
        process.kill();
        process.waitForFinished();
        const std::string when = "killed after " + std::to_string(ms) + " ms";
        expectOneOfTheTwo(folder.path(), original, when);
        finishAndCheck(folder, when);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
