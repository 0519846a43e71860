#pragma once

#include "core/Language.h"
#include "ui/common/PagePrinting.h"
#include "ui/common/Texts.h"

#include <QMainWindow>
#include <QString>

#include <array>

class QLabel;
class QPainter;

namespace quorvel::ui {

/// The domain register window (frmReg_Cast / frmReg_Ang): the four register addresses handed over in
/// RegisterAddresses, each beside its figure, and a menu item that prints them as a one-page document.
class RegisterWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RegisterWindow)

public:
    explicit RegisterWindow(UiLanguage language);

    UiLanguage language() const { return m_language; }

    /// Prints the register as the labels show it now (the menu item's work).
    PrintOutcome printRegister();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupControls();
    void setupMenus();
    void load();
    void showAddresses();

    UiLanguage m_language;
    EditionTexts m_texts;
    std::array<QLabel*, 4> m_labels{};
};

/// Draws the printed register page: the four figures and, 0.5 cm right of each, its text in a 12-point
/// font with the text's top-left at the given place. Coordinates are centimetres from the painter's
/// origin; dotsPerCm is the device's resolution.
void drawRegisterPage(QPainter& painter, qreal dotsPerCm, const std::array<QString, 4>& texts);

} // namespace quorvel::ui
