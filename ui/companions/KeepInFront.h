#pragma once

class QWidget;

namespace quorvel::ui {

/// Keeping one window above all others, where the platform can. The reduced window asks, at each
/// load, whether the platform offers it and switches it with its check box.
class KeepInFront
{
public:
    virtual ~KeepInFront() = default;

    /// Whether the platform can keep a window above all others right now.
    virtual bool supported() = 0;

    /// Keeps a shown window above all others (on) or returns it to ordinary stacking (off), without
    /// moving, resizing or focusing it.
    virtual void setKeptInFront(QWidget* window, bool on) = 0;

    /// The one in use: the one set with setCurrent, else the platform's.
    static KeepInFront& current();

    /// Puts one in place (not owned); nullptr restores the platform's.
    static void setCurrent(KeepInFront* replacement);
};

/// The platform's: offered on X11 when the window manager lists _NET_WM_STATE_ABOVE among the
/// states it supports; never on Wayland, the offscreen platform or X11 without such a manager.
KeepInFront& platformKeepInFront();

} // namespace quorvel::ui
