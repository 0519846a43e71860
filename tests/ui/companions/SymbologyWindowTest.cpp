// The symbology window driven as a user: its four rows exactly as written, its panels of samples and
// the hand-drawn ellipse, and its print read back from a real PDF file. What it shares with the other
// companions: CompanionContractTest.
#include "ui/companions/SymbologyWindow.h"

#include "core/SharedState.h"
#include "tests/support/TestSupport.h"
#include "tests/ui/companions/CompanionTesting.h"
#include "ui/common/Features.h"
#include "ui/common/Windows.h"
#include "ui/companions/CompanionRegistration.h"
#include "ui/features/FeatureSet.h"

#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTest>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::editionTag;

namespace {

QString menuName(UiLanguage language)
{
    return language == UiLanguage::Spanish ? QStringLiteral("mnuimprsimb") : QStringLiteral("mnuPrint");
}

QLabel* label5(QWidget* window, int index)
{
    for (QLabel* label : window->findChildren<QLabel*>(QStringLiteral("Label5"))) {
        if (label->property("index").toInt() == index) {
            return label;
        }
    }
    return nullptr;
}

int darkPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qGray(image.pixel(x, y)) < 160 ? 1 : 0;
        }
    }
    return count;
}

} // namespace

class SymbologyWindowTest : public QObject
{
    Q_OBJECT

private:
    test::StubMainWindows m_main;

    static QMainWindow* open(UiLanguage language)
    {
        auto* window = qobject_cast<QMainWindow*>(Windows::instance().show(WindowRole::Symbology, language));
        if (window != nullptr && !QTest::qWaitForWindowActive(window)) {
            qWarning("symbology window did not become active");
        }
        return window;
    }

private Q_SLOTS:
    void initTestCase()
    {
        registerCompanionWindows();
        useFeatures(&featureSet());
    }
    void init()
    {
        test::resetProgramState();
        m_main.opened.clear();
    }
    void cleanup() { test::resetProgramState(); }

