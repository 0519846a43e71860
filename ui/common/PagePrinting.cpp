#include "ui/common/PagePrinting.h"

#include "ui/common/Features.h"

namespace quorvel::ui {

namespace {

PagePrinter& pagePrinter()
{
    static PagePrinter printer;
    return printer;
}

} // namespace

void setPagePrinter(PagePrinter printer)
{
    pagePrinter() = std::move(printer);
}

PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                       const QString& suggestedPdfName, const DrawPage& draw)
{
    if (!pagePrinter()) {
        loadFeatures(language); // the printing installs the printer when it is loaded; a failure is told there
    }
    if (!pagePrinter()) {
        return PrintOutcome::Failed;
    }
    return pagePrinter()(owner, language, documentName, suggestedPdfName, draw);
}

} // namespace quorvel::ui
