// The domain register window driven as a user: the addresses handed over by the main window and its printed
// page read back from a real PDF file. What it shares with the other companions: CompanionContractTest.
#include "ui/companions/RegisterWindow.h"

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
#include <QTest>

#include <algorithm>

using namespace quorvel;
using namespace quorvel::ui;
using quorvel::test::editionTag;
using quorvel::test::PointsPerCm;

namespace {

// The register addresses of a name with the codes of its four figures, as the main window hands them over.
QStringList addressesOf(const QString& name, const QStringList& codes)
{
    QStringList addresses;
    for (const QString& code : codes) {
        addresses << QStringLiteral("www.%1-%2-%3.com").arg(test::figureSitePrefix(), name, code);
    }
    return addresses;
}

void handOver(const QStringList& addresses)
{
    for (int i = 0; i < 4; ++i) {
        RegisterAddresses[static_cast<std::size_t>(i)] = addresses[i].toStdString();
    }
}

QString labelName(UiLanguage language, int k)
{
    return (language == UiLanguage::Spanish ? QStringLiteral("lblReg_Ad") : QStringLiteral("lblaReg_Ad")) +
           QString::number(k);
}

QString menuName(UiLanguage language)
{
    return language == UiLanguage::Spanish ? QStringLiteral("mnureg") : QStringLiteral("mnuregisters");
}

// Where each row's text starts on the printed page: 4.5 cm from the left, 1.75 cm to 7.75 cm down.
const QPointF TextPlacesCm[] = {{4.5, 1.75}, {4.5, 3.75}, {4.5, 5.75}, {4.5, 7.75}};

const QStringList AbcCodes = {QStringLiteral("rmt"), QStringLiteral("cto"), QStringLiteral("tlx"),
                              QStringLiteral("piq")};

// Whether the page image is dark near a point given in centimetres from the printable area's top-left.
bool inkNear(const QImage& page, const QRectF& printableArea, int dpi, double xCm, double yCm, int radius)
{
    const double scale = dpi / 72.0;
    const int cx = qRound((printableArea.left() + xCm * PointsPerCm) * scale);
    const int cy = qRound((printableArea.top() + yCm * PointsPerCm) * scale);
    for (int y = cy - radius; y <= cy + radius; ++y) {
        for (int x = cx - radius; x <= cx + radius; ++x) {
            if (page.valid(x, y) && qGray(page.pixel(x, y)) < 128) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class RegisterWindowTest : public QObject
{
    Q_OBJECT

private:
    test::StubMainWindows m_main;

    static QMainWindow* open(UiLanguage language)
    {
        auto* window = qobject_cast<QMainWindow*>(Windows::instance().show(WindowRole::Register, language));
        if (window != nullptr && !QTest::qWaitForWindowActive(window)) {
            qWarning("register window did not become active");
        }
        return window;
    }

    // Clicks the window's one menu bar item, as a user does.
    static void clickPrint(QMainWindow* window, UiLanguage language)
    {
        auto* action = window->findChild<QAction*>(menuName(language));
        QVERIFY(action != nullptr);
        QMenuBar* bar = window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
    }

    // Checks each address of a printed page: its place within a millimetre, and the rows in order.
    static void checkPage(const QString& file, const QRectF& printableArea, const QStringList& addresses)
    {
        QCOMPARE(test::pdfPageCount(file), 1);
        const std::vector<test::PdfWord> words = test::pdfWords(file);
        QCOMPARE(static_cast<int>(words.size()), 4);
        constexpr double Millimetre = PointsPerCm / 10.0;
        for (int i = 0; i < 4; ++i) {
            const auto& word = words[static_cast<std::size_t>(i)];
            QCOMPARE(word.text, addresses[i]);
            const QPointF place = TextPlacesCm[i];
            const QPointF expected(printableArea.left() + place.x() * PointsPerCm,
                                   printableArea.top() + place.y() * PointsPerCm);
            QVERIFY2(std::abs(word.box.left() - expected.x()) <= Millimetre,
                     qPrintable(
                         QStringLiteral("row %1 x %2, expected %3").arg(i + 1).arg(word.box.left()).arg(expected.x())));
            QVERIFY2(std::abs(word.box.top() - expected.y()) <= Millimetre,
                     qPrintable(
                         QStringLiteral("row %1 y %2, expected %3").arg(i + 1).arg(word.box.top()).arg(expected.y())));
            // 12-point text: about 12 points from the top of the tallest letters to the bottom of the lowest.
            QVERIFY(word.box.height() > 9.0 && word.box.height() < 15.0);
        }
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

    void load_showsTheHandedOverAddresses_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QStringList>("addresses");
        const QStringList questionCodes = {QStringLiteral("rkh"), QStringLiteral("che"), QStringLiteral("tha"),
                                           QStringLiteral("pah")};
        for (UiLanguage language : {UiLanguage::Spanish, UiLanguage::English}) {
            QTest::addRow("%s abc", editionTag(language)) << language << addressesOf(QStringLiteral("abc"), AbcCodes);
            QTest::addRow("%s empty box", editionTag(language))
                << language << addressesOf(QStringLiteral("?"), questionCodes);
        }
    }
    void load_showsTheHandedOverAddresses()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, addresses);
        handOver(addresses);
        QMainWindow* window = open(language);
        QVERIFY(window != nullptr);
        for (int k = 1; k <= 4; ++k) {
            auto* label = window->findChild<QLabel*>(labelName(language, k));
            QVERIFY2(label != nullptr, qPrintable(labelName(language, k)));
            QCOMPARE(label->text(), addresses[k - 1]);
            QCOMPARE(label->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        }
        // Read once, at load: a later hand-over does not change the open window.
        handOver(addressesOf(QStringLiteral("zzz"), AbcCodes));
        QCOMPARE(window->findChild<QLabel*>(labelName(language, 1))->text(), addresses[0]);
    }

    void window_fixedWithCloseBoxOnly_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QSize>("client");
        QTest::addColumn<int>("firstLabelTop");
        QTest::addColumn<QString>("menuText");
        QTest::newRow("es") << UiLanguage::Spanish << QSize(609, 238) << 48
                            << QStringLiteral("&Imprimir los registros");
        QTest::newRow("en") << UiLanguage::English << QSize(607, 230) << 40 << QStringLiteral("&Print the registers");
    }
    void window_fixedWithCloseBoxOnly()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QSize, client);
        QFETCH(int, firstLabelTop);
        QFETCH(QString, menuText);
        QMainWindow* window = open(language);
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->centralWidget()->size(), client);
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QCOMPARE(window->findChild<QLabel*>(labelName(language, 1))->y(), firstLabelTop);
        auto* action = window->findChild<QAction*>(menuName(language));
        QVERIFY(action != nullptr);
        QCOMPARE(action->text(), menuText);
        QVERIFY(action->menu() == nullptr);
        QCOMPARE(window->menuBar()->actions().size(), 1);
    }

    void print_placesEachAddressOnThePage_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("es abc") << UiLanguage::Spanish << addressesOf(QStringLiteral("abc"), AbcCodes);
        QTest::newRow("en abc") << UiLanguage::English << addressesOf(QStringLiteral("abc"), AbcCodes);
        QTest::newRow("es empty box") << UiLanguage::Spanish
                                      << addressesOf(QStringLiteral("?"),
                                                     {QStringLiteral("rkh"), QStringLiteral("che"),
                                                      QStringLiteral("tha"), QStringLiteral("pah")});
    }
    void print_placesEachAddressOnThePage()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QStringList, addresses);
        test::RecordingNotices notices;
        test::PdfPrinting printing;
        handOver(addresses);
        QMainWindow* window = open(language);
        clickPrint(window, language);
        QTRY_COMPARE(printing.documents.size(), 1);
        QVERIFY(notices.informed.isEmpty());
        QVERIFY(notices.questions.isEmpty());
        checkPage(printing.documents[0], printing.printableArea, addresses);
    }

    void print_drawsTheFourFiguresInCentimetres()
    {
        test::PdfPrinting printing;
        handOver(addressesOf(QStringLiteral("abc"), AbcCodes));
        auto* window = qobject_cast<RegisterWindow*>(open(UiLanguage::Spanish));
        QCOMPARE(window->printRegister(), PrintOutcome::Printed);
        constexpr int Dpi = 100;
        const QImage page = test::pdfPageImage(printing.documents[0], Dpi);
        QVERIFY(!page.isNull());
        struct Probe
        {
            const char* where;
            double x, y;
            bool ink;
        };
        const Probe probes[] = {
            {"rectangle top", 2.75, 1.5, true},        {"rectangle left", 1.5, 2.0, true},
            {"rectangle right", 4.0, 2.0, true},       {"rectangle bottom", 2.75, 2.5, true},
            {"rectangle inside", 2.75, 2.0, false},    {"ellipse left", 1.5, 4.0, true},
            {"ellipse right", 4.0, 4.0, true},         {"ellipse top", 2.75, 3.375, true},
            {"ellipse bottom", 2.75, 4.625, true},     {"ellipse inside", 2.75, 4.0, false},
            {"ellipse box corner", 1.6, 3.45, false},  {"triangle apex", 2.75, 5.5, true},
            {"triangle left side", 2.125, 6.0, true},  {"triangle base", 2.75, 6.5, true},
            {"triangle inside", 2.75, 6.2, false},     {"octagon top", 2.745, 7.5, true},
            {"octagon right", 4.0, 8.0, true},         {"octagon bottom", 2.745, 8.5, true},
            {"octagon left", 1.5, 8.0, true},          {"octagon inside", 2.75, 8.0, false},
            {"octagon cut corner", 1.55, 7.55, false}, {"nothing left of the figures", 1.0, 5.0, false},
        };
        for (const Probe& probe : probes) {
            QVERIFY2(inkNear(page, printing.printableArea, Dpi, probe.x, probe.y, probe.ink ? 2 : 1) == probe.ink,
                     probe.where);
        }
    }

    void printTwice_givesTwoDocuments()
    {
        test::RecordingNotices notices;
        test::PdfPrinting printing;
        const QStringList addresses = addressesOf(QStringLiteral("abc"), AbcCodes);
        handOver(addresses);
        QMainWindow* window = open(UiLanguage::English);
        clickPrint(window, UiLanguage::English);
        clickPrint(window, UiLanguage::English);
        QTRY_COMPARE(printing.documents.size(), 2);
        QVERIFY(printing.documents[0] != printing.documents[1]);
        for (const QString& file : printing.documents) {
            checkPage(file, printing.printableArea, addresses);
        }
    }

    void noPrinter_offersPdfInTheWindowsLanguage_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("question");
        QTest::newRow("es") << UiLanguage::Spanish
                            << QStringLiteral("No hay ninguna impresora instalada.\n¿Desea guardar la página como "
                                              "archivo PDF?");
        QTest::newRow("en") << UiLanguage::English
                            << QStringLiteral("No printer is installed.\nDo you want to save the page as a PDF file?");
    }
    void noPrinter_offersPdfInTheWindowsLanguage()
    {
        // CUPS_SERVER points nowhere in this test's environment: the system has no printer.
        QFETCH(UiLanguage, language);
        QFETCH(QString, question);
        test::RecordingNotices notices;
        QTemporaryDir folder;
        notices.fileNames.push_back(folder.filePath(QStringLiteral("page"))); // the suffix is added
        const QStringList addresses = addressesOf(QStringLiteral("abc"), AbcCodes);
        handOver(addresses);
        auto* window = qobject_cast<RegisterWindow*>(open(language));
        QCOMPARE(window->printRegister(), PrintOutcome::SavedAsPdf);
        QCOMPARE(notices.questions, QStringList{question});
        QVERIFY(notices.informed.isEmpty());
        const QString file = folder.filePath(QStringLiteral("page.pdf"));
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(test::pdfPageCount(file), 1);
        QStringList printed;
        for (const auto& word : test::pdfWords(file)) {
            printed << word.text;
        }
        QCOMPARE(printed, addresses);
    }

    void noPrinter_declinedOrCancelled_savesNothing_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("no") << false;
        QTest::newRow("yes, then cancel the file name") << true;
    }
    void noPrinter_declinedOrCancelled_savesNothing()
    {
        QFETCH(bool, answer);
        test::RecordingNotices notices;
        notices.answers.push_back(answer); // no file name queued: the file dialog is cancelled
        handOver(addressesOf(QStringLiteral("abc"), AbcCodes));
        auto* window = qobject_cast<RegisterWindow*>(open(UiLanguage::Spanish));
        QCOMPARE(window->printRegister(), PrintOutcome::Declined);
        QCOMPARE(notices.questions.size(), 1);
        QVERIFY(notices.informed.isEmpty());
    }

    void printFailure_isTold_data()
    {
        QTest::addColumn<UiLanguage>("language");
        QTest::addColumn<QString>("message");
        QTest::newRow("es") << UiLanguage::Spanish
                            << QStringLiteral(
                                   "No se ha podido guardar el archivo /nonexistent-quorvel/document-1.pdf.");
        QTest::newRow("en") << UiLanguage::English
                            << QStringLiteral("The file /nonexistent-quorvel/document-1.pdf could not be saved.");
    }
    void printFailure_isTold()
    {
        QFETCH(UiLanguage, language);
        QFETCH(QString, message);
        test::RecordingNotices notices;
        test::PdfPrinting printing;
        printing.outputDirectory = QStringLiteral("/nonexistent-quorvel");
        handOver(addressesOf(QStringLiteral("abc"), AbcCodes));
        auto* window = qobject_cast<RegisterWindow*>(open(language));
        QCOMPARE(window->printRegister(), PrintOutcome::Failed);
        QCOMPARE(notices.informed, QStringList{message});
    }

    void pdfOfferToAnUnwritablePlace_isTold()
    {
        test::RecordingNotices notices;
        notices.fileNames.push_back(QStringLiteral("/nonexistent-quorvel/register.pdf"));
        handOver(addressesOf(QStringLiteral("abc"), AbcCodes));
        auto* window = qobject_cast<RegisterWindow*>(open(UiLanguage::English));
        QCOMPARE(window->printRegister(), PrintOutcome::Failed);
        QCOMPARE(notices.informed,
                 QStringList{QStringLiteral("The file /nonexistent-quorvel/register.pdf could not be saved.")});
    }
};

QTEST_MAIN(RegisterWindowTest)
#include "RegisterWindowTest.moc"
