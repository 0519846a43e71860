#pragma once

#include <array>
#include <string>

namespace quorvel {

/// The lower-case form of the last validated name: how the typed name follows the user from window
/// to window and across a language switch. Empty at program start; lives for the whole run.
extern std::string CurrentName;

/// The four register addresses, indexed by figureIndex(kind), written by the main window's register
/// command just before it opens the register window, which reads them at its load.
extern std::array<std::string, 4> RegisterAddresses;

} // namespace quorvel
