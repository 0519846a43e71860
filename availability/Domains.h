#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace quorvel::availability {

/// The endings checked besides .com when the user has not chosen others.
inline constexpr std::string_view DefaultEndings = "net org";

/// The endings a user typed ("net org", ".net, org", "NET"): lower-cased, without leading dots, each once,
/// in the order given. Words that cannot be an ending (anything but letters, digits, hyphens and inner dots)
/// are left out; "com" is left out too, since the .com domains are always checked.
QStringList parseEndings(const QString& text);

/// The words of the same text that cannot be an ending ("n@t"), lower-cased, each once, in the order given.
QStringList invalidEndings(const QString& text);

/// The domains of a lower-case name: "<name>.com", the four "<prefix>-<name>-<code>.com" of the figure
/// addresses in the order of the figure kinds, then "<name>.<ending>" for each ending. Empty for an empty name.
QStringList domainsOf(std::string_view name, const QStringList& endings);

/// Whether a lower-case domain can exist under the rules for host names: labels of 1 to 63 letters, digits
/// and hyphens, not starting or ending with a hyphen, with hyphens in the third and fourth places only after "xn", at
/// most 253 characters in all.
bool isValidDomain(const QString& domain);

} // namespace quorvel::availability
