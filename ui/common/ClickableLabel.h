#pragma once

#include <QLabel>

namespace quorvel::ui {

/// A label that reacts to a click with the left button, showing the pointing hand while the mouse is over it.
class ClickableLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ClickableLabel)

public:
    explicit ClickableLabel(QWidget* parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

/// Gives a label the address style: pale yellow background, centred text.
void styleAsAddress(QLabel* label);

} // namespace quorvel::ui
