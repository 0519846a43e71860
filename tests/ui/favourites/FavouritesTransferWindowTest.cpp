// Export and import from the favourites window's Options menu, driven as a user drives them in both editions:
// the menu opened and its item clicked, the file dialog answered, the notice read, the lists looked at.
#include "tests/support/FavouritesFixtures.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/features/FeatureSet.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace quorvel;
using namespace quorvel::ui;

class TransferWindowTest : public QObject
{
    Q_OBJECT

private:
    UiLanguage m_language = UiLanguage::Spanish;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::RecordingNotices> m_notices;

    QString path() const { return m_dir->filePath(QStringLiteral("QUORVEL.MDB")); }
    QString file(const char* name) const { return m_dir->filePath(QString::fromUtf8(name)); }
    bool spanish() const { return m_language == UiLanguage::Spanish; }
    QString es(const char* spanishText, const char* englishText) const
    {
        return test::byEdition(m_language, spanishText, englishText);
    }

    QWidget* open(const char* rows = nullptr)
    {
        QFETCH(UiLanguage, language);
        m_language = language;
        if (rows != nullptr) {
            test::makeFavouritesFile(path(), test::rows(rows));
        }
        QWidget* window = Windows::instance().show(WindowRole::Favourites, m_language);
        QApplication::setActiveWindow(window);
        return window;
    }

    QMenu* optionsMenu(QWidget* window) const
    {
        return test::child<QMenu>(window, spanish() ? "mnuopcions" : "mnuoptions");
    }

