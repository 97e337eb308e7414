#include "platform/WindowFrame.h"

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <qpa/qplatformnativeinterface.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace {
// A window manager that has answered once answers within milliseconds; this only bounds a hang.
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

// Where the client area goes so that the frame around it, in device pixels, is centred on the
// screen. The client area is placed, not the frame: Qt turns a frame position into a client position
// only once it has seen the frame itself, so a window never shown would land a title bar lower.
QRect CentredClient(const QWidget& window, QMargins deviceFrame) {
    const qreal ratio = window.windowHandle() ? window.windowHandle()->devicePixelRatio() : window.devicePixelRatioF();
    const QMargins frame(qRound(deviceFrame.left() / ratio), qRound(deviceFrame.top() / ratio),
                         qRound(deviceFrame.right() / ratio), qRound(deviceFrame.bottom() / ratio));
    const QRect area = WindowFrame::Screen();
    const QSize outer = window.size().grownBy(frame);
    return {QPoint(area.x() + (area.width() - outer.width()) / 2 + frame.left(),
                   area.y() + (area.height() - outer.height()) / 2 + frame.top()),
            window.size()};
}

void Centre(QWidget& window, QMargins deviceFrame) {
    const QRect client = CentredClient(window, deviceFrame);
    window.setGeometry(client);
    // The place goes into the size hints only once it is set on the native window, and Qt takes no
    // notice of a place equal to the one it gave the window itself: the window manager would put
    // the window wherever it finds room.
    if (QWindow* handle = window.windowHandle()) {
        if (!window.isVisible() && handle->geometry() == client) handle->setGeometry(client.translated(1, 0));
        handle->setGeometry(client);
    }
}

// The frames an X11 window manager gives. It is asked before a window is first shown, so that
// nothing moves on the screen; one that never answers (it may still claim it does) is not waited
// for again, and its windows are centred once it has framed them. Every window is checked once it
// is on the screen: working out an answer moves the window for a moment under some window managers,
// and one may then map it where that left it.
class X11Frames : public QAbstractNativeEventFilter {
public:
    static X11Frames* Get() {
        static X11Frames* frames = [] () -> X11Frames* {
            const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
            if (!x11 || !x11->connection()) return nullptr;
            auto* made = new X11Frames(x11->connection());
            qGuiApp->installNativeEventFilter(made);
            return made;
        }();
        return frames;
    }

    // The frame to centre the window by now, in device pixels.
    QMargins Frame(QWidget& window) {
        const auto id = static_cast<xcb_window_t>(window.winId());
        std::erase_if(placed_, [id](const Placed& p) { return p.id == id || !p.window; });
        Placed p{&window, id, lastFrame_.value_or(QMargins()), false, false};
        if (auto known = FrameExtents(c_, id, extents_)) {
            p.frame = *known;
            p.known = true;
        } else if (answers_ != Answers::No && Asks(id)) {
            p.asked = true;
            // Only a window manager known to answer is waited for: the first window is placed by a
            // guess and placed again when the answer comes, while the splash is up.
            if (answers_ == Answers::Yes) {
                if (auto answer = AwaitAnswer(id)) {
                    p.frame = *answer;
                    p.known = true;
                } else {
                    answers_ = Answers::No;
                }
            }
        }
        placed_.push_back(p);
        return p.frame;
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const int kind = event->response_type & 0x7f;
        if (kind == XCB_PROPERTY_NOTIFY) {
            const auto* e = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (e->atom == extents_ && e->state == XCB_PROPERTY_NEW_VALUE) Framed(e->window);
        } else if (kind == XCB_MAP_NOTIFY) {
            Mapped(reinterpret_cast<const xcb_map_notify_event_t*>(event)->window);
        }
        return false;
    }

private:
    enum class Answers { Unknown, Yes, No };
    // A window placed here, until it is on the screen with its frame known.
    struct Placed {
        QPointer<QWidget> window;
        xcb_window_t id;
        QMargins frame;  // what it was placed by
        bool asked;
        bool known;  // the frame is the window manager's, not a guess
    };

    explicit X11Frames(xcb_connection_t* c)
        : c_(c), extents_(Atom(c, "_NET_FRAME_EXTENTS")), request_(Atom(c, "_NET_REQUEST_FRAME_EXTENTS")) {}

    // Sends the window manager the request to work out the window's frame, where it claims to
    // take it.
    bool Asks(xcb_window_t id) {
        Freed<xcb_get_geometry_reply_t> geometry{xcb_get_geometry_reply(c_, xcb_get_geometry(c_, id), nullptr)};
        if (!geometry.p || !Supports(c_, geometry.p->root, request_)) return false;
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = request_;
        xcb_send_event(c_, 0, geometry.p->root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c_);
        return true;
    }

    std::optional<QMargins> AwaitAnswer(xcb_window_t id) {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < kAnswerWaitMs) {
            if (auto answer = FrameExtents(c_, id, extents_)) return answer;
            QThread::msleep(1);
        }
        return std::nullopt;
    }

    std::vector<Placed>::iterator Find(xcb_window_t id) {
        return std::find_if(placed_.begin(), placed_.end(), [id](const Placed& p) { return p.id == id; });
    }

    // The window's frame is known: an answer while it is hidden, or the frame it was given when it
    // was shown.
    void Framed(xcb_window_t id) {
        const auto it = Find(id);
        if (it == placed_.end() || !it->window) return;
        const std::optional<QMargins> frame = FrameExtents(c_, id, extents_);
        if (!frame) return;
        lastFrame_ = frame;
        const bool shown = it->window->isVisible();
        if (it->asked && answers_ == Answers::Unknown) answers_ = shown ? Answers::No : Answers::Yes;
        const bool moved = *frame != it->frame;
        it->frame = *frame;
        it->known = true;
        if (shown) {
            Check(it);
        } else if (moved) {
            Centre(*it->window, *frame);
        }
    }

    void Mapped(xcb_window_t id) {
        const auto it = Find(id);
        if (it == placed_.end()) return;
        // Shown without an answer to a request made before: there will be none.
        if (it->asked && !it->known && answers_ == Answers::Unknown) answers_ = Answers::No;
        // A frame not known yet comes with the window manager's framing.
        if (it->known || FrameExtents(c_, id, extents_)) Check(it);
    }

    // Moves a window on the screen to where its frame is centred, if it is not there, and forgets it.
    void Check(std::vector<Placed>::iterator it) {
        const Placed p = *it;
        placed_.erase(it);
        if (!p.window) return;
        const QMargins frame = FrameExtents(c_, p.id, extents_).value_or(p.frame);
        const QRect client = CentredClient(*p.window, frame);
        const qreal ratio = p.window->windowHandle() ? p.window->windowHandle()->devicePixelRatio() : 1.0;
        const QPoint wanted(qRound(client.x() * ratio), qRound(client.y() * ratio));
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        Freed<xcb_translate_coordinates_reply_t> at{
            xcb_translate_coordinates_reply(c_, xcb_translate_coordinates(c_, p.id, root, 0, 0), nullptr)};
        if (!at.p || (std::abs(at.p->dst_x - wanted.x()) <= 1 && std::abs(at.p->dst_y - wanted.y()) <= 1)) return;
        // Asked of the window manager directly: Qt may believe the window is there already.
        const uint32_t place[] = {static_cast<uint32_t>(wanted.x()), static_cast<uint32_t>(wanted.y())};
        xcb_configure_window(c_, p.id, XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
        xcb_flush(c_);
    }

    xcb_connection_t* c_;
    xcb_atom_t extents_;
    xcb_atom_t request_;
    Answers answers_ = Answers::Unknown;
    // The frame of the window framed last, the best guess for the next one.
    std::optional<QMargins> lastFrame_;
    std::vector<Placed> placed_;
};

// On Wayland the request is already on its way to the compositor when the window hears of it: the
// opposite request is sent right after, in the same batch, so that no maximised state is configured.
void TakeBackOnWayland(QWindow& window) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    void* toplevel = native ? native->nativeResourceForWindow("xdg_toplevel", &window) : nullptr;
    // The Wayland client library is loaded by Qt's Wayland platform; the game does not link it.
    using Marshal = void (*)(void*, uint32_t, ...);
    static const auto marshal = [] {
        void* library = dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_NOLOAD);
        return library ? reinterpret_cast<Marshal>(dlsym(library, "wl_proxy_marshal")) : nullptr;
    }();
    if (!toplevel || !marshal) return;
    constexpr uint32_t kUnsetMaximized = 10;  // its request number in xdg_toplevel
    marshal(toplevel, kUnsetMaximized);
}

