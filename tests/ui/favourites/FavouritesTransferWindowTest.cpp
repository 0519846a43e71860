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
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <deque>
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

    std::vector<test::ImportDialogSeen> m_seen;
    std::deque<const char*> m_clicks; ///< the buttons to press in the import dialogs, in order
    QTimer m_answerer;
    QWidget* m_lastSeen = nullptr;

    /// Looks at the import dialog open now, and presses the next button asked for (closing it when none is).
    void answerDialog()
    {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr || !dialog->objectName().startsWith(QLatin1String("import"))) {
            return;
        }
        if (dialog != m_lastSeen) {
            m_lastSeen = dialog;
            m_seen.push_back(test::readImportDialog(dialog));
        }
        if (m_clicks.empty()) {
            dialog->close();
            return;
        }
        const char* button = m_clicks.front();
        m_clicks.pop_front();
        QTest::mouseClick(test::child<QPushButton>(dialog, button), Qt::LeftButton);
    }

private Q_SLOTS:
    void initTestCase() { useFeatures(&featureSet()); }

    void init()
    {
        test::resetProgramState();
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("QUORVEL_DATA_DIR", m_dir->path().toUtf8());
        m_notices = std::make_unique<test::RecordingNotices>();
        m_seen.clear();
        m_clicks = {"importCommand", "closeCommand"};
        m_lastSeen = nullptr;
        m_answerer.setInterval(10);
        connect(&m_answerer, &QTimer::timeout, this, &TransferWindowTest::answerDialog, Qt::UniqueConnection);
        m_answerer.start();
    }

    void cleanup()
    {
        m_answerer.stop();
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
                              es("E&xportar...", "E&xport..."), es("&Importar...", "&Import...")}));
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
        chooseMenuItem(window, es("E&xportar...", "E&xport..."));
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
        chooseMenuItem(window, es("E&xportar...", "E&xport..."));
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QCOMPARE(m_notices->fileDialogs.size(), 2);
        QVERIFY(m_notices->informed.isEmpty());
        QCOMPARE(test::fileDigest(path()), before);
    }

    void importShowsAPreviewThenTheReportAndTheListsShowTheNewNames_data() { test::editions(); }
    void importShowsAPreviewThenTheReportAndTheListsShowTheNewNames()
    {
        QWidget* window = open("abc r");
        QTest::mouseClick(test::child<QWidget>(window, "Label1"), Qt::LeftButton);
        QCOMPARE(entries(window, "Combo1"), QStringList(QStringLiteral("abc")));

        // As a spreadsheet in a Spanish locale saves it: semicolons, Spanish header, Windows-1252, CRLF.
        write(file("in.csv"), "Nombre;Figura;Direcci\xf3n\r\nabc;r;\r\nEmpresa N\xfamero 1;cuadrado;\r\n"
                              "zz;q;\r\nqq;hex\xe1gono;\r\n");
        m_notices->fileNames.push_back(file("in.csv"));
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QCOMPARE(m_notices->fileDialogs, QStringList(es("Importar favoritos es", "Import favorites en")));
        QTRY_COMPARE(m_seen.size(), std::size_t{2});
        QCOMPARE(m_seen[0].dialog, QStringLiteral("importPreview"));
        QCOMPARE(m_seen[0].counts,
                 es("Favoritos que se guardarían: 2 (con el nombre corregido: 1)\nYa estaban: 1\n"
                    "Filas que se omitirían: 1\nFilas leídas: 4 (prueba: no se ha escrito nada)\n"
                    "El archivo no es UTF-8: se ha leído como Windows-1252",
                    "Favorites that would be written: 2 (with the name corrected: 1)\nAlready there: 1\n"
                    "Rows that would be left out: 1\nRows read: 4 (dry run: nothing written)\n"
                    "The file is not UTF-8: it was read as Windows-1252"));
        const QString corrected =
            es("3 | Empresa Número 1 | empresanmero1 — mayúsculas pasadas a minúsculas; espacio quitado (posiciones "
               "8, 15); «ú» quitado (posición 10)",
               "3 | Empresa Número 1 | empresanmero1 — upper case made lower case; blank removed (positions 8, 15); "
               "«ú» removed (position 10)");
        const QString unknown = es("figura desconocida \"q\" (use r, c, t, p o una figura como cuadrado, círculo, "
                                   "triángulo, hexágono)",
                                   "unknown figure \"q\" (use r, c, t, p or a figure such as square, circle, triangle, "
                                   "hexagon)");
        const QStringList rows = {corrected, es("4 | zz | se omitiría: ", "4 | zz | would be left out: ") + unknown};
        QCOMPARE(m_seen[0].rows, rows);
        QCOMPARE(m_seen[1].dialog, QStringLiteral("importReport"));
        QCOMPARE(m_seen[1].counts,
                 es("Favoritos guardados: 2 (con el nombre corregido: 1)\nYa estaban: 1\nFilas omitidas: 1\n"
                    "Filas leídas: 4\nEl archivo no es UTF-8: se ha leído como Windows-1252",
                    "Favorites written: 2 (with the name corrected: 1)\nAlready there: 1\nRows left out: 1\n"
                    "Rows read: 4\nThe file is not UTF-8: it was read as Windows-1252"));
        QCOMPARE(m_seen[1].rows, QStringList({corrected, es("4 | zz | omitida: ", "4 | zz | left out: ") + unknown}));
        QVERIFY(m_notices->informed.isEmpty());
        // The lists on show are read again.
        QCOMPARE(entries(window, "Combo1"), QStringList({QStringLiteral("abc"), QStringLiteral("empresanmero1")}));
        QCOMPARE(entries(window, "Combo4"), QStringList(QStringLiteral("qq")));
    }

    void cancellingThePreviewWritesNothing_data() { test::editions(); }
    void cancellingThePreviewWritesNothing()
    {
        QWidget* window = open("abc r");
        const QByteArray before = test::fileDigest(path());
        write(file("in.csv"), "name,figure\nnew,c\n");
        m_notices->fileNames.push_back(file("in.csv"));
        m_clicks = {"cancelCommand"};
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QTRY_COMPARE(m_seen.size(), std::size_t{1});
        QCOMPARE(m_seen[0].rows, QStringList());
        QCOMPARE(m_seen[0].counts.section(QLatin1Char('\n'), 0, 0),
                 es("Favoritos que se guardarían: 1 (con el nombre corregido: 0)",
                    "Favorites that would be written: 1 (with the name corrected: 0)"));
        QCOMPARE(test::fileDigest(path()), before);
    }

    void theReportCanBeSavedAsTextOrCsv_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("expected");
        const QString text = QStringLiteral("%1\n%2\n\n%3\n");
        QTest::newRow("es text") << UiLanguage::Spanish << "informe"
                                 << "Texto (*.txt)"
                                 << "informe.txt"
                                 << text.arg(QStringLiteral("Importación de %1"),
                                             QStringLiteral("Favoritos guardados: 1 (con el nombre corregido: 1)\n"
                                                            "Ya estaban: 0\nFilas omitidas: 1\nFilas leídas: 2"),
                                             QStringLiteral("línea 2: \"A b\" se guarda como \"ab\": mayúsculas "
                                                            "pasadas a minúsculas; espacio quitado (posición 2)\n"
                                                            "línea 3: \"c\" omitida: falta la figura"));
        QTest::newRow("en csv") << UiLanguage::English << "report"
                                << "CSV (*.csv)"
                                << "report.csv"
                                << QStringLiteral("line,as written,saved as,correction or reason\r\n"
                                                  "2,A b,ab,upper case made lower case; blank removed (position 2)\r\n"
                                                  "3,c,,the figure is missing\r\n");
        QTest::newRow("en typed ending wins") << UiLanguage::English << "report.txt"
                                              << "CSV (*.csv)"
                                              << "report.txt"
                                              << text.arg(QStringLiteral("Import of %1"),
                                                          QStringLiteral("Favorites written: 1 (with the name "
                                                                         "corrected: 1)\nAlready there: 0\nRows left "
                                                                         "out: 1\nRows read: 2"),
                                                          QStringLiteral("line 2: \"A b\" saved as \"ab\": upper "
                                                                         "case made lower case; blank removed "
                                                                         "(position 2)\nline 3: \"c\" left out: the "
                                                                         "figure is missing"));
    }
    void theReportCanBeSavedAsTextOrCsv()
    {
        QFETCH(QString, typed);
        QFETCH(QString, type);
        QFETCH(QString, saved);
        QFETCH(QString, expected);
        QWidget* window = open();
        write(file("in.csv"), "name,figure\nA b,r\nc\n");
        m_notices->fileNames.push_back(file("in.csv"));
        m_notices->fileNames.push_back(file(typed.toUtf8().constData()));
        m_notices->fileTypes.push_back(type);
        m_clicks = {"importCommand", "saveReportCommand", "closeCommand"};
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QTRY_COMPARE(m_seen.size(), std::size_t{2});
        QTRY_VERIFY(m_clicks.empty());
        QCOMPARE(QString::fromUtf8(read(file(saved.toUtf8().constData()))),
                 expected.contains(QLatin1String("%1")) ? expected.arg(file("in.csv")) : expected);
        QCOMPARE(
            m_notices->informed,
            QStringList(es("Informe guardado en %1.", "Report saved in %1.").arg(file(saved.toUtf8().constData()))));
    }

    void importOffersEveryReadableTypeAtOnce_data() { test::editions(); }
    void importOffersEveryReadableTypeAtOnce()
    {
        QWidget* window = open();
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QCOMPARE(
            m_notices->fileFilters,
            QStringList(
                es("Archivos de favoritos (CSV, JSON, Access) (*.csv *.txt *.json *.jsonl *.mdb *.accdb);;CSV (*.csv "
                   "*.txt);;"
                   "JSON (*.json *.jsonl);;Access (*.mdb *.accdb);;Todos los archivos (*)",
                   "Favorites files (CSV, JSON, Access) (*.csv *.txt *.json *.jsonl *.mdb *.accdb);;CSV (*.csv *.txt);;"
                   "JSON (*.json *.jsonl);;Access (*.mdb *.accdb);;All files (*)")));
    }

    void exportFollowsTheTypeChosen_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("json");
        QTest::newRow("es JSON chosen, no ending") << UiLanguage::Spanish << "lista"
                                                   << "JSON (*.json)"
                                                   << "lista.json" << true;
        QTest::newRow("en CSV chosen, no ending") << UiLanguage::English << "list"
                                                  << "CSV (*.csv)"
                                                  << "list.csv" << false;
        QTest::newRow("en the typed ending wins") << UiLanguage::English << "list.json"
                                                  << "CSV (*.csv)"
                                                  << "list.json" << true;
        QTest::newRow("es another ending keeps the type") << UiLanguage::Spanish << "lista.txt"
                                                          << "JSON (*.json)"
                                                          << "lista.txt" << true;
    }
    void exportFollowsTheTypeChosen()
    {
        QFETCH(QString, typed);
        QFETCH(QString, type);
        QFETCH(QString, written);
        QFETCH(bool, json);
        QWidget* window = open("abc r");
        m_notices->fileNames.push_back(file(typed.toUtf8().constData()));
        m_notices->fileTypes.push_back(type);
        chooseMenuItem(window, es("E&xportar...", "E&xport..."));
        const QString prefix = test::figureSitePrefix();
        const QString expected =
            json ? QStringLiteral(
                       "[\n{\"name\":\"abc\",\"figure\":\"r\",\"address\":\"http://www.%1-abc-rmt.com\"}\n]\n")
                 : QStringLiteral("name,figure,address\r\nabc,r,http://www.%1-abc-rmt.com\r\n");
        QCOMPARE(QString::fromUtf8(read(file(written.toUtf8().constData()))), expected.arg(prefix));
        QCOMPARE(m_notices->informed, QStringList(es("1 favoritos exportados a %1.", "1 favorites exported to %1.")
                                                      .arg(file(written.toUtf8().constData()))));
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
        chooseMenuItem(window, es("&Importar...", "&Import..."));
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
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QVERIFY(test::child<QAction>(window, "mnufig")->isEnabled());
        QVERIFY(test::child<QWidget>(window, "Label1")->isVisible());
        // The names imported show at once, without a search.
        QVERIFY(!test::child<QWidget>(window, "picnohay")->isVisible());
        QCOMPARE(entries(window, "Combo2"), QStringList(QStringLiteral("abc")));
    }

    void anUnusableFileIsReportedAndNothingIsKept_data() { test::editions(); }
    void anUnusableFileIsReportedAndNothingIsKept()
    {
        QWidget* window = open("abc r");
        const QByteArray before = test::fileDigest(path());
        write(file("in.csv"), QByteArray("name,figure\nx,r\ny\0,r\n", 21));
        m_notices->fileNames.push_back(file("in.csv"));
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QCOMPARE(
            m_notices->informed,
            QStringList(
                es("No se ha importado nada de %1: línea 3: el archivo tiene un byte nulo: no es un archivo de texto",
                   "Nothing was imported from %1: line 3: the file holds a NUL byte: it is not a text file")
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
        chooseMenuItem(window, es("&Importar...", "&Import..."));
        QCOMPARE(m_notices->informed.size(), 1);
        QVERIFY2(m_notices->informed.front().contains(
                     es("no es una base de datos de favoritos", "is not a favorites database")),
                 qPrintable(m_notices->informed.front()));
        QCOMPARE(test::fileDigest(path()), before);
    }
};

QTEST_MAIN(TransferWindowTest)
#include "FavouritesTransferWindowTest.moc"
