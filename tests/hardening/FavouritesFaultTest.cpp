// The favourites file going wrong under the windows that use it: cut short, empty, without its table, locked by
// another program, deleted or replaced while the favourites window and a main window hold it open. The favourites
// window is driven as a user drives it and the main window's saves go through the save handler. Whatever happens:
// no crash, a clear notice where a save could not be kept, and a file the program does not understand is never
// written.
#include "store/FavouritesStore.h"
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Features.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Windows.h"
#include "ui/features/FeatureSet.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include <SQLiteCpp/Database.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

using namespace quorvel;
using namespace quorvel::ui;

namespace {

// A favourites file of count names, name0 to name<count - 1>, going round the four figures.
void makeFavourites(const QString& path, int count)
{
    test::Rows rows;
    const char letters[] = "rctp";
    for (int i = 0; i < count; ++i) {
        rows.emplace_back(QStringLiteral("name%1").arg(i), QString(QLatin1Char(letters[i % 4])));
    }
    test::makeFavouritesFile(path, rows);
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

} // namespace

class FavouritesFaultTest : public QObject
{
    Q_OBJECT

private:
    UiLanguage m_language = UiLanguage::Spanish;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::RecordingNotices> m_notices;
    std::unique_ptr<test::RecordingLaunch> m_launch;
    std::unique_ptr<QWidget> m_main; // stands in for the main window whose save commands call the handler

    QString path() const { return m_dir->filePath(QStringLiteral("QUORVEL.MDB")); }
    QString es(const char* spanishText, const char* englishText) const
    {
        return test::byEdition(m_language, spanishText, englishText);
    }

    void chooseEdition()
    {
        QFETCH(UiLanguage, language);
        m_language = language;
    }

    QWidget* openWindow()
    {
        QWidget* window = Windows::instance().show(WindowRole::Favourites, m_language);
        if (window != nullptr) {
            QApplication::setActiveWindow(window);
        }
        return window;
    }

    static QString shown(QWidget* window)
    {
        QStringList texts;
        for (const char* name : {"lbladreca1", "lbladreca2", "lbladreca3", "lbladreca4"}) {
            texts << test::child<QLabel>(window, name)->text();
        }
        return texts.join(u'|');
    }

    static bool showsNoEntries(QWidget* window)
    {
        return test::child<QWidget>(window, "picnohay")->isVisible() &&
               !test::child<QWidget>(window, "picnom")->isVisible() &&
               !test::child<QWidget>(window, "picfig")->isVisible() &&
               !test::child<QAction>(window, "mnufig")->isEnabled();
    }

    static void search(QWidget* window, const char* text)
    {
        QLineEdit* box = test::child<QLineEdit>(window, "txtNOM");
        box->clear();
        QTest::keyClicks(box, QString::fromUtf8(text));
        QTest::mouseClick(test::child<QWidget>(window, "cmdbuscar"), Qt::LeftButton);
    }

    void save(const char* name, FigureKind kind)
    {
        saveFavourite(m_main.get(), nullptr, m_language, kind, QString::fromUtf8(name));
    }

    QString savedTip() const { return QToolTip::isVisible() ? QToolTip::text() : QString(); }

    QString notKeptNotice(const char* name) const
    {
        return es("No se ha guardado \"%1\" en favoritos: ", "\"%1\" was not saved in favorites: ")
            .arg(QString::fromUtf8(name));
    }

    QStringList filesBeside() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden); }

    /// Another program that holds the file locked for holdMs; nullptr when it could not take the lock.
    static std::unique_ptr<QProcess> holdLock(const QString& file, int holdMs)
    {
        auto holder = std::make_unique<QProcess>();
        holder->start(QStringLiteral(QUORVEL_HARDENING_CHILD), {QStringLiteral("lock"), file, QString::number(holdMs)});
        if (!holder->waitForReadyRead(10000) || !holder->readAllStandardOutput().startsWith("locked")) {
            return nullptr;
        }
        return holder;
    }

    test::StandInMainWindows m_mainWindows;

