#pragma once

#include "core/Language.h"

class QObject;
class QWidget;

namespace quorvel::ui {

/// The keyboard rules of the program's windows with help and menus, kept in one place:
/// - F1 opens the help on the item: the topic of the menu item that is highlighted, else of the control that has
///   the focus, else the window's own topic (the contents when the window has none);
/// - the window's menu shortcuts win over the keys that a text box would keep for itself (Ctrl+E moves the
///   caret to the end of the line in the X11 key scheme, and is the English edition's exit).
class WindowKeys
{
public:
    /// Makes window follow both rules; topic 0 means the help contents.
    static void install(QWidget* window, UiLanguage language, int topic);

    /// Gives a control or menu item its help context number (0: none, the window's topic applies).
    static void setHelpContext(QObject* item, int context);

    /// The help context number of a control or menu item, 0 when it has none.
    static int helpContext(const QObject* item);
};

} // namespace quorvel::ui
