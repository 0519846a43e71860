#pragma once

#include "core/Language.h"
#include "ui/common/PagePrinting.h"
#include "ui/common/Texts.h"

#include <QImage>
#include <QMainWindow>

namespace quorvel::ui {

/// The symbology window (frmSimb_Cast / frmSimb_Ang): the legend of the four classes of figure, one row
/// each with the figure and an example address, a sentence, and a panel of sample figures of the class.
/// Its menu item prints an image of the window's client area.
class SymbologyWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SymbologyWindow)

public:
    explicit SymbologyWindow(UiLanguage language);

    UiLanguage language() const { return m_language; }

    /// Prints the image of the client area (the menu item's work).
    PrintOutcome printWindow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupControls();
    void setupMenus();

    UiLanguage m_language;
    EditionTexts m_texts;
};

/// The small grey-scale picture of a hand-drawn ellipse shown among the samples of round figures (66 x 32,
/// drawn with devicePixelRatio device pixels to each of them).
QImage handDrawnEllipse(qreal devicePixelRatio = 1.0);

} // namespace quorvel::ui
