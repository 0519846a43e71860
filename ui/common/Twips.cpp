#include "ui/common/Twips.h"

#include <QMainWindow>
#include <QWidget>

namespace quorvel::ui {

QFont arialFont(qreal pointSize, bool bold, bool underline)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void setClientSizeTwips(QWidget* window, int width, int height)
{
    // A main window's menu bar stands above the client area.
    const auto* main = qobject_cast<QMainWindow*>(window);
    const int menuHeight =
        main != nullptr && main->menuWidget() != nullptr ? main->menuWidget()->sizeHint().height() : 0;
    window->setFixedSize(px(width), px(height) + menuHeight);
}

} // namespace quorvel::ui
