#include "ui/common/ClickableLabel.h"

#include "ui/common/WindowManners.h"

#include <QMouseEvent>

namespace quorvel::ui {

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    event->accept();
    if (click) {
        Q_EMIT clicked();
    }
}

void styleAsAddress(QLabel* label)
{
    setBackground(label, Colours::AddressYellow);
    setTextColour(label, Colours::Black);
    label->setAlignment(Qt::AlignCenter);
}

} // namespace quorvel::ui
