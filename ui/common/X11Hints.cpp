#include "ui/common/X11Hints.h"

#include "ui/common/X11.h"

#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace quorvel::ui {

namespace {

// Adds the two states to the window's _NET_WM_STATE before it is mapped: the window manager reads them when it
// maps the window, and Qt merges its own states with those already there.
void addSkipStates(QWidget* window)
{
    xcb_connection_t* connection = x11::connection();
    if (connection == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_atom_t stateAtom = x11::atom(connection, "_NET_WM_STATE");
    if (stateAtom == XCB_ATOM_NONE) {
        return;
    }
    std::vector<xcb_atom_t> states = x11::atomList(connection, id, stateAtom);
    for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
        const xcb_atom_t wanted = x11::atom(connection, name);
        if (wanted != XCB_ATOM_NONE && std::find(states.begin(), states.end(), wanted) == states.end()) {
            states.push_back(wanted);
        }
    }
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, stateAtom, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(states.size()), states.data());
    xcb_flush(connection);
}

// Each time the window is shown: the show event comes after the native window exists and before it is mapped.
class SkipTaskbarOnShow final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* window = static_cast<QWidget*>(watched);
            if (window->isWindow() && window->testAttribute(Qt::WA_WState_Created)) {
                addSkipStates(window);
            }
        }
        return false;
    }
};

} // namespace

void keepOutOfTaskbar(QWidget* window)
{
    window->installEventFilter(new SkipTaskbarOnShow(window));
}

} // namespace quorvel::ui
