#pragma once

#include "core/FigureCoding.h"
#include "core/Language.h"

#include <QLabel>

#include <functional>
#include <optional>

namespace quorvel::ui {

/// The whole address a label stands for, worked out at the moment it is asked for; empty when there is none
/// (the label shows the placeholder, the box is empty).
using AddressSource = std::function<QString()>;

/// A label that reacts to a click with the left button, showing the pointing hand while the mouse is over it.
/// It takes the keyboard focus from Tab (a click leaves the focus where it was), shows a focus frame while it has it,
/// and Return, Enter or Space do what a click does. Screen readers see it as a link that offers a press action doing
/// what a click does.
class ClickableLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableLabel)

public:
    explicit ClickableLabel(QWidget* parent = nullptr);

    /// Makes it an address label (offerAddress): a menu to copy the address, the address as its tip where the
    /// label is too narrow, and the address for screen readers.
    void setAddressSource(UiLanguage language, AddressSource source);

    /// The address it stands for now; empty when it is no address label or has no address at the moment.
    QString address() const;

    /// Does what a click does.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_pressed = false;
    AddressSource m_address;
};

/// Gives a label the address style: pale yellow background, centred text.
void styleAsAddress(QLabel* label);

/// What every address label offers, clickable or not: a context menu "Copiar dirección" / "Copy address" that
/// puts the whole address on the clipboard, and the whole address as the label's tip while the label is too
/// narrow to show all of its text. The label takes the keyboard focus, and the menu key (or Shift+F10) opens
/// the menu as a right click does.
void offerAddress(QLabel* label, UiLanguage language, AddressSource source);

/// Names an address label for screen readers by what it stands for, in the edition's language: the plain
/// ".com" address (no figure) or the figure address of a kind. While the label has an address, screen readers
/// hear the address itself and this name as its description.
void nameAddressLabel(QWidget* label, UiLanguage language, std::optional<FigureKind> kind);

/// Whether a label's one-line text is wider than the room it has.
bool textIsCut(const QLabel* label);

} // namespace quorvel::ui
