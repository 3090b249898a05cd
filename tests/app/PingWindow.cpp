// Asks a window whether its program answers, as a window manager does before it offers
// to kill a program that does not: sends _NET_WM_PING and waits for the reply.
//   ping-window WINDOW_ID TIMEOUT_MS   →  prints the milliseconds it took; exit 1 on no reply
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s WINDOW_ID TIMEOUT_MS\n", argv[0]);
        return 64;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const int timeout = std::atoi(argv[2]);
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "ping-window: no display\n");
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    // The reply goes to the root window, for whoever watches it or its children.
    XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping);
    event.xclient.data.l[1] = CurrentTime;
    event.xclient.data.l[2] = static_cast<long>(window);
    const auto start = std::chrono::steady_clock::now();
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    for (;;) {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count();
        if (elapsed > timeout) {
            std::printf("no reply within %d ms\n", timeout);
            return 1;
        }
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols &&
                static_cast<Atom>(event.xclient.data.l[0]) == ping &&
                static_cast<Window>(event.xclient.data.l[2]) == window) {
                std::printf("%lld\n", static_cast<long long>(elapsed));
                return 0;
            }
        }
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        ::poll(&descriptor, 1, 10);
    }
}
