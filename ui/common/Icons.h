#pragma once

#include <QIcon>

namespace quorvel::ui {

/// The program's own icon, shown by every window.
QIcon applicationIcon();

/// An icon of the resources by its base name (":/icons/<name>.svg").
QIcon resourceIcon(const char* name);

} // namespace quorvel::ui
