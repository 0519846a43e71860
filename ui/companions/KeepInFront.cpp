#include "ui/companions/KeepInFront.h"

#include "ui/common/X11.h"

#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace quorvel::ui {

namespace {

KeepInFront* g_current = nullptr;

// Whether the root window's _NET_SUPPORTED (set by an EWMH window manager) holds the given atom.
bool rootSupports(xcb_connection_t* connection, const char* stateName)
{
    const xcb_atom_t supportedAtom = x11::atom(connection, "_NET_SUPPORTED", true);
    const xcb_atom_t wanted = x11::atom(connection, stateName, true);
    if (supportedAtom == XCB_ATOM_NONE || wanted == XCB_ATOM_NONE) {
        return false; // nobody has ever named it, so no manager announces it
    }
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (screens.rem == 0) {
        return false;
    }
    const std::vector<xcb_atom_t> supported = x11::atomList(connection, screens.data->root, supportedAtom);
    return std::find(supported.begin(), supported.end(), wanted) != supported.end();
}

class PlatformKeepInFront final : public KeepInFront
{
public:
    bool supported() override
    {
        xcb_connection_t* connection = x11::connection();
        return connection != nullptr && rootSupports(connection, "_NET_WM_STATE_ABOVE");
    }

    void setKeptInFront(QWidget* window, bool on) override
    {
        // Changing the flag on the native window asks the manager for the state; the widget's own
        // setWindowFlag would re-create and hide the window.
        if (window != nullptr && window->windowHandle() != nullptr) {
            window->windowHandle()->setFlag(Qt::WindowStaysOnTopHint, on);
        }
    }
};

} // namespace

KeepInFront& platformKeepInFront()
{
    static PlatformKeepInFront platform;
    return platform;
}

KeepInFront& KeepInFront::current()
{
    return g_current != nullptr ? *g_current : platformKeepInFront();
}

void KeepInFront::setCurrent(KeepInFront* replacement)
{
    g_current = replacement;
}

} // namespace quorvel::ui
