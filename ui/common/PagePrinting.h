#pragma once

#include "core/Language.h"

#include <QString>

#include <functional>

class QPainter;
class QWidget;

namespace quorvel::ui {

/// How a print command ended.
enum class PrintOutcome
{
    Printed,    ///< the page went to the default printer
    SavedAsPdf, ///< there was no printer; the user saved the page as a PDF file instead
    Declined,   ///< there was no printer and the user saved nothing
    Failed,     ///< the printer or the file could not be written, or printing is missing; the user was told
};

/// Draws a page: the painter is active on it, its origin the top-left of the printable area, at dotsPerInch.
using DrawPage = std::function<void(QPainter& painter, qreal dotsPerInch)>;

/// Prints one page as a new document named documentName on the default printer, without a dialog; where no
/// printer is installed the user is offered to save it as a PDF file (suggestedPdfName). The feature plugin
/// prints (see Features.h); without it the outcome is Failed, and the user was told. owner and language are
/// those of the window whose command prints: its notices speak its edition.
PrintOutcome printPage(QWidget* owner, UiLanguage language, const QString& documentName,
                       const QString& suggestedPdfName, const DrawPage& draw);

} // namespace quorvel::ui
