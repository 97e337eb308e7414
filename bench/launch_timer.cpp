// Starts a program and reports the milliseconds from its start until its first top-level window is
// mapped (found by _NET_WM_PID), then kills it. The launch benchmark runs the game and a bare window
// through this same clock.
#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
xcb_connection_t* conn = nullptr;
xcb_atom_t pidAtom = XCB_ATOM_NONE;

xcb_atom_t Atom(const char* name) {
    const auto cookie = xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(conn, cookie, nullptr),
                                                                         &std::free);
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

pid_t OwnerOf(xcb_window_t w) {
    const auto cookie = xcb_get_property(conn, 0, w, pidAtom, XCB_ATOM_CARDINAL, 0, 1);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(xcb_get_property_reply(conn, cookie, nullptr),
                                                                          &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) return -1;
    return static_cast<pid_t>(*static_cast<uint32_t*>(xcb_get_property_value(reply.get())));
}

bool Viewable(xcb_window_t w) {
    const auto cookie = xcb_get_window_attributes(conn, w);
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> reply(
        xcb_get_window_attributes_reply(conn, cookie, nullptr), &std::free);
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

void Watch(xcb_window_t w, uint32_t mask) {
    xcb_change_window_attributes(conn, w, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(conn);
}
}

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: launch_timer PROGRAM [ARGS...]\n");
        return 2;
    }
    conn = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(conn)) {
        std::fprintf(stderr, "launch_timer: no X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    pidAtom = Atom("_NET_WM_PID");
    Watch(root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    // The root watch is in place before the program starts.
    std::free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));

    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return 2;
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::_Exit(127);
    }

    double ms = -1;
    const auto deadline = start + std::chrono::seconds(20);
    pollfd pfd{xcb_get_file_descriptor(conn), POLLIN, 0};
    while (ms < 0 && std::chrono::steady_clock::now() < deadline) {
        xcb_generic_event_t* ev = xcb_poll_for_event(conn);
        if (!ev) {
            if (xcb_connection_has_error(conn)) break;
            poll(&pfd, 1, 50);
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        xcb_window_t mapped = XCB_WINDOW_NONE;
        switch (ev->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            // A new top-level window: watch it for its own map, and catch one mapped already.
            const auto* e = reinterpret_cast<xcb_create_notify_event_t*>(ev);
            Watch(e->window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
            if (Viewable(e->window)) mapped = e->window;
            break;
        }
        case XCB_MAP_NOTIFY:
            mapped = reinterpret_cast<xcb_map_notify_event_t*>(ev)->window;
            break;
        default:
            break;
        }
        std::free(ev);
        if (mapped != XCB_WINDOW_NONE && OwnerOf(mapped) == child)
            ms = std::chrono::duration<double, std::milli>(now - start).count();
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    xcb_disconnect(conn);
    if (ms < 0) {
        std::fprintf(stderr, "launch_timer: no window mapped\n");
        return 1;
    }
    std::printf("%.1f\n", ms);
    return 0;
}
