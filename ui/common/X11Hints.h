#pragma once

class QWidget;

namespace quorvel::ui {

/// Keeps a window out of the task bar and the pager: on X11 it carries _NET_WM_STATE_SKIP_TASKBAR and
/// _NET_WM_STATE_SKIP_PAGER from the moment it is mapped, every time it is shown. Elsewhere nothing happens.
void keepOutOfTaskbar(QWidget* window);

} // namespace quorvel::ui