    /// Opens the Options menu and clicks the item with this caption, as a user does.
    void chooseMenuItem(QWidget* window, const QString& caption)
    {
        QMenu* menu = optionsMenu(window);
        QAction* item = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == caption) {
                item = action;
            }
        }
        QVERIFY2(item != nullptr, qPrintable(caption));
        auto* bar = window->findChild<QMenuBar*>();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
        QTRY_VERIFY(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
        QTRY_VERIFY(!menu->isVisible());
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

    static QByteArray read(const QString& name)
    {
        QFile in(name);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    void write(const QString& name, const QByteArray& bytes)
    {
        QFile out(name);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    test::StandInMainWindows m_main;

private Q_SLOTS:
    void initTestCase() { useFeatures(&featureSet()); }

    void init()
    {
        test::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("QUORVEL_DATA_DIR", m_dir->path().toUtf8());
        m_notices = std::make_unique<test::RecordingNotices>();
    }

    void cleanup()
    {
        Windows::instance().reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_notices.reset();
        m_dir.reset();
    }

    void theSpecifiedItemsComeFirstThenExportAndImport_data() { test::editions(); }
    void theSpecifiedItemsComeFirstThenExportAndImport()
    {
        QWidget* window = open();
        QStringList items;
        for (QAction* action : optionsMenu(window)->actions()) {
            items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
        QCOMPARE(items,
                 QStringList({es("Buscar por figuras", "Search by shapes"), es("Buscar por nombre", "search by name"),
                              QStringLiteral("-"), es("Salir", "Exit"), QStringLiteral("-"),
                              es("Exportar...", "Export..."), es("Importar...", "Import...")}));
        QList<QAction*> actions = optionsMenu(window)->actions();
        QCOMPARE(actions[0]->objectName(), QStringLiteral("mnufig"));
        QCOMPARE(actions[2]->objectName(), QStringLiteral("mnulin1"));
        QCOMPARE(actions[3]->objectName(), es("mnusalir", "mnuexit"));
        QCOMPARE(actions[5]->objectName(), es("mnuexportar", "mnuexport"));
        QCOMPARE(actions[6]->objectName(), es("mnuimportar", "mnuimport"));
    }

    void exportWritesEveryFavouriteToTheFileChosen_data() { test::editions(); }
    void exportWritesEveryFavouriteToTheFileChosen()
    {
        QWidget* window = open("abc r, xyz t");
        m_notices->fileNames.push_back(file("mine"));
        chooseMenuItem(window, es("Exportar...", "Export..."));
        QCOMPARE(m_notices->fileDialogs, QStringList(es("Exportar favoritos es", "Export favorites en")));
        const QString prefix = test::figureSitePrefix();
        QCOMPARE(QString::fromUtf8(read(file("mine.csv"))),
                 QStringLiteral("name,figure,address\r\nabc,r,http://www.%1-abc-rmt.com\r\n"
                                "xyz,t,http://www.%1-xyz-tpz.com\r\n")
                     .arg(prefix));
        QCOMPARE(m_notices->informed,
                 QStringList(es("2 favoritos exportados a %1.", "2 favorites exported to %1.").arg(file("mine.csv"))));
    }

    void cancellingTheDialogDoesNothing_data() { test::editions(); }
    void cancellingTheDialogDoesNothing()
    {
        QWidget* window = open("abc r");
        const QByteArray before = test::fileDigest(path());
        chooseMenuItem(window, es("Exportar...", "Export..."));
        chooseMenuItem(window, es("Importar...", "Import..."));
        QCOMPARE(m_notices->fileDialogs.size(), 2);
        QVERIFY(m_notices->informed.isEmpty());
        QCOMPARE(test::fileDigest(path()), before);
    }

    void importSumsUpAndTheListsShowTheNewNames_data() { test::editions(); }
    void importSumsUpAndTheListsShowTheNewNames()
    {
        QWidget* window = open("abc r");
        QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
        QCOMPARE(entries(window, "Combo1"), QStringList(QStringLiteral("abc")));

        write(file("in.csv"), "name,figure,address\nabc,r,\nNew One,r,\nzz,q,\nqq,p,\n");
        m_notices->fileNames.push_back(file("in.csv"));
        chooseMenuItem(window, es("Importar...", "Import..."));
        QCOMPARE(m_notices->fileDialogs, QStringList(es("Importar favoritos es", "Import favorites en")));
        QCOMPARE(m_notices->informed.size(), 1);
        const QString expected =
            spanish()
                ? QStringLiteral("Importación de %1:\nGuardados: 1\nCorregidos: 1\nYa estaban: 1\nRechazados: 1\n\n"
                                 "línea 3: \"New One\" se guarda como \"newone\": U+0020 quitado en la posición 4\n"
                                 "línea 4: rechazada: figura desconocida \"q\" (use r, c, t o p)")
                : QStringLiteral("Import of %1:\nKept: 1\nCorrected: 1\nAlready there: 1\nRefused: 1\n\n"
                                 "line 3: \"New One\" kept as \"newone\": U+0020 removed at position 4\n"
                                 "line 4: refused: unknown figure \"q\" (use r, c, t or p)");
        QCOMPARE(m_notices->informed.front(), expected.arg(file("in.csv")));
        // The lists on show are read again.
        QCOMPARE(entries(window, "Combo1"), QStringList({QStringLiteral("abc"), QStringLiteral("newone")}));
        QCOMPARE(entries(window, "Combo4"), QStringList(QStringLiteral("qq")));
    }

    void importRefreshesTheNameOnShow_data() { test::editions(); }
    void importRefreshesTheNameOnShow()
    {
        QWidget* window = open("abc r");
        QTest::mouseClick(test::child<QWidget>(window, "Label2"), Qt::LeftButton);
        QLineEdit* box = test::child<QLineEdit>(window, "txtNOM");
        QTest::keyClicks(box, QStringLiteral("abc"));
        QTest::mouseClick(test::child<QWidget>(window, "cmdbuscar"), Qt::LeftButton);
        QCOMPARE(test::child<QLabel>(window, "lbladreca3")->text(), QStringLiteral("?"));

        write(file("in.json"), "[{\"name\":\"abc\",\"figure\":\"t\"}]");
        m_notices->fileNames.push_back(file("in.json"));
        chooseMenuItem(window, es("Importar...", "Import..."));
        QCOMPARE(test::child<QLabel>(window, "lbladreca1")->text(), QStringLiteral("abc"));
        QCOMPARE(test::child<QLabel>(window, "lbladreca3")->text(), QStringLiteral("abc"));
    }

    void importIntoAnEmptyTableLeavesTheNoEntriesState_data() { test::editions(); }
    void importIntoAnEmptyTableLeavesTheNoEntriesState()
    {
        QWidget* window = open(); // no file at all
        QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
        QVERIFY(!test::child<QAction>(window, "mnufig")->isEnabled());
        QVERIFY(!test::child<QWidget>(window, "Label1")->isVisible());

        write(file("in.csv"), "name,figure\nabc,c\n");
        m_notices->fileNames.push_back(file("in.csv"));
        chooseMenuItem(window, es("Importar...", "Import..."));
        QVERIFY(test::child<QAction>(window, "mnufig")->isEnabled());
        QVERIFY(test::child<QWidget>(window, "Label1")->isVisible());
        QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
        QCOMPARE(entries(window, "Combo2"), QStringList(QStringLiteral("abc")));
    }

    void anUnusableFileIsReportedAndNothingIsKept_data() { test::editions(); }
    void anUnusableFileIsReportedAndNothingIsKept()
    {
        QWidget* window = open("abc r");
        const QByteArray before = test::fileDigest(path());
        write(file("in.csv"), QByteArray("name,figure\nx,r\ny\0,r\n", 21));
        m_notices->fileNames.push_back(file("in.csv"));
        chooseMenuItem(window, es("Importar...", "Import..."));
        QCOMPARE(
            m_notices->informed,
            QStringList(es("No se ha importado nada de %1: línea 3: el archivo tiene un byte nulo: no es texto UTF-8",
                           "Nothing was imported from %1: line 3: the file holds a NUL byte: it is not UTF-8 text")
                            .arg(file("in.csv"))));
        QCOMPARE(test::fileDigest(path()), before);
    }

    void aForeignFavouritesFileIsNotWritten_data() { test::editions(); }
    void aForeignFavouritesFileIsNotWritten()
    {
        QWidget* window = open();
        write(path(), test::noise(4096));
        const QByteArray before = test::fileDigest(path());
        write(file("in.csv"), "name,figure\nabc,r\n");
        m_notices->fileNames.push_back(file("in.csv"));
        chooseMenuItem(window, es("Importar...", "Import..."));
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY2(m_notices->informed.front().contains(
                     es("no es una base de datos de favoritos", "is not a favorites database")),
                 qPrintable(m_notices->informed.front()));
        QCOMPARE(test::fileDigest(path()), before);
    }
};

QTEST_MAIN(TransferWindowTest)
#include "FavouritesTransferWindowTest.moc"
