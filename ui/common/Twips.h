#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>

class QWidget;

namespace quorvel::ui {

/// Layouts are given in twips: 15 twips are one device-independent pixel.
inline constexpr int TwipsPerPixel = 15;

constexpr int px(int twips)
{
    return (twips >= 0 ? twips + TwipsPerPixel / 2 : twips - TwipsPerPixel / 2) / TwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return {px(left), px(top), px(width), px(height)};
}

/// A place given in twips, for tables of edition layouts.
struct TwipsPlace
{
    int left, top, width, height;
};

inline QRect twipsRect(const TwipsPlace& place)
{
    return twipsRect(place.left, place.top, place.width, place.height);
}

/// "Arial" at the given size; fontconfig resolves it to a metric-compatible face.
QFont arialFont(qreal pointSize, bool bold = false, bool underline = false);

/// Gives a top-level window a fixed client area of the given size in twips, below its menu bar if it has one
/// (so menus come first).
void setClientSizeTwips(QWidget* window, int width, int height);

} // namespace quorvel::ui
