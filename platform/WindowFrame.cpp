#include "platform/WindowFrame.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <xcb/xcb.h>

namespace {
// Long enough for a busy window manager, short enough not to hold up a window when none answers.
constexpr int kAnswerWaitMs = 500;

template <class Reply>
struct Freed {
    Reply* p;
    ~Freed() { std::free(p); }
};

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    Freed<xcb_intern_atom_reply_t> r{
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr)};
    return r.p ? r.p->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// _NET_FRAME_EXTENTS as the window manager set it on the window: left, right, top, bottom.
std::optional<QMargins> FrameExtents(xcb_connection_t* c, xcb_window_t w, xcb_atom_t extents) {
    Freed<xcb_get_property_reply_t> r{
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr)};
    if (!r.p || r.p->type != XCB_ATOM_CARDINAL || r.p->format != 32 || xcb_get_property_value_length(r.p) != 16)
        return std::nullopt;
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(r.p));
    return QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]), static_cast<int>(v[3]));
}

bool Supports(xcb_connection_t* c, xcb_window_t root, xcb_atom_t what) {
    Freed<xcb_get_property_reply_t> r{xcb_get_property_reply(
        c, xcb_get_property(c, 0, root, Atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 0, 4096), nullptr)};
    if (!r.p || r.p->format != 32) return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r.p));
    const int n = xcb_get_property_value_length(r.p) / 4;
    for (int i = 0; i < n; ++i)
        if (atoms[i] == what) return true;
    return false;
}

// The window manager works the extents out for a window it has not framed yet
// (_NET_REQUEST_FRAME_EXTENTS) and writes them on the window.
QMargins AskWindowManager(xcb_connection_t* c, xcb_window_t w) {
    const xcb_atom_t extents = Atom(c, "_NET_FRAME_EXTENTS");
    if (auto known = FrameExtents(c, w, extents)) return *known;
    Freed<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr)};
    const xcb_atom_t request = Atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    if (!geometry.p || !Supports(c, geometry.p->root, request)) return {};
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = w;
    message.type = request;
    xcb_send_event(c, 0, geometry.p->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < kAnswerWaitMs) {
        if (auto answer = FrameExtents(c, w, extents)) return *answer;
        QThread::msleep(2);
    }
    return {};
}
}

namespace WindowFrame {
QMargins Margins(QWidget& window) {
    // The native window, with the type and decorations the window manager goes by.
    const WId id = window.winId();
    const QWindow* handle = window.windowHandle();
    if (!handle) return {};
    if (const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>(); x11 && x11->connection()) {
        const QMargins device = AskWindowManager(x11->connection(), static_cast<xcb_window_t>(id));
        const qreal ratio = handle->devicePixelRatio();
        return {qRound(device.left() / ratio), qRound(device.top() / ratio), qRound(device.right() / ratio),
                qRound(device.bottom() / ratio)};
    }
    return handle->frameMargins();
}

QRect Screen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void CentreOnScreen(QWidget& window) {
    const QRect area = Screen();
    const QMargins frame = Margins(window);
    const QSize outer = window.size().grownBy(frame);
    // The client area is placed, not the frame: Qt turns a frame position into a client position
    // only once it has seen the frame itself, so a window never shown would land a title bar lower.
    const QPoint client(area.x() + (area.width() - outer.width()) / 2 + frame.left(),
                        area.y() + (area.height() - outer.height()) / 2 + frame.top());
    window.setGeometry(QRect(client, window.size()));
}
}
