#include "ui/companions/KeepInFront.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace quorvel::ui {

namespace {

KeepInFront* g_current = nullptr;

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name)
{
    const auto length = static_cast<uint16_t>(std::strlen(name));
    const XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, length, name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

// Whether the root window's _NET_SUPPORTED (set by an EWMH window manager) holds the given atom.
bool rootSupports(xcb_connection_t* connection, const char* stateName)
{
    const xcb_atom_t supportedAtom = internAtom(connection, "_NET_SUPPORTED");
    const xcb_atom_t wanted = internAtom(connection, stateName);
    if (supportedAtom == XCB_ATOM_NONE || wanted == XCB_ATOM_NONE) {
        return false; // only_if_exists: nobody has ever named it, so no manager announces it
    }
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (screens.rem == 0) {
        return false;
    }
    const xcb_window_t root = screens.data->root;
    constexpr uint32_t Chunk = 1024; // in 32-bit units
    uint32_t offset = 0;
    for (;;) {
        const XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, supportedAtom, XCB_ATOM_ATOM, offset, Chunk), nullptr));
        if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32) {
            return false;
        }
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / static_cast<int>(sizeof(xcb_atom_t));
        for (int i = 0; i < count; ++i) {
            if (atoms[i] == wanted) {
                return true;
            }
        }
        if (reply->bytes_after == 0 || count == 0) {
            return false;
        }
        offset += static_cast<uint32_t>(count);
    }
}

class PlatformKeepInFront final : public KeepInFront
{
public:
    bool supported() override
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            return false;
        }
        auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
        if (connection == nullptr || xcb_connection_has_error(connection) != 0) {
            return false;
        }
        return rootSupports(connection, "_NET_WM_STATE_ABOVE");
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