    void rows_showTheSentencesAndExamplesExactly_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QStringList>("sentences");
        QTest::addColumn<QString>("example");
        QTest::addColumn<QString>("rest");
        QTest::newRow("es")
            << UiLanguage::Spanish
            << QStringList{QStringLiteral("<-- Este dominio puede estar inscrito en poligonos de cuatro lados. "
                                          "Ejemplo : -->"),
                           QStringLiteral("<-- Este dominio puede estar inscrito en figuras de trazo circular o "
                                          "elíptico. Ejemplo : -->"),
                           QStringLiteral("<-- Este dominio puede estar inscrito en polígonos de tres lados. "
                                          "Ejemplo : -->"),
                           QStringLiteral("<-- Este dominio puede estar inscrito en polígonos de más de cuatro "
                                          "lados. Ejemplo : -->")}
            << QStringLiteral("www.nombre.com") << QStringLiteral("nombre.com");
        QTest::newRow("en")
            << UiLanguage::English
            << QStringList{QStringLiteral("<-- This domain can be inscribed in polygons of four sides. Example : -->"),
                           QStringLiteral("<--This domain can be inscribed in line figures to circulate or "
                                          "elliptic. Example: -->"),
                           QStringLiteral("<--This domain can be inscribed in polygons of three sides. Example: -->"),
                           QStringLiteral("<--This domain can be inscribed in polygons of more than four sides. "
                                          "Example: -->")}
            << QStringLiteral("www.name.com") << QStringLiteral("name.com");
    }
    void rows_showTheSentencesAndExamplesExactly()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, sentences);
        QFETCH(QString, example);
        QFETCH(QString, rest);
        QMainWindow* window = open(language);
        QVERIFY(window != nullptr);
        for (int row = 1; row <= 4; ++row) {
            auto* sentence = window->findChild<QLabel*>(QStringLiteral("Label%1").arg(row));
            QVERIFY(sentence != nullptr);
            QCOMPARE(sentence->text(), sentences[row - 1]);
            QVERIFY(sentence->wordWrap());
        }
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label6"))->text(), example);
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label7"))->text(), example);
        QCOMPARE(window->findChildren<QLabel*>(QStringLiteral("Label5")).size(), 3);
        QCOMPARE(label5(window, 1)->text(), example);
        QCOMPARE(label5(window, 2)->text(), QStringLiteral("www."));
        QCOMPARE(label5(window, 0)->text(), rest);
        QCOMPARE(window->centralWidget()->palette().color(QPalette::Window), QColor(192, 192, 192));
    }

    void window_layoutOfEachEdition_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<QRect>("label6");
        QTest::addColumn<QRect>("label2");
        QTest::addColumn<QString>("menuText");
        QTest::newRow("es") << UiLanguage::Spanish << QSize(431, 351) << QRect(16, 40, 89, 17)
                            << QRect(128, 104, 145, 49) << QStringLiteral("&Imprimir la ventana.");
        QTest::newRow("en") << UiLanguage::English << QSize(430, 350) << QRect(24, 40, 81, 17)
                            << QRect(120, 104, 153, 49) << QStringLiteral("&Print this window");
    }
    void window_layoutOfEachEdition()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QSize, client);
        QFETCH(QRect, label6);
        QFETCH(QRect, label2);
        QFETCH(QString, menuText);
        QMainWindow* window = open(language);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->centralWidget()->size(), client);
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label6"))->geometry(), label6);
        QCOMPARE(window->findChild<QLabel*>(QStringLiteral("Label2"))->geometry(), label2);
        auto* action = window->findChild<QAction*>(menuName(language));
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), menuText);
        QCOMPARE(window->menuBar()->actions().size(), 1);
    }

    void panels_holdTheSamplesAndTheEllipsePicture_data() { test::editions(); }
    void panels_holdTheSamplesAndTheEllipsePicture()
    {
        QFETCH(UiLanguage, language);
        QMainWindow* window = open(language);
        const int tops[] = {0, 88, 176, 264};
        for (int i = 1; i <= 4; ++i) {
            auto* panel = window->findChild<QWidget*>(QStringLiteral("Picture%1").arg(i));
            QVERIFY(panel != nullptr);
            QCOMPARE(panel->geometry(), QRect(280, tops[i - 1], 145, 81));
            const QImage shot = panel->grab().toImage();
            QCOMPARE(QColor(shot.pixel(2, 2)), QColor(Qt::white));
            QVERIFY2(darkPixels(shot) > 100, "the panel shows its sample figures");
        }
        auto* image = window->findChild<QLabel*>(QStringLiteral("Image1"));
        QVERIFY(image != nullptr);
        QCOMPARE(image->parentWidget()->objectName(), QStringLiteral("Picture2"));
        QCOMPARE(image->geometry(), QRect(40, 40, 66, 32));
        const QImage picture = image->pixmap().toImage();
        QCOMPARE(picture.size(), QSize(66, 32));
        QVERIFY(picture.isGrayscale());
        QVERIFY(darkPixels(picture) > 60);
        QCOMPARE(qGray(picture.pixel(33, 16)), 255); // an outline: blank in the middle
        auto* blank = window->findChild<QLabel*>(QStringLiteral("Label8"));
        QVERIFY(blank != nullptr);
        QVERIFY(blank->text().isEmpty());
        QCOMPARE(blank->geometry(), QRect(48, 56, 41, 9));
    }

    void content_doesNotDependOnTheName()
    {
        QMainWindow* first = open(UiLanguage::Spanish);
        const QImage withoutName = first->centralWidget()->grab().toImage();
        first->close();
        QTRY_VERIFY(Windows::instance().find(WindowRole::Symbology, UiLanguage::Spanish) == nullptr);
        CurrentName = "abc";
        QMainWindow* second = open(UiLanguage::Spanish);
        QCOMPARE(second->centralWidget()->grab().toImage(), withoutName);
    }

    void print_putsTheClientAreaImageAtTheTopLeft_data() { test::editions(); }
    void print_putsTheClientAreaImageAtTheTopLeft()
    {
        QFETCH(UiLanguage, language);
        test::RecordingNotices notices;
        test::PdfPrinting printing;
        QMainWindow* window = open(language);
        auto* action = window->findChild<QAction*>(menuName(language));
        QMenuBar* bar = window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
        QTRY_COMPARE(printing.documents.size(), 1);
        QVERIFY(notices.informed.isEmpty());
        const QString file = printing.documents[0];
        QCOMPARE(test::pdfPageCount(file), 1);

        // One image, of the client area's size in pixels.
        bool ok = false;
        const QString list = test::runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file}, &ok);
        QVERIFY(ok);
        const QStringList rows = list.split(u'\n', Qt::SkipEmptyParts).mid(2); // two header lines
        QCOMPARE(rows.size(), 1);
        const QStringList cells = rows[0].split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        const QSize client = window->centralWidget()->size();
        QCOMPARE(QSize(cells[3].toInt(), cells[4].toInt()), client);
        // Stored losslessly (pdfimages calls a deflated image "image"; a JPEG one "jpeg").
        QCOMPARE(cells[8], QStringLiteral("image"));

        // At 96 dots per inch the image covers, from the printable area's top-left, exactly its on-screen size:
        // the window's grey inside, white paper beyond.
        const QImage page = test::pdfPageImage(file, 96);
        QVERIFY(!page.isNull());
        const QPoint origin = (printing.printableArea.topLeft() * 96.0 / 72.0).toPoint();
        auto grey = [&](int x, int y) { return qGray(page.pixel(origin.x() + x, origin.y() + y)); };
        QVERIFY(std::abs(grey(3, 3) - 192) <= 8);                                    // top-left corner
        QVERIFY(std::abs(grey(client.width() - 3, client.height() - 3) - 192) <= 8); // bottom-right corner
        QCOMPARE(grey(client.width() + 4, 20), 255);
        QCOMPARE(grey(20, client.height() + 4), 255);
        QCOMPARE(qGray(page.pixel(qMax(0, origin.x() - 4), origin.y() + 20)), 255);
        // The white panel of samples stands where it does on the screen.
        QVERIFY(grey(280 + 3, 3) >= 240);
    }

    void printTwice_givesTwoDocuments()
    {
        test::PdfPrinting printing;
        auto* window = qobject_cast<SymbologyWindow*>(open(UiLanguage::English));
        QCOMPARE(window->printWindow(), PrintOutcome::Printed);
        QCOMPARE(window->printWindow(), PrintOutcome::Printed);
        QCOMPARE(printing.documents.size(), 2);
        for (const QString& file : printing.documents) {
            QCOMPARE(test::pdfPageCount(file), 1);
        }
    }

    void noPrinter_offersPdf_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("question");
        QTest::newRow("es") << UiLanguage::Spanish
                            << QStringLiteral("No hay ninguna impresora instalada.\n¿Desea guardar la página como "
                                              "archivo PDF?");
        QTest::newRow("en") << UiLanguage::English
                            << QStringLiteral("No printer is installed.\nDo you want to save the page as a PDF file?");
    }
    void noPrinter_offersPdf()
    {
        // CUPS_SERVER points nowhere in this test's environment: the system has no printer.
        QFETCH(UiLanguage, language);
        QFETCH(QString, question);
        test::RecordingNotices notices;
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("legend.pdf"));
        notices.fileNames.push_back(file);
        auto* window = qobject_cast<SymbologyWindow*>(open(language));
        QCOMPARE(window->printWindow(), PrintOutcome::SavedAsPdf);
        QCOMPARE(notices.questions, QStringList{question});
        QVERIFY(notices.informed.isEmpty());
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(test::pdfPageCount(file), 1);
    }
};

QTEST_MAIN(SymbologyWindowTest)
#include "SymbologyWindowTest.moc"
