#include "ui/printing/Printing.h"

#include "ui/common/Notices.h"
#include "ui/common/Texts.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace quorvel::ui {

namespace {

Printing::Backend* g_backend = nullptr;

class SystemPrinting final : public Printing::Backend
{
public:
    std::unique_ptr<QPrinter> defaultPrinter() override
    {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull()) {
            return nullptr;
        }
        return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
};

Printing::Backend& backend()
{
    return g_backend != nullptr ? *g_backend : systemPrinting();
}

// Asks whether to save the page as PDF and where; an empty text when the user declines.
QString askPdfFileName(QWidget* owner, const EditionTexts& texts, const QString& suggestedName)
{
    if (!Notices::confirm(owner, texts("noPrinter"), texts.language())) {
        return {};
    }
    QString fileName =
        Notices::saveFileName(owner, texts("saveCaption"), QDir::home().filePath(suggestedName), texts("pdfFilter"));
    if (!fileName.isEmpty() && QFileInfo(fileName).suffix().isEmpty()) {
        fileName += QStringLiteral(".pdf");
    }
    return fileName;
}

} // namespace

PrintOutcome Printing::print(QWidget* owner, UiLanguage language, const QString& documentName,
                             const QString& suggestedPdfName, const DrawPage& draw)
{
    const EditionTexts texts(QStringLiteral("printing"), language);
    std::unique_ptr<QPrinter> printer = backend().defaultPrinter();
    bool toPdf = false;
    if (printer == nullptr) {
        const QString fileName = askPdfFileName(owner, texts, suggestedPdfName);
        if (fileName.isEmpty()) {
            return PrintOutcome::Declined;
        }
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(fileName);
        toPdf = true;
    }
    printer->setDocName(documentName);
    printer->setFullPage(false); // the painter's origin is the top-left of the printable area

    const QString failure = printer->outputFormat() == QPrinter::PdfFormat
                                ? texts("pdfFailed").arg(QDir::toNativeSeparators(printer->outputFileName()))
                                : texts("printFailed").arg(printer->printerName());
    QPainter painter;
    if (!painter.begin(printer.get())) {
        Notices::inform(owner, failure);
        return PrintOutcome::Failed;
    }
    draw(painter, printer->resolution());
    // Ending the painter ends the document: the page is sent at once.
    if (!painter.end() || printer->printerState() == QPrinter::Error) {
        Notices::inform(owner, failure);
        return PrintOutcome::Failed;
    }
    return toPdf ? PrintOutcome::SavedAsPdf : PrintOutcome::Printed;
}

void Printing::setBackend(Backend* replacement)
{
    g_backend = replacement;
}

Printing::Backend& systemPrinting()
{
    static SystemPrinting system;
    return system;
}

} // namespace quorvel::ui
