#include "ui/common/X11.h"

#include <QGuiApplication>

#include <cstring>

namespace quorvel::ui::x11 {

xcb_connection_t* connection()
{
    if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) {
        return nullptr;
    }
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    return connection != nullptr && xcb_connection_has_error(connection) == 0 ? connection : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name, bool onlyIfExists)
{
    const auto length = static_cast<uint16_t>(std::strlen(name));
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, onlyIfExists ? 1 : 0, length, name), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::vector<xcb_atom_t> atomList(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property)
{
    std::vector<xcb_atom_t> atoms;
    constexpr uint32_t Chunk = 1024; // in 32-bit units
    for (;;) {
        const auto offset = static_cast<uint32_t>(atoms.size());
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_ATOM, offset, Chunk), nullptr));
        if (!reply || reply->type != XCB_ATOM_ATOM || reply->format != 32) {
            return atoms;
        }
        const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / static_cast<int>(sizeof(xcb_atom_t));
        atoms.insert(atoms.end(), values, values + count);
        if (reply->bytes_after == 0 || count == 0) {
            return atoms;
        }
    }
}

} // namespace quorvel::ui::x11
