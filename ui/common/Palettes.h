#pragma once

#include <QColor>
#include <QPalette>

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

/// The light look of the windows whose colours are fixed (main, favourites, reduced, register, symbology,
/// About): light grey windows and buttons, white text boxes and lists, black text. Their fixed colours (blue
/// links, red titles, grey panels, black outlines) are chosen against it, so they stay readable whatever
/// the desktop's theme; the other windows and the notices follow the desktop.
QPalette lightLook();

/// Gives a window, and every control in it, the light look.
void useLightLook(QWidget* window);

/// Sets the colour a widget draws its text in.
void setTextColour(QWidget* widget, const QColor& colour);

/// Fills a widget's background with a colour of its own.
void setBackground(QWidget* widget, const QColor& colour);

/// The contrast ratio of two colours as the web's accessibility guidelines define it, from 1 (alike) to 21
/// (black on white).
double contrastRatio(const QColor& first, const QColor& second);

} // namespace quorvel::ui
