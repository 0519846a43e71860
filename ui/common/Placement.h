#pragma once

#include <QSize>

class QWidget;

namespace quorvel::ui {

/// Centres a top-level window on the work area of its screen when it is first shown, counting its outer
/// frame (title bar and borders). A window manager frames a window only after it is mapped, so the window is
/// centred once as it is shown, with the frame known by then, and once more as soon as its frame is known.
/// Later shows (after a minimise, say) leave it where it is.
void centreWhenFirstShown(QWidget* window);

/// Centres a top-level window on the work area of its screen, counting the frame it is known to have now.
void centreOnWorkArea(QWidget* window);

/// The size a window of a wanted size can have so that it fits, with its frame, within the work area of its
/// screen (never below the window's minimum size).
QSize sizeWithinWorkArea(const QWidget* window, const QSize& wanted);

} // namespace quorvel::ui
