#pragma once

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <vector>

// What the windows read from and write to the X server themselves, beside Qt: the frame a window manager puts
// around a window, the states that keep a window out of the task bar, whether "keep in front" is offered.
namespace quorvel::ui::x11 {

struct FreeDeleter
{
    void operator()(void* p) const { std::free(p); }
};

/// A reply of the X server, freed as xcb wants.
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;

/// The program's connection to the X server; nullptr when it does not run on X11 or the connection broke.
xcb_connection_t* connection();

/// The atom of that name. With onlyIfExists, XCB_ATOM_NONE when no client has named it yet.
xcb_atom_t atom(xcb_connection_t* connection, const char* name, bool onlyIfExists = false);

/// A window property that is a list of atoms, read whole; empty when it is missing or of another type.
std::vector<xcb_atom_t> atomList(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t property);

} // namespace quorvel::ui::x11
