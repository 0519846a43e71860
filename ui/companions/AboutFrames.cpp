#include "ui/companions/AboutFrames.h"

#include "ui/common/Twips.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QtMath>

#include <cmath>
#include <numbers>

namespace quorvel::ui {

namespace {

constexpr int FrameWidth = 80;
constexpr qreal GlobeRadius = 23.5;
constexpr qreal LetterRadius = 33.0;
constexpr qreal TurnPerFrame = 360.0 / AboutFrameCount; // one full turn over the cycle
constexpr qreal Tilt = 20.0;                            // the north pole leans towards the viewer

struct LonLat
{
    qreal lon;
    qreal lat;
};

// Rough outlines of the land masses, in degrees of longitude and latitude.
const std::vector<std::vector<LonLat>>& continents()
{
    static const std::vector<std::vector<LonLat>> shapes = {
        // Africa
        {{-17, 15},
         {-10, 30},
         {10, 37},
         {32, 31},
         {43, 12},
         {51, 11},
         {40, -15},
         {35, -34},
         {20, -35},
         {12, -18},
         {9, 4},
         {-8, 5}},
        // Europe
        {{-10, 36}, {-9, 43}, {0, 50}, {10, 55}, {25, 60}, {30, 70}, {40, 65}, {40, 45}, {28, 40}, {15, 38}},
        // Asia
        {{40, 45},
         {40, 65},
         {70, 75},
         {110, 77},
         {140, 70},
         {160, 62},
         {140, 50},
         {122, 30},
         {108, 20},
         {105, 10},
         {95, 15},
         {80, 8},
         {72, 20},
         {60, 25},
         {50, 30}},
        // North America
        {{-165, 65},
         {-140, 70},
         {-95, 75},
         {-70, 65},
         {-55, 50},
         {-75, 35},
         {-80, 25},
         {-97, 18},
         {-105, 20},
         {-118, 33},
         {-125, 48},
         {-150, 58}},
        // South America
        {{-80, 10}, {-60, 10}, {-35, -7}, {-40, -22}, {-58, -38}, {-70, -55}, {-75, -45}, {-70, -18}, {-81, -5}},
        // Australia
        {{114, -22}, {130, -12}, {142, -11}, {153, -27}, {147, -38}, {135, -35}, {115, -34}},
        // Greenland
        {{-50, 60}, {-20, 70}, {-25, 82}, {-60, 80}},
    };
    return shapes;
}

qreal radians(qreal degrees)
{
    return degrees * std::numbers::pi / 180.0;
}

// Orthographic view of the sphere turned by `turn` degrees; points on the far side are pulled onto the rim, so a
// land mass going round the edge keeps its shape on the visible side.
QPointF project(const LonLat& point, qreal turn, const QPointF& centre)
{
    const qreal lon = radians(point.lon + turn);
    const qreal lat = radians(point.lat);
    const qreal tilt = radians(Tilt);
    qreal x = std::cos(lat) * std::sin(lon);
    qreal y = std::cos(tilt) * std::sin(lat) - std::sin(tilt) * std::cos(lat) * std::cos(lon);
    const qreal z = std::sin(tilt) * std::sin(lat) + std::cos(tilt) * std::cos(lat) * std::cos(lon);
    if (z < 0) {
        const qreal length = std::hypot(x, y);
        if (length > 0) {
            x /= length;
            y /= length;
        }
    }
    return centre + QPointF(x * GlobeRadius, -y * GlobeRadius);
}

// The same outline shrunk towards its middle, for the brown inland of a land mass.
std::vector<LonLat> inland(const std::vector<LonLat>& shape, qreal factor)
{
    LonLat middle = {0, 0};
    for (const LonLat& p : shape) {
        middle.lon += p.lon;
        middle.lat += p.lat;
    }
    middle.lon /= static_cast<qreal>(shape.size());
    middle.lat /= static_cast<qreal>(shape.size());
    std::vector<LonLat> out;
    for (const LonLat& p : shape) {
        out.push_back({middle.lon + (p.lon - middle.lon) * factor, middle.lat + (p.lat - middle.lat) * factor});
    }
    return out;
}

bool facesViewer(const std::vector<LonLat>& shape, qreal turn)
{
    for (const LonLat& p : shape) {
        const qreal lon = radians(p.lon + turn);
        const qreal lat = radians(p.lat);
        const qreal z =
            std::sin(radians(Tilt)) * std::sin(lat) + std::cos(radians(Tilt)) * std::cos(lat) * std::cos(lon);
        if (z > 0) {
            return true;
        }
    }
    return false;
}

void drawGlobe(QPainter& painter, const QPointF& centre, qreal turn)
{
    QPainterPath sphere;
    sphere.addEllipse(centre, GlobeRadius, GlobeRadius);

    // A faint glow of the atmosphere.
    painter.setPen(QPen(QColor(90, 150, 255, 120), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, GlobeRadius + 1.0, GlobeRadius + 1.0);

    QRadialGradient ocean(centre + QPointF(-8, -9), GlobeRadius * 1.6);
    ocean.setColorAt(0.0, QColor(80, 150, 235));
    ocean.setColorAt(0.6, QColor(25, 70, 170));
    ocean.setColorAt(1.0, QColor(5, 20, 70));
    painter.setPen(Qt::NoPen);
    painter.setBrush(ocean);
    painter.drawPath(sphere);

    painter.save();
    painter.setClipPath(sphere);
    for (std::size_t i = 0; i < continents().size(); ++i) {
        const std::vector<LonLat>& shape = continents()[i];
        if (!facesViewer(shape, turn)) {
            continue;
        }
        QPolygonF land;
        for (const LonLat& p : shape) {
            land << project(p, turn, centre);
        }
        painter.setBrush(QColor(46, 139, 57));
        painter.drawPolygon(land);
        if (i != 1 && i != 6) { // Europe and Greenland stay green
            QPolygonF desert;
            for (const LonLat& p : inland(shape, 0.45)) {
                desert << project(p, turn, centre);
            }
            painter.setBrush(QColor(150, 110, 60));
            painter.drawPolygon(desert);
        }
    }

    // Light from the upper left, night on the lower right.
    QRadialGradient shade(centre + QPointF(-9, -10), GlobeRadius * 2.0);
    shade.setColorAt(0.0, QColor(255, 255, 255, 70));
    shade.setColorAt(0.35, QColor(0, 0, 0, 0));
    shade.setColorAt(0.8, QColor(0, 0, 0, 170));
    shade.setColorAt(1.0, QColor(0, 0, 0, 220));
    painter.setBrush(shade);
    painter.drawPath(sphere);
    painter.restore();
}

void drawLettering(QPainter& painter, const QPointF& centre, qreal start)
{
    const QString word = QStringLiteral("Quorvel");
    QFont font = arialFont(7.5, true);
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(QColor(230, 20, 20));
    const QFontMetricsF metrics(font);
    constexpr qreal step = 24.0; // degrees between letters
    for (qsizetype i = 0; i < word.size(); ++i) {
        const qreal angle = start + static_cast<qreal>(i) * step;
        painter.save();
        painter.translate(centre);
        painter.rotate(angle);
        painter.translate(0, -LetterRadius);
        const QString letter = word.mid(i, 1);
        painter.drawText(QPointF(-metrics.horizontalAdvance(letter) / 2, metrics.ascent() / 2 - 1), letter);
        painter.restore();
    }
}

} // namespace

QSize aboutFrameSize(int number)
{
    const bool shorter = number == 5 || number == 11 || number == 14;
    return {FrameWidth, shorter ? FrameWidth - 1 : FrameWidth};
}

QPixmap aboutFrame(int number, qreal devicePixelRatio)
{
    // Drawn with as many device pixels as the screen has, so that the globe stays sharp on a dense screen.
    const qreal ratio = qMax<qreal>(devicePixelRatio, 1.0);
    const QSize size = aboutFrameSize(number);
    QPixmap frame(QSize(qCeil(size.width() * ratio), qCeil(size.height() * ratio)));
    frame.setDevicePixelRatio(ratio);
    frame.fill(Qt::black);
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QPointF centre(FrameWidth / 2.0, FrameWidth / 2.0);
    const qreal step = static_cast<qreal>(number - 1);
    drawGlobe(painter, centre, step * TurnPerFrame);
    drawLettering(painter, centre, -72.0 + step * TurnPerFrame);
    return frame;
}

} // namespace quorvel::ui
