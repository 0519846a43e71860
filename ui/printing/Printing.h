#pragma once

#include "core/Language.h"
#include "ui/common/PagePrinting.h"

#include <QString>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace quorvel::ui {

/// Prints one-page documents on the default printer, without a dialog. Where no printer is installed
/// it tells the user so and offers to save the page as a PDF file; a failed job is told, never silent.
class Printing
{
public:
    /// Where documents go. Tests put their own in place.
    class Backend
    {
    public:
        virtual ~Backend() = default;
        /// A printer set up for a new document on the default printer, or nullptr when none is installed.
        virtual std::unique_ptr<QPrinter> defaultPrinter() = 0;
    };

    /// Prints one page as printPage() says (ui/common/PagePrinting.h), through the backend in place.
    static PrintOutcome print(QWidget* owner, UiLanguage language, const QString& documentName,
                              const QString& suggestedPdfName, const DrawPage& draw);

    /// Puts a backend in place (not owned); nullptr restores the system's.
    static void setBackend(Backend* replacement);
};

/// The system's backend: QPrinterInfo::defaultPrinter() at high resolution.
Printing::Backend& systemPrinting();

} // namespace quorvel::ui
