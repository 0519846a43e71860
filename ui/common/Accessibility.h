#pragma once

class QWidget;

namespace quorvel::ui {

/// Makes the program's own widgets known to screen readers as what they are: address labels as links with a
/// press action, windows made from plain widgets (the About, reduced and help windows) as windows or dialogs.
/// Call before any of them is shown; calling again does nothing.
void installAccessibility();

/// Names the buttons of a window that show only a picture after their tips, so that a screen reader has
/// something to announce; a button with a name of its own keeps it.
void nameIconButtons(QWidget* window);

} // namespace quorvel::ui
