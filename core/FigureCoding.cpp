#include "core/FigureCoding.h"

#include "QuorvelConfig.h"

namespace quorvel {

namespace {

constexpr int FirstValue = 90;

// The symbols by value, from 90 to 126.
constexpr std::string_view SymbolsByValue = "9753186420hklmnpqrtybcdfgjsvwxzuoiea-";
static_assert(SymbolsByValue.size() == 37);

constexpr std::array<int, 128> makeValueTable()
{
    std::array<int, 128> table{};
    for (std::size_t i = 0; i < SymbolsByValue.size(); ++i) {
        table[static_cast<unsigned char>(SymbolsByValue[i])] = FirstValue + static_cast<int>(i);
    }
    return table;
}

constexpr std::array<int, 128> ValueOfSymbol = makeValueTable();

struct Sums
{
    int length = 0;
    int all = 0;
    int odd = 0;
    int even = 0;
};

Sums sumsOf(std::string_view name)
{
    Sums s;
    for (char ch : name) {
        const auto b = static_cast<unsigned char>(ch);
        if ((b & 0xC0) == 0x80) {
            continue; // a UTF-8 continuation byte: part of the character already counted
        }
        ++s.length;
        const int v = b < 0x80 ? ValueOfSymbol[b] : 0;
        s.all += v;
        (s.length % 2 == 1 ? s.odd : s.even) += v;
    }
    return s;
}

std::string siteAddress(std::string_view scheme, FigureKind kind, std::string_view shownName, std::string_view codeName)
{
    std::string out;
    out.reserve(scheme.size() + FigureSitePrefix.size() + shownName.size() + 16);
    out.append(scheme).append("www.").append(FigureSitePrefix).append("-").append(shownName).append("-");
    out.append(figureCode(kind, codeName)).append(".com");
    return out;
}

std::string codeOfSums(FigureKind kind, const Sums& s)
{
    // The sums are non-negative, so % gives remainders from 0 to the divisor less one.
    std::string code(1, figureLetter(kind));
    auto add = [&code](int value) { code.append(symbolForValue(value)); };
    switch (kind) {
    case FigureKind::FourSided:
        add(100 + s.length % 27);
        add(100 + s.all % 26);
        break;
    case FigureKind::CircleOrEllipse:
        add(100 + s.all % 26);
        add(125 - s.length % 27);
        break;
    case FigureKind::ThreeSided:
        add(100 + s.odd % 26);
        add(125 - s.even % 26);
        break;
    case FigureKind::ManySided:
        add(125 - s.odd % 26);
        add(100 + s.even % 26);
        break;
    }
    return code;
}

} // namespace

char figureLetter(FigureKind kind)
{
    switch (kind) {
    case FigureKind::FourSided:
        return 'r';
    case FigureKind::CircleOrEllipse:
        return 'c';
    case FigureKind::ThreeSided:
        return 't';
    case FigureKind::ManySided:
        return 'p';
    }
    return '?';
}

std::optional<FigureKind> figureKindForLetter(std::string_view letter)
{
    for (FigureKind kind : AllFigureKinds) {
        if (letter.size() == 1 && letter[0] == figureLetter(kind)) {
            return kind;
        }
    }
    return std::nullopt;
}

int symbolValue(char32_t c)
{
    return c < 128 ? ValueOfSymbol[c] : 0;
}

std::string_view symbolForValue(int value)
{
    if (value < FirstValue || value >= FirstValue + static_cast<int>(SymbolsByValue.size())) {
        return {};
    }
    return SymbolsByValue.substr(static_cast<std::size_t>(value - FirstValue), 1);
}

std::string figureCode(FigureKind kind, std::string_view name)
{
    return codeOfSums(kind, sumsOf(name));
}

std::array<std::string, 4> figureCodes(std::string_view name)
{
    const Sums s = sumsOf(name);
    std::array<std::string, 4> codes;
    for (FigureKind kind : AllFigureKinds) {
        codes[figureIndex(kind)] = codeOfSums(kind, s);
    }
    return codes;
}

std::string figureAddress(FigureKind kind, std::string_view name)
{
    return siteAddress("http://", kind, name, name);
}

std::string figureAddressWithCode(FigureKind kind, std::string_view shownName, std::string_view codeName)
{
    return siteAddress("http://", kind, shownName, codeName);
}

std::string registerAddress(FigureKind kind, std::string_view name)
{
    return siteAddress("", kind, name, name);
}

std::string plainAddress(std::string_view name)
{
    return "http://www." + std::string(name) + ".com";
}

} // namespace quorvel
