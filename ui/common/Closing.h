#pragma once

#include "core/Language.h"

class QCloseEvent;
class QWidget;

namespace quorvel::ui {

/// What follows when a program window has closed.
enum class AfterClose
{
    NothingMore,    ///< the window just leaves
    MainWindowBack, ///< the main window of the window's edition comes back
};

/// A window's close handling: it accepts the close, leaves the window registry and, where asked, brings the
/// main window of its edition back.
void acceptClose(QWidget* window, QCloseEvent* event, UiLanguage language, AfterClose after);

/// Escape anywhere in the window closes it as its close box does (the window's own close handling runs).
/// An open menu or drop-down list takes Escape first and only closes itself.
void closeOnEscape(QWidget* window);

} // namespace quorvel::ui
