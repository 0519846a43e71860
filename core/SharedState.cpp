#include "core/SharedState.h"

namespace quorvel {

std::string CurrentName;
std::array<std::string, 4> RegisterAddresses;

} // namespace quorvel
