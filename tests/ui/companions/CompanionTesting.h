#pragma once

#include "core/Language.h"
#include "tests/support/TestSupport.h"
#include "ui/common/Windows.h"
#include "ui/companions/KeepInFront.h"
#include "ui/printing/Printing.h"

#include <QMarginsF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <vector>

class QWidget;

namespace quorvel::test {

/// The main window's stand-in of every window test (tests/support).
using StubMainWindows = StandInMainWindows;

/// A keep-in-front whose answer the test chooses; it records each switch as "on" / "off".
class FakeKeepInFront final : public ui::KeepInFront
{
public:
    explicit FakeKeepInFront(bool isSupported) : offered(isSupported) { ui::KeepInFront::setCurrent(this); }
    ~FakeKeepInFront() override { ui::KeepInFront::setCurrent(nullptr); }

    bool supported() override { return offered; }
    void setKeptInFront(QWidget* window, bool on) override;

    bool offered;
    QStringList switches;
    QWidget* lastWindow = nullptr;
};

/// A default printer that writes each document to its own PDF file in a temporary folder.
class PdfPrinting final : public ui::Printing::Backend
{
public:
    PdfPrinting() { ui::Printing::setBackend(this); }
    ~PdfPrinting() override { ui::Printing::setBackend(nullptr); }

    std::unique_ptr<QPrinter> defaultPrinter() override;

    QTemporaryDir folder;
    QStringList documents;   ///< the file of each document, in order
    QRectF printableArea;    ///< of the last printer, in points from the top-left of the page
    QString outputDirectory; ///< when set, documents go there instead (a missing folder makes printing fail)
};

/// Runs a program and gives its standard output; fails the test (QVERIFY-style message) when it
/// cannot run or exits with an error. ok is set accordingly.
QString runTool(const QString& program, const QStringList& arguments, bool* ok);

/// The number of pages of a PDF file (pdfinfo), or -1.
int pdfPageCount(const QString& file);

/// One word of a PDF page with its box in points (pdftotext -bbox).
struct PdfWord
{
    QString text;
    QRectF box;
};
std::vector<PdfWord> pdfWords(const QString& file);

/// The page rendered in grey at the given resolution (pdftoppm), or a null image.
QImage pdfPageImage(const QString& file, int dotsPerInch);

/// Points per centimetre.
inline constexpr double PointsPerCm = 72.0 / 2.54;

} // namespace quorvel::test
