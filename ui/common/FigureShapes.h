#pragma once

#include "core/FigureCoding.h"

#include <QColor>
#include <QPolygonF>
#include <QRectF>
#include <QWidget>

#include <vector>

class QPainter;

namespace quorvel::ui {

/// One outline: a rectangle or an ellipse in a box, or a closed polygon through its corners. The unit
/// is the caller's (twips for windows, centimetres for printed pages); drawFigureOutline scales it.
struct FigureOutline
{
    enum class Shape
    {
        Rectangle,
        Ellipse,
        Polygon,
    };

    Shape shape = Shape::Rectangle;
    QRectF box;        ///< Rectangle and Ellipse
    QPolygonF corners; ///< Polygon, in drawing order; the last corner joins the first

    static FigureOutline rectangle(const QRectF& box) { return {Shape::Rectangle, box, {}}; }
    static FigureOutline ellipse(const QRectF& box) { return {Shape::Ellipse, box, {}}; }
    static FigureOutline polygon(const QPolygonF& corners) { return {Shape::Polygon, {}, corners}; }
};

/// Draws an outline with the painter's current pen, its coordinates multiplied by scale.
void drawFigureOutline(QPainter& painter, const FigureOutline& outline, qreal scale = 1.0);

/// A window or panel background that draws outlines given in twips behind its child controls.
class FigureCanvas : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FigureCanvas)

public:
    explicit FigureCanvas(QWidget* parent = nullptr);

    /// Adds an outline in twips, drawn with lines penWidth pixels wide.
    void addOutline(const FigureOutline& outline, int penWidth, const QColor& colour = Qt::black);

    /// Adds a filled outline (markers, samples) in twips.
    void addFilled(const FigureOutline& outline, const QColor& fill, const QColor& line = Qt::black);

    int outlineCount() const { return static_cast<int>(m_items.size()); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Item
    {
        FigureOutline outline;
        int penWidth = 1;
        QColor colour;
        QColor fill;
    };
    std::vector<Item> m_items;
};

} // namespace quorvel::ui
