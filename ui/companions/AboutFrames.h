#pragma once

#include <QPixmap>
#include <QSize>

namespace quorvel::ui {

/// The number of frames of the About window's animated emblem.
inline constexpr int AboutFrameCount = 18;

/// The size of frame number (1 to 18): 80 x 80 pixels, three of them (5, 11 and 14) 80 x 79.
QSize aboutFrameSize(int number);

/// Frame number (1 to 18) of the emblem: the Earth seen from space on black, turned a little further in each frame,
/// with "Quorvel" in red letters set along a circle around it, moved further round in each frame.
QPixmap aboutFrame(int number, qreal devicePixelRatio = 1.0);

} // namespace quorvel::ui