// The frame to centre the window by, in device pixels: none for a window that asks for none.
QMargins Margins(QWidget& window) {
    // The native window, with the type and decorations the window manager goes by.
    window.winId();
    const QWindow* handle = window.windowHandle();
    if (!handle || window.windowFlags().testFlag(Qt::FramelessWindowHint)) return {};
    if (X11Frames* x11 = X11Frames::Get()) return x11->Frame(window);
    const qreal ratio = handle->devicePixelRatio();
    const QMargins frame = handle->frameMargins();
    return {qRound(frame.left() * ratio), qRound(frame.top() * ratio), qRound(frame.right() * ratio),
            qRound(frame.bottom() * ratio)};
}
}

namespace WindowFrame {
QRect Screen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

void CentreOnScreen(QWidget& window) { Centre(window, Margins(window)); }

void HoldSize(QWidget& window) {
    window.winId();
    QWindow* handle = window.windowHandle();
    if (!handle || handle->property("quorbitHoldsSize").toBool()) return;
    handle->setProperty("quorbitHoldsSize", true);
    QObject::connect(handle, &QWindow::windowStateChanged, handle, [handle](Qt::WindowState) {
        const Qt::WindowStates states = handle->windowStates();
        if (!states.testFlag(Qt::WindowMaximized)) return;
        TakeBackOnWayland(*handle);
        handle->setWindowStates(states & ~Qt::WindowMaximized);
    });
}
}
