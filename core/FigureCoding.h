#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

/// The four classes of figure, in their fixed order (the order number is the index of every
/// label, list, save and delete command that belongs to the class).
enum class FigureKind
{
    FourSided = 1,       ///< polygons of four sides, "r"
    CircleOrEllipse = 2, ///< figures of circular or elliptic line, "c"
    ThreeSided = 3,      ///< polygons of three sides, "t"
    ManySided = 4,       ///< polygons of more than four sides, "p"
};

/// The four kinds in their order, for loops.
inline constexpr std::array<FigureKind, 4> AllFigureKinds = {FigureKind::FourSided, FigureKind::CircleOrEllipse,
                                                             FigureKind::ThreeSided, FigureKind::ManySided};

/// The order number 1 to 4 of a kind.
constexpr int figureOrder(FigureKind kind)
{
    return static_cast<int>(kind);
}

/// The zero-based index of a kind, for arrays of four.
constexpr std::size_t figureIndex(FigureKind kind)
{
    return static_cast<std::size_t>(kind) - 1;
}

/// The letter of a kind: the first character of its codes and the stored value of a favourite's figure.
char figureLetter(FigureKind kind);

/// The kind whose letter is exactly this text, if any (an upper-case "R" or "rr" is none).
std::optional<FigureKind> figureKindForLetter(std::string_view letter);

/// The value 90 to 126 of a name symbol (lower case only); 0 for every other character.
int symbolValue(char32_t c);

/// The symbol of a value 90 to 126; the empty text for every other value.
std::string_view symbolForValue(int value);

/// The three-character figure code of a lower-case name (UTF-8; its length counts code points).
std::string figureCode(FigureKind kind, std::string_view name);

/// The four codes of a name, by figureIndex: figureCode of each kind, the name read once.
std::array<std::string, 4> figureCodes(std::string_view name);

/// "http://www." + FigureSitePrefix + "-" + name + "-" + code + ".com"
std::string figureAddress(FigureKind kind, std::string_view name);

/// "www." + FigureSitePrefix + "-" + name + "-" + code + ".com"
std::string registerAddress(FigureKind kind, std::string_view name);

/// "http://www." + name + ".com"
std::string plainAddress(std::string_view name);

/// The figure address with the name written as given and the code computed from codeName: the reduced
/// window keeps upper-case letters in the address while its code comes from the lower-case form.
std::string figureAddressWithCode(FigureKind kind, std::string_view shownName, std::string_view codeName);

} // namespace quorvel
