#include "ui/common/FigureShapes.h"

#include "ui/common/Twips.h"

#include <QPainter>

namespace quorvel::ui {

void drawFigureOutline(QPainter& painter, const FigureOutline& outline, qreal scale)
{
    const QRectF box(outline.box.topLeft() * scale, outline.box.size() * scale);
    switch (outline.shape) {
    case FigureOutline::Shape::Rectangle:
        painter.drawRect(box);
        break;
    case FigureOutline::Shape::Ellipse:
        painter.drawEllipse(box);
        break;
    case FigureOutline::Shape::Polygon: {
        QPolygonF corners;
        corners.reserve(outline.corners.size());
        for (const QPointF& corner : outline.corners) {
            corners << corner * scale;
        }
        painter.drawPolygon(corners);
        break;
    }
    }
}

FigureCanvas::FigureCanvas(QWidget* parent) : QWidget(parent) {}

void FigureCanvas::addOutline(const FigureOutline& outline, int penWidth, const QColor& colour)
{
    m_items.push_back({outline, penWidth, colour, QColor()});
    update();
}

void FigureCanvas::addFilled(const FigureOutline& outline, const QColor& fill, const QColor& line)
{
    m_items.push_back({outline, 1, line, fill});
    update();
}

void FigureCanvas::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Item& item : m_items) {
        QPen pen(item.colour, item.penWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(item.fill.isValid() ? QBrush(item.fill) : QBrush(Qt::NoBrush));
        drawFigureOutline(painter, item.outline, 1.0 / TwipsPerPixel);
    }
}

} // namespace quorvel::ui
