#pragma once

namespace quorvel::availability {
class Checker;
}

namespace quorvel::ui {

/// The one checker of the windows, made at its first use with the program's manners (the bootstrap address
/// from QUORVEL_RDAP_BOOTSTRAP). Both editions share it, so its limits and its answers hold for the whole run.
availability::Checker& programChecker();

/// For tests: puts a checker of their own in place (not owned); nullptr goes back to the program's.
void setProgramChecker(availability::Checker* checker);

} // namespace quorvel::ui
