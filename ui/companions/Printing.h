#pragma once

#include "core/Language.h"

#include <QString>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;
class QWidget;

namespace quorvel::ui {

/// How a print command ended.
enum class PrintOutcome
{
    Printed,    ///< the page went to the default printer
    SavedAsPdf, ///< there was no printer; the user saved the page as a PDF file instead
    Declined,   ///< there was no printer and the user saved nothing
    Failed,     ///< the printer or the file could not be written; the user was told
};

/// Prints one-page documents on the default printer, without a dialog. Where no printer is installed
/// it tells the user so and offers to save the page as a PDF file; a failed job is told, never silent.
class Printing
{
public:
    /// Draws the page: the painter is active on the printer, its origin the top-left of the printable area.
    using DrawPage = std::function<void(QPainter& painter, QPrinter& printer)>;

    /// Where documents go. Tests put their own in place.
    class Backend
    {
    public:
        virtual ~Backend() = default;
        /// A printer set up for a new document on the default printer, or nullptr when none is installed.
        virtual std::unique_ptr<QPrinter> defaultPrinter() = 0;
    };

    /// Prints one page as a new document named documentName. owner and language are those of the
    /// window whose command prints: its notices speak its edition. suggestedPdfName is the file name
    /// offered when the page is saved as PDF instead.
    static PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                                  const QString& suggestedPdfName, const DrawPage& draw);

    /// Puts a backend in place (not owned); nullptr restores the system's.
    static void setBackend(Backend* replacement);
};

/// The system's backend: QPrinterInfo::defaultPrinter() at high resolution.
Printing::Backend& systemPrinting();

} // namespace quorvel::ui
