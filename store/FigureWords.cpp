#include "store/TransferFormat.h"
#include "store/TransferInput.h"

namespace quorvel::store {

namespace {

/// The words that name a class of figure: its letter, the class's name in both languages, and the everyday
/// names of the figures it holds. A word that would fit two classes ("polygon", "figure") is none of them.
constexpr FigureWord Words[] = {
    {"r", FigureKind::FourSided},
    {"c", FigureKind::CircleOrEllipse},
    {"t", FigureKind::ThreeSided},
    {"p", FigureKind::ManySided},
    // The classes by name.
    {"four sided polygon", FigureKind::FourSided},
    {"polygon of four sides", FigureKind::FourSided},
    {"poligono de cuatro lados", FigureKind::FourSided},
    {"foursided", FigureKind::FourSided},
    {"circle or ellipse", FigureKind::CircleOrEllipse},
    {"circulo o elipse", FigureKind::CircleOrEllipse},
    {"figure of circular or elliptic line", FigureKind::CircleOrEllipse},
    {"figura de trazo circular o eliptico", FigureKind::CircleOrEllipse},
    {"circleorellipse", FigureKind::CircleOrEllipse},
    {"three sided polygon", FigureKind::ThreeSided},
    {"polygon of three sides", FigureKind::ThreeSided},
    {"poligono de tres lados", FigureKind::ThreeSided},
    {"threesided", FigureKind::ThreeSided},
    {"polygon of more than four sides", FigureKind::ManySided},
    {"poligono de mas de cuatro lados", FigureKind::ManySided},
    {"manysided", FigureKind::ManySided},
    {"many sided polygon", FigureKind::ManySided},
    // Four sides.
    {"cuadrado", FigureKind::FourSided},
    {"rectangulo", FigureKind::FourSided},
    {"rombo", FigureKind::FourSided},
    {"romboide", FigureKind::FourSided},
    {"trapecio", FigureKind::FourSided},
    {"trapezoide", FigureKind::FourSided},
    {"cuadrilatero", FigureKind::FourSided},
    {"paralelogramo", FigureKind::FourSided},
    {"square", FigureKind::FourSided},
    {"rectangle", FigureKind::FourSided},
    {"rhombus", FigureKind::FourSided},
    {"rhomboid", FigureKind::FourSided},
    {"trapezium", FigureKind::FourSided},
    {"trapezoid", FigureKind::FourSided},
    {"quadrilateral", FigureKind::FourSided},
    {"parallelogram", FigureKind::FourSided},
    {"diamond", FigureKind::FourSided},
    {"kite", FigureKind::FourSided},
    // Circular or elliptic line.
    {"circulo", FigureKind::CircleOrEllipse},
    {"circunferencia", FigureKind::CircleOrEllipse},
    {"elipse", FigureKind::CircleOrEllipse},
    {"ovalo", FigureKind::CircleOrEllipse},
    {"circle", FigureKind::CircleOrEllipse},
    {"ellipse", FigureKind::CircleOrEllipse},
    {"oval", FigureKind::CircleOrEllipse},
    {"disc", FigureKind::CircleOrEllipse},
    {"disk", FigureKind::CircleOrEllipse},
    {"ring", FigureKind::CircleOrEllipse},
    // Three sides.
    {"triangulo", FigureKind::ThreeSided},
    {"triangle", FigureKind::ThreeSided},
    // More than four sides.
    {"pentagono", FigureKind::ManySided},
    {"hexagono", FigureKind::ManySided},
    {"heptagono", FigureKind::ManySided},
    {"octogono", FigureKind::ManySided},
    {"octagono", FigureKind::ManySided},
    {"eneagono", FigureKind::ManySided},
    {"nonagono", FigureKind::ManySided},
    {"decagono", FigureKind::ManySided},
    {"endecagono", FigureKind::ManySided},
    {"dodecagono", FigureKind::ManySided},
    {"pentagon", FigureKind::ManySided},
    {"hexagon", FigureKind::ManySided},
    {"heptagon", FigureKind::ManySided},
    {"octagon", FigureKind::ManySided},
    {"nonagon", FigureKind::ManySided},
    {"enneagon", FigureKind::ManySided},
    {"decagon", FigureKind::ManySided},
    {"hendecagon", FigureKind::ManySided},
    {"dodecagon", FigureKind::ManySided},
    {"estrella", FigureKind::ManySided},
    {"star", FigureKind::ManySided},
    {"pentagram", FigureKind::ManySided},
    {"pentagrama", FigureKind::ManySided},
    {"hexagrama", FigureKind::ManySided},
    {"hexagram", FigureKind::ManySided},
};

std::optional<FigureKind> lookUp(std::string_view plain)
{
    for (const FigureWord& word : Words) {
        if (plain == word.text) {
            return word.kind;
        }
    }
    return std::nullopt;
}

} // namespace

std::span<const FigureWord> figureWords()
{
    return Words;
}

std::optional<FigureKind> figureFromText(std::string_view text)
{
    const std::optional<std::string> plain = detail::plainWord(text);
    if (!plain || plain->empty()) {
        return std::nullopt;
    }
    if (auto kind = lookUp(*plain)) {
        return kind;
    }
    // Plurals: "squares", "hexágonos", "polígonos de tres lados" (the first word carries the plural).
    std::string word = *plain;
    const std::size_t blank = word.find(' ');
    const std::string head = word.substr(0, blank);
    const std::string tail = blank == std::string::npos ? std::string() : word.substr(blank);
    for (std::string_view ending : {"es", "s"}) {
        if (head.size() > ending.size() + 2 && head.ends_with(ending)) {
            if (auto kind = lookUp(head.substr(0, head.size() - ending.size()) + tail)) {
                return kind;
            }
        }
    }
    return std::nullopt;
}

} // namespace quorvel::store
