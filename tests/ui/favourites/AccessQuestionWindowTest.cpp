// An Access favourites file where the favourites belong, met by the windows as a user meets it: the question
// before the favourites window opens or a save from the main window, yes converting once and for all, no
// leaving everything as it was for the run; and Import... taking an Access file.
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Features.h"
#include "ui/common/SaveFavourite.h"
#include "ui/common/Windows.h"
#include "ui/favourites/AccessQuestion.h"
#include "ui/features/FeatureSet.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

using namespace quorvel;
using namespace quorvel::ui;

class AccessQuestionWindowTest : public QObject
{
    Q_OBJECT

private:
    UiLanguage m_language = UiLanguage::Spanish;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::RecordingNotices> m_notices;

    QString path() const { return m_dir->filePath(QStringLiteral("QUORVEL.MDB")); }
    static QString fixture(const char* name)
    {
        return QStringLiteral(QUORVEL_ACCESS_TEST_DATA "/") + QLatin1String(name);
    }
    QString es(const char* spanishText, const char* englishText) const
    {
        return test::byEdition(m_language, spanishText, englishText);
    }

    void bringAccessFile()
    {
        QFETCH(UiLanguage, language);
        m_language = language;
        QFile::copy(fixture("favourites-access2000.mdb"), path());
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);
    }

    QWidget* openFavourites()
    {
        QWidget* window = Windows::instance().show(WindowRole::Favourites, m_language);
        QApplication::setActiveWindow(window);
        return window;
    }

    static QStringList entries(QWidget* window, const char* combo)
    {
        QComboBox* box = test::child<QComboBox>(window, combo);
        QStringList items;
        for (int i = 0; i < box->count(); ++i) {
            items << box->itemText(i);
        }
        return items;
    }

    QStringList folder() const { return QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

    test::StandInMainWindows m_main;
    QStringList m_reports; ///< each import report shown: its counts, then every row of its table
    QTimer m_reportCloser;

    /// Reads and closes the report shown after an import or a conversion.
    void closeReport()
    {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog != nullptr && dialog->objectName() == QLatin1String("importReport")) {
            m_reports << test::readImportDialog(dialog).text();
            QTest::mouseClick(test::child<QPushButton>(dialog, "closeCommand"), Qt::LeftButton);
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("QUORVEL_ACCESS_READER", QUORVEL_ACCESS_READER);
        useFeatures(&featureSet());
    }

    void init()
    {
        test::resetProgramState();
        forgetAccessAnswer(); // each case is a new run
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("QUORVEL_DATA_DIR", m_dir->path().toUtf8());
        m_notices = std::make_unique<test::RecordingNotices>();
        m_reports.clear();
        m_reportCloser.setInterval(10);
        connect(&m_reportCloser, &QTimer::timeout, this, &AccessQuestionWindowTest::closeReport, Qt::UniqueConnection);
        m_reportCloser.start();
    }

    void cleanup()
    {
        m_reportCloser.stop();
        Windows::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_notices.reset();
        m_dir.reset();
    }

    void yesConvertsOnceAndTheWindowShowsEveryName_data() { test::editions(); }
    void yesConvertsOnceAndTheWindowShowsEveryName()
    {
        bringAccessFile();
        const QByteArray original = test::fileDigest(path());
        QWidget* window = openFavourites();
        QCOMPARE(m_notices->questions.size(), 1);
        QVERIFY2(m_notices->questions.front().startsWith(
                     es("El archivo de favoritos %1 guarda los favoritos en el formato de Access.",
                        "The favorites file %1 holds favorites in the Access format.")
                         .arg(QDir::toNativeSeparators(path()))),
                 qPrintable(m_notices->questions.front()));
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY2(m_notices->informed.front().startsWith(
                     es("Favoritos convertidos: ahora se guardan 12 (6 con el nombre corregido); 1 registros "
                        "repetidos se guardan una vez; 6 registros se dejan fuera.",
                        "Favorites converted: 12 are kept now (6 with a corrected name); 1 repeated records are kept "
                        "once; 6 records were left out.")),
                 qPrintable(m_notices->informed.front()));
        // Every corrected or left-out record in the report, none hidden.
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports.front().count(QStringLiteral(" | ")), 12 * 3);
        for (const char* shown : {" | 5 | Casa | casa", " | 6 | abc | ", " | 18 | o'brien | obrien"}) {
            QVERIFY2(m_reports.front().contains(QString::fromUtf8(shown)), qPrintable(m_reports.front()));
        }

        // Every name kept, by figure, and the Access file beside them as it was.
        QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
        QCOMPARE(entries(window, "Combo1"),
                 QStringList({QStringLiteral("abc"), QStringLiteral("casa"), QStringLiteral("obrien")}));
        QCOMPARE(entries(window, "Combo3"),
                 QStringList({QStringLiteral("dup"), QStringLiteral("guion"), QStringLiteral("mi-casa")}));
        QCOMPARE(folder(), QStringList({QStringLiteral("QUORVEL.MDB"), QStringLiteral("QUORVEL.MDB.access")}));
        QCOMPARE(test::fileDigest(path() + QStringLiteral(".access")), original);

        // The question never comes back, in this run or the next.
        Windows::instance().reset();
        forgetAccessAnswer();
        openFavourites();
        QCOMPARE(m_notices->questions.size(), 1);
    }

    void noLeavesEverythingAsItIsForThisRun_data() { test::editions(); }
    void noLeavesEverythingAsItIsForThisRun()
    {
        bringAccessFile();
        const QByteArray original = test::fileDigest(path());
        m_notices->answers.push_back(false);
        QWidget* window = openFavourites();
        QCOMPARE(m_notices->questions.size(), 1);
        QVERIFY(m_notices->informed.isEmpty());
        QVERIFY(entries(window, "Combo1").isEmpty());
        QCOMPARE(test::fileDigest(path()), original);
        QCOMPARE(folder(), QStringList(QStringLiteral("QUORVEL.MDB")));

        // A save in this run is refused as before, and not asked about again.
        auto owner = std::make_unique<QWidget>();
        saveFavourite(owner.get(), nullptr, m_language, FigureKind::ThreeSided, QStringLiteral("abc"));
        QCOMPARE(m_notices->questions.size(), 1);
        QCOMPARE(test::fileDigest(path()), original);

        // The next run asks again.
        Windows::instance().reset();
        forgetAccessAnswer();
        m_notices->answers.push_back(false);
        openFavourites();
        QCOMPARE(m_notices->questions.size(), 2);
    }

    void aSaveFromTheMainWindowAsksFirst_data() { test::editions(); }
    void aSaveFromTheMainWindowAsksFirst()
    {
        bringAccessFile();
        auto owner = std::make_unique<QWidget>();
        saveFavourite(owner.get(), nullptr, m_language, FigureKind::ThreeSided, QStringLiteral("nuevo"));
        QCOMPARE(m_notices->questions.size(), 1);
        QVERIFY(m_notices->informed.front().contains(es("Favoritos convertidos", "Favorites converted")));
        const test::Rows kept = test::readRowsByName(path());
        QCOMPARE(kept.size(), std::size_t(13));
        QVERIFY(std::find(kept.begin(), kept.end(), std::pair(QStringLiteral("nuevo"), QStringLiteral("t"))) !=
                kept.end());
    }

    void aDamagedAccessFileIsReportedAndLeftAlone_data() { test::editions(); }
    void aDamagedAccessFileIsReportedAndLeftAlone()
    {
        bringAccessFile();
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.resize(4096 * 3);
        file.close();
        const QByteArray damaged = test::fileDigest(path());
        QWidget* window = openFavourites();
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY2(m_notices->informed.front().startsWith(
                     es("%1 no se puede leer como archivo de Access: ", "%1 cannot be read as an Access file: ")
                         .arg(QDir::toNativeSeparators(path()))),
                 qPrintable(m_notices->informed.front()));
        QVERIFY(window->isVisible());
        QCOMPARE(test::fileDigest(path()), damaged);
        QCOMPARE(folder(), QStringList(QStringLiteral("QUORVEL.MDB")));
    }

    void importTakesAnAccessFile_data() { test::editions(); }
    void importTakesAnAccessFile()
    {
        QFETCH(UiLanguage, language);
        m_language = language;
        test::makeFavouritesFile(path(), test::rows("abc r"));
        QWidget* window = openFavourites();
        QVERIFY(m_notices->questions.isEmpty());
        QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
        m_notices->fileNames.push_back(fixture("favourites-access2000-wide.mdb"));
        QMenu* menu = test::child<QMenu>(window, m_language == UiLanguage::Spanish ? "mnuopcions" : "mnuoptions");
        QAction* import = test::child<QAction>(window, m_language == UiLanguage::Spanish ? "mnuimportar" : "mnuimport");
        auto* bar = window->findChild<QMenuBar*>();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        QTRY_VERIFY(menu->isVisible());
        // The preview first: the counts and every row left out; then the same in the report after the import.
        QStringList previews;
        QTimer answerer;
        answerer.setInterval(10);
        connect(&answerer, &QTimer::timeout, this, [&previews] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog != nullptr && dialog->objectName() == QLatin1String("importPreview")) {
                previews << test::readImportDialog(dialog).text();
                QTest::mouseClick(test::child<QPushButton>(dialog, "importCommand"), Qt::LeftButton);
            }
        });
        answerer.start();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(import).center());
        QTRY_COMPARE(m_reports.size(), 1);
        answerer.stop();
        QCOMPARE(previews.size(), 1);
        QVERIFY(m_notices->informed.isEmpty());
        for (const QString& dialog : {previews.front(), m_reports.front()}) {
            QVERIFY2(dialog.contains(QStringLiteral(" | 4 | tres | ")), qPrintable(dialog));
            QVERIFY2(dialog.contains(QStringLiteral("\"rc\"")), qPrintable(dialog));
        }
        QVERIFY2(m_reports.front().contains(es("Favoritos guardados: 3", "Favorites written: 3"), Qt::CaseInsensitive),
                 qPrintable(m_reports.front()));
        QCOMPARE(entries(window, "Combo1"), QStringList({QStringLiteral("abc"), QStringLiteral("uno")}));
    }
};

QTEST_MAIN(AccessQuestionWindowTest)
#include "AccessQuestionWindowTest.moc"
