#include "ui/common/Registration.h"

namespace quorvel::ui {

// PLACEHOLDER: replaced by the module's real registration.
void registerMainWindows() {}

} // namespace quorvel::ui
