#pragma once

#include "core/Language.h"

#include <QColor>

class QCloseEvent;
class QWidget;

namespace quorvel::ui {

/// The colours of the windows, by what they are.
namespace Colours {
inline constexpr QRgb TitleRed = 0xFF0000;      ///< the "Quorvel" titles
inline constexpr QRgb FrameBlue = 0x0000FF;     ///< the frame texts and links of the main and favourites windows
inline constexpr QRgb NoticeRed = 0x800000;     ///< the favourites window's "no entries" text
inline constexpr QRgb AddressBlue = 0x0000C0;   ///< the register window's addresses
inline constexpr QRgb AddressYellow = 0xFFFFC0; ///< behind the address labels that open an address
inline constexpr QRgb PanelGrey = 0xC0C0C0;     ///< the grey behind frame texts and of the symbology window
inline constexpr QRgb Black = 0x000000;
inline constexpr QRgb White = 0xFFFFFF;
} // namespace Colours

/// Sets the colour a widget draws its text in.
void setTextColour(QWidget* widget, const QColor& colour);

/// Fills a widget's background with a colour of its own.
void setBackground(QWidget* widget, const QColor& colour);

/// Centres a top-level window on the work area of its screen when it is first shown, counting its outer
/// frame (title bar and borders). A window manager frames a window only after it is mapped, so the window is
/// centred once as it is shown, with the frame known by then, and once more as soon as its frame is known.
/// Later shows (after a minimise, say) leave it where it is.
void centreWhenFirstShown(QWidget* window);

/// Centres a top-level window on the work area of its screen, counting the frame it is known to have now.
void centreOnWorkArea(QWidget* window);

/// What follows when a program window has closed.
enum class AfterClose
{
    NothingMore,    ///< the window just leaves
    MainWindowBack, ///< the main window of the window's edition comes back
};

/// A window's close handling: it accepts the close, leaves the window registry and, where asked, brings the
/// main window of its edition back.
void acceptClose(QWidget* window, QCloseEvent* event, UiLanguage language, AfterClose after);

} // namespace quorvel::ui
