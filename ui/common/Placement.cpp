#include "ui/common/Placement.h"

#include "ui/common/X11.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <optional>

namespace quorvel::ui {

namespace {

// How often, and how long after it is shown, a window looks whether the window manager has framed it.
constexpr int FrameCheckMs = 25;
constexpr int FrameWaitMs = 3000;

// The frame taken for granted while the window manager has not framed a window yet: a title bar and borders.
const QMargins AssumedFrame(8, 40, 8, 8);

// The frame a window manager has put around a window on X11, from the _NET_FRAME_EXTENTS it sets on the
// window. Qt's own idea of the frame can lag behind (it reads the extents at moments of its own choosing),
// so the centring reads them itself. Nothing while the window has no frame or off X11.
std::optional<QMargins> x11FrameExtents(QWidget* window)
{
    xcb_connection_t* connection = x11::connection();
    if (connection == nullptr || !window->testAttribute(Qt::WA_WState_Created)) {
        return std::nullopt;
    }
    const xcb_atom_t extentsAtom = x11::atom(connection, "_NET_FRAME_EXTENTS", true);
    if (extentsAtom == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const x11::Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, id, extentsAtom, XCB_ATOM_CARDINAL, 0, 4), nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) != 4 * static_cast<int>(sizeof(uint32_t))) {
        return std::nullopt;
    }
    // left, right, top, bottom, in device pixels
    const auto* extents = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    const qreal ratio = window->devicePixelRatioF();
    auto dip = [ratio](uint32_t value) { return qRound(value / ratio); };
    return QMargins(dip(extents[0]), dip(extents[2]), dip(extents[1]), dip(extents[3]));
}

// The frame around the window as far as it is known: from the window manager on X11, else from Qt
// (which knows none before the window is shown: then the frame counts as nothing).
std::optional<QMargins> knownFrame(QWidget* window)
{
    if (const std::optional<QMargins> extents = x11FrameExtents(window)) {
        return extents;
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        return std::nullopt;
    }
    const QRect outer = window->frameGeometry();
    const QRect inner = window->geometry();
    if (outer == inner || !outer.contains(inner)) {
        return std::nullopt;
    }
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

// Places the window so that the centre of its outer frame lies on the centre of the work area.
void centre(QWidget* window, const QMargins& frame)
{
    QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize outer = window->size().grownBy(frame);
    const QPoint frameTopLeft(area.left() + (area.width() - outer.width()) / 2,
                              area.top() + (area.height() - outer.height()) / 2);
    const QPoint clientTopLeft = frameTopLeft + QPoint(frame.left(), frame.top());
    if (QWindow* handle = window->windowHandle(); handle != nullptr && window->isVisible()) {
        handle->setPosition(clientTopLeft); // the client area's place, whatever Qt thinks of the frame
    } else {
        window->move(frameTopLeft); // not shown yet: a top-level window's move() places its frame
    }
}

// Centres its window when the window is first shown and, if the window has no frame yet, once more when
// the window manager has framed it (or gives up after a while: without a manager no frame ever comes).
class FirstShowCentring final : public QObject
{
public:
    explicit FirstShowCentring(QWidget* window) : QObject(window), m_window(window)
    {
        window->installEventFilter(this);
        m_frameCheck.setInterval(FrameCheckMs);
        connect(&m_frameCheck, &QTimer::timeout, this, &FirstShowCentring::checkFrame);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            const std::optional<QMargins> frame = knownFrame(m_window);
            centre(m_window, frame.value_or(QMargins()));
            if (!frame) {
                m_waited = 0;
                m_frameCheck.start();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void checkFrame()
    {
        m_waited += FrameCheckMs;
        if (const std::optional<QMargins> frame = knownFrame(m_window)) {
            m_frameCheck.stop();
            centre(m_window, *frame);
        } else if (m_waited >= FrameWaitMs) {
            m_frameCheck.stop();
        }
    }

    QWidget* m_window;
    QTimer m_frameCheck;
    int m_waited = 0;
    bool m_shown = false;
};

} // namespace

void centreWhenFirstShown(QWidget* window)
{
    new FirstShowCentring(window);
}

void centreOnWorkArea(QWidget* window)
{
    centre(window, knownFrame(window).value_or(QMargins()));
}

QSize sizeWithinWorkArea(const QWidget* window, const QSize& wanted)
{
    const QScreen* screen = window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return wanted;
    }
    // Room for a title bar and borders the window manager has not put around the window yet.
    const QMargins frame = knownFrame(const_cast<QWidget*>(window)).value_or(AssumedFrame);
    const QSize room = screen->availableGeometry().size().shrunkBy(frame);
    return wanted.boundedTo(room).expandedTo(window->minimumSize());
}

} // namespace quorvel::ui