private Q_SLOTS:
    void initTestCase() { useFeatures(&featureSet()); }

    void init()
    {
        test::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("QUORVEL_DATA_DIR", m_dir->path().toUtf8());
        m_notices = std::make_unique<test::RecordingNotices>();
        m_launch = std::make_unique<test::RecordingLaunch>();
        m_main = std::make_unique<QWidget>();
        m_main->show();
    }

    void cleanup()
    {
        m_main.reset(); // releases the saving cursor
        Windows::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QToolTip::hideText();
        m_launch.reset();
        m_notices.reset();
        m_dir.reset();
    }

    // ---- files a save cannot go into ----
    // What the store does with each of these files is its own tests' business; here each reaches the user as
    // one notice naming what is wrong, the favourites window shows no entries instead of failing, and a damaged
    // file (which only this test makes) is never written.

    void aFileThatCannotTakeASaveIsToldOnce_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("sql");  // the file as another program made it; empty: see file
        QTest::addColumn<QString>("spanish"); // what the notice says besides naming the file
        QTest::addColumn<QString>("english");
        const char* notADatabase[] = {"no es una base de datos de favoritos. No se ha modificado.",
                                      "is not a favorites database. It has not been changed."};
        const struct
        {
            const char* file;
            const char* sql;
            const char* told[2];
        } cases[] = {
            {"cut in half", "", {notADatabase[0], notADatabase[1]}},
            {"last page cut short", "", {notADatabase[0], notADatabase[1]}},
            {"header only", "", {notADatabase[0], notADatabase[1]}},
            {"named pipe", "", {notADatabase[0], notADatabase[1]}},
            {"table with a further required field",
             "CREATE TABLE \"adreca i figura\" (id INTEGER PRIMARY KEY, Nom TEXT, Figura TEXT, Extra TEXT NOT NULL);"
             "INSERT INTO \"adreca i figura\" VALUES (1, 'abc', 'r', 'x')",
             {"no puede recibir favoritos (es una vista o tiene otros campos obligatorios). No se ha modificado.",
              "cannot take favorites (it is a view or it has other required fields). It has not been changed."}},
            {"table that drops new records",
             "CREATE TABLE \"adreca i figura\" (id INTEGER PRIMARY KEY, Nom TEXT, Figura TEXT);"
             "INSERT INTO \"adreca i figura\" VALUES (1, 'abc', 'r');"
             "CREATE TRIGGER dropNew AFTER INSERT ON \"adreca i figura\" BEGIN DELETE FROM \"adreca i figura\" "
             "WHERE rowid = new.rowid; END",
             {"", ""}}, // named by its file only
        };
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const auto& c : cases) {
                QTest::addRow("%s %s", test::editionTag(language), c.file)
                    << language << QString::fromUtf8(c.file) << QByteArray(c.sql) << QString::fromUtf8(c.told[0])
                    << QString::fromUtf8(c.told[1]);
            }
        }
    }
    void aFileThatCannotTakeASaveIsToldOnce()
    {
        chooseEdition();
        QFETCH(QString, file);
        QFETCH(QByteArray, sql);
        QFETCH(QString, spanish);
        QFETCH(QString, english);
        // A read-only open of a pipe waits for a writer: a window that did so would hang here for ever.
        alarm(30);
        const bool pipe = file == QLatin1String("named pipe");
        const bool damaged = sql.isEmpty() && !pipe;
        if (!sql.isEmpty()) {
            test::makeDatabase(path(), sql.constData());
        } else if (pipe) {
            QCOMPARE(mkfifo(QFile::encodeName(path()).constData(), 0444), 0);
        } else {
            makeFavourites(path(), 1000);
            QByteArray bytes = readBytes(path());
            QVERIFY2(bytes.size() >= 5 * 4096, QByteArray::number(bytes.size()).constData());
            // Cut short by 1000 bytes the file still opens; the damage shows only deep in the table.
            bytes.truncate(file == QLatin1String("cut in half")           ? bytes.size() / 2
                           : file == QLatin1String("last page cut short") ? bytes.size() - 1000
                                                                          : 100);
            writeBytes(path(), bytes);
        }
        const QByteArray before = damaged ? test::fileDigest(path()) : QByteArray();

        if (sql.isEmpty()) {
            QWidget* window = openWindow();
            QVERIFY(window != nullptr);
            QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
            if (file != QLatin1String("last page cut short")) {
                QVERIFY(showsNoEntries(window));
            } // else the window lists what the file still gives, or shows no entries where the damage is met
            QVERIFY(m_notices->informed.isEmpty());
        }

        save("xyz", FigureKind::ManySided);
        QCOMPARE(m_notices->informed.size(), 1);
        const QString notice = m_notices->informed.front();
        QVERIFY2(notice.startsWith(notKeptNotice("xyz")), qPrintable(notice));
        QVERIFY2(notice.contains(m_language == UiLanguage::Spanish ? spanish : english), qPrintable(notice));
        QVERIFY2(notice.contains(QDir::toNativeSeparators(path())), qPrintable(notice));
        QVERIFY(!savedTip().contains(QStringLiteral("xyz")));
        if (damaged) {
            QCOMPARE(test::fileDigest(path()), before);
            QCOMPARE(filesBeside(), QStringList(QStringLiteral("QUORVEL.MDB")));
        }
        alarm(0);
    }

    // ---- files without the table ----

    void aFileWithoutTheTableTakesTheFirstSave_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("file");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            for (const char* file : {"zero bytes", "another table only"}) {
                QTest::addRow("%s %s", test::editionTag(language), file) << language << QString::fromUtf8(file);
            }
        }
    }
    void aFileWithoutTheTableTakesTheFirstSave()
    {
        chooseEdition();
        QFETCH(QString, file);
        if (file == QLatin1String("zero bytes")) {
            writeBytes(path(), QByteArray());
        } else {
            SQLite::Database db(path().toStdString(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            db.exec("CREATE TABLE notes (text TEXT); INSERT INTO notes VALUES ('keep me')");
        }

        QPointer<QWidget> window = openWindow();
        QTest::mouseClick(test::child<QWidget>(window, "Label2"), Qt::LeftButton);
        QVERIFY(showsNoEntries(window));

        save("abc", FigureKind::ManySided);
        QVERIFY2(m_notices->informed.isEmpty(), qPrintable(m_notices->informed.join(u'\n')));
        QVERIFY2(savedTip().contains(QStringLiteral("\"abc\"")), qPrintable(savedTip()));
        QCOMPARE(test::readRows(path()), test::rows("abc p"));

        // The favourites window opened afresh finds the save.
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(window.isNull());
        window = openWindow();
        QTest::mouseClick(test::child<QWidget>(window, "Label2"), Qt::LeftButton);
        search(window, "abc");
        QCOMPARE(shown(window), QStringLiteral("?|?|?|abc"));
    }

    // ---- another program's lock ----

    void aLockedFileSaysSoAndLosesNothing_data() { test::editions(); }
    void aLockedFileSaysSoAndLosesNothing()
    {
        chooseEdition();
        test::makeFavouritesFile(path(), test::rows("abc r"));
        QWidget* window = openWindow();
        auto holder = holdLock(path(), 30000);
        QVERIFY(holder);

        // Reading waits for the lock a moment, then gives up: the window shows no entries.
        QTest::mouseClick(test::child<QWidget>(window, "Label2"), Qt::LeftButton);
        QVERIFY(showsNoEntries(window));
        QVERIFY(m_notices->informed.isEmpty());

        save("xyz", FigureKind::FourSided);
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY(m_notices->informed.front().startsWith(notKeptNotice("xyz")));
        QVERIFY2(
            m_notices->informed.front().contains(es("está en uso por otro programa", "is in use by another program")),
            qPrintable(m_notices->informed.front()));
        QVERIFY(!savedTip().contains(QStringLiteral("xyz")));

        // The other program ends; its lock goes with it.
        holder->kill();
        QVERIFY(holder->waitForFinished(15000));
        QCOMPARE(test::readRows(path()), test::rows("abc r"));
        save("xyz", FigureKind::FourSided);
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY2(savedTip().contains(QStringLiteral("\"xyz\"")), qPrintable(savedTip()));
        QCOMPARE(test::readRows(path()), test::rows("abc r, xyz r"));
    }

    // ---- the file deleted or replaced while windows hold it open ----

    void aFileDeletedUnderOpenWindows_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<bool>("saveFirst");
        for (const UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            const char* edition = test::editionTag(language);
            QTest::addRow("%s deleted, then a save, then a search", edition)
                << language << QStringLiteral("nothing") << true;
            QTest::addRow("%s deleted, then a search, then a save", edition)
                << language << QStringLiteral("nothing") << false;
            QTest::addRow("%s replaced by a foreign file", edition) << language << QStringLiteral("foreign") << true;
            QTest::addRow("%s replaced by another favourites file", edition)
                << language << QStringLiteral("favourites") << false;
        }
    }
    void aFileDeletedUnderOpenWindows()
    {
        chooseEdition();
        QFETCH(QString, replacement);
        QFETCH(bool, saveFirst);
        test::makeFavouritesFile(path(), test::rows("abc r, abc p, xyz c"));

        // Both windows hold the file: the main window through a first save, the favourites window since its load.
        save("first", FigureKind::ThreeSided);
        QVERIFY(m_notices->informed.isEmpty());
        QWidget* window = openWindow();
        QTest::mouseClick(test::child<QWidget>(window, "Label2"), Qt::LeftButton);
        search(window, "abc");
        QCOMPARE(shown(window), QStringLiteral("abc|?|?|abc"));

        QVERIFY(QFile::remove(path()));
        QByteArray foreign;
        if (replacement == QLatin1String("foreign")) {
            foreign = test::noise(5000);
            writeBytes(path(), foreign);
        } else if (replacement == QLatin1String("favourites")) {
            test::makeFavouritesFile(path(), test::rows("other t"));
        }

        if (replacement == QLatin1String("foreign")) {
            save("new", FigureKind::CircleOrEllipse);
            QCOMPARE(m_notices->informed.size(), 1);
            QVERIFY(m_notices->informed.front().startsWith(notKeptNotice("new")));
            QVERIFY2(m_notices->informed.front().contains(
                         es("no es una base de datos de favoritos", "is not a favorites database")),
                     qPrintable(m_notices->informed.front()));
            QCOMPARE(readBytes(path()), foreign);
            search(window, "abc");
            QVERIFY(showsNoEntries(window));
            QCOMPARE(readBytes(path()), foreign);
            QCOMPARE(filesBeside(), QStringList(QStringLiteral("QUORVEL.MDB")));
            return;
        }

        if (replacement == QLatin1String("favourites")) {
            // The window reads the file that stands there now, not the one that was deleted.
            search(window, "abc");
            QCOMPARE(m_notices->informed.size(), 1); // not found
            QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
            search(window, "other");
            QCOMPARE(shown(window), QStringLiteral("?|?|other|?"));
            save("new", FigureKind::CircleOrEllipse);
            QCOMPARE(m_notices->informed.size(), 1);
            QCOMPARE(test::readRows(path()), test::rows("other t, new c"));
            return;
        }

        if (saveFirst) {
            // The save is kept in a new file at the path, and said to be kept.
            save("new", FigureKind::CircleOrEllipse);
            QVERIFY2(m_notices->informed.isEmpty(), qPrintable(m_notices->informed.join(u'\n')));
            QVERIFY2(savedTip().contains(QStringLiteral("\"new\"")), qPrintable(savedTip()));
            QCOMPARE(test::readRows(path()), test::rows("new c"));
            // The window shows what the file at its path holds: the deleted records are gone.
            search(window, "abc");
            QCOMPARE(shown(window), QStringLiteral("?|?|?|?"));
            QCOMPARE(m_notices->informed.size(), 1); // not found
            search(window, "new");
            QCOMPARE(shown(window), QStringLiteral("?|new|?|?"));
            // So do the lists by figure.
            QVERIFY(test::child<QWidget>(window, "Label1")->isVisible());
            QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
            QCOMPARE(test::child<QComboBox>(window, "Combo1")->count(), 0);
            QCOMPARE(test::child<QComboBox>(window, "Combo2")->count(), 1);
            QCOMPARE(test::child<QComboBox>(window, "Combo2")->itemText(0), QStringLiteral("new"));
        } else {
            search(window, "abc");
            QVERIFY(showsNoEntries(window));
            QVERIFY(m_notices->informed.isEmpty());
            QVERIFY2(!QFile::exists(path()), "reading creates nothing");
            save("new", FigureKind::CircleOrEllipse);
            QVERIFY2(m_notices->informed.isEmpty(), qPrintable(m_notices->informed.join(u'\n')));
            QCOMPARE(test::readRows(path()), test::rows("new c"));
        }
    }
};

QTEST_MAIN(FavouritesFaultTest)
#include "FavouritesFaultTest.moc"
