// Starts a program and says how long its first window took to map: the
// time from the fork to the X server's MapNotify for a top-level window
// whose _NET_WM_PID is the program's. Leaves the program running and
// prints "PID MILLISECONDS" (window_at_rest.sh reads it). Meant for a
// virtual X server without a window manager, where top-level windows are
// the root's children.
//
//   map_time PROGRAM [ARGUMENT...]
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

xcb_atom_t Atom(xcb_connection_t* x, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The window's _NET_WM_PID, or -1.
long PidOf(xcb_connection_t* x, xcb_window_t window, xcb_atom_t pidAtom) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        x, xcb_get_property(x, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1), nullptr);
    long pid = -1;
    if (reply != nullptr && xcb_get_property_value_length(reply) >= 4)
        pid = long(*static_cast<uint32_t*>(xcb_get_property_value(reply)));
    std::free(reply);
    return pid;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: map_time PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "map_time: no X display\n");
        return 2;
    }
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(x)).data;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, screen->root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t pidAtom = Atom(x, "_NET_WM_PID");
    xcb_flush(x);

    const double start = NowMs();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    // Twenty seconds at most.
    pollfd fd{xcb_get_file_descriptor(x), POLLIN, 0};
    while (NowMs() - start < 20000) {
        xcb_generic_event_t* event;
        while ((event = xcb_poll_for_event(x)) != nullptr) {
            const bool mapped = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
            const xcb_window_t window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
            const double at = NowMs();
            std::free(event);
            if (mapped && PidOf(x, window, pidAtom) == child) {
                std::printf("%d %.1f\n", int(child), at - start);
                return 0;
            }
        }
        if (waitpid(child, nullptr, WNOHANG) == child) {
            std::fprintf(stderr, "map_time: %s ended before its window mapped\n", argv[1]);
            return 1;
        }
        poll(&fd, 1, 50);
    }
    std::fprintf(stderr, "map_time: no window of %s within 20 s\n", argv[1]);
    kill(child, SIGTERM);
    return 1;
}
