// window_close <window id>: asks an X11 window to close as a window manager's close button does
// (a WM_PROTOCOLS client message carrying WM_DELETE_WINDOW), which a bare X server never sends.
// Exits 1 when the window cannot be found or does not take part in the protocol.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    char* end = nullptr;
    const Window window = argc == 2 ? std::strtoul(argv[1], &end, 0) : 0;
    if (end == nullptr || end == argv[1] || *end != '\0') {
        std::fprintf(stderr, "usage: window_close <window id>\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "window_close: cannot open the display\n");
        return 1;
    }
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom* protocols = nullptr;
    int count = 0;
    const bool takesDelete = XGetWMProtocols(display, window, &protocols, &count) != 0 &&
                             std::count(protocols, protocols + count, deleteWindow) != 0;
    XFree(protocols);
    Status sent = 0;
    if (takesDelete) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(deleteWindow);
        event.xclient.data.l[1] = CurrentTime;
        sent = XSendEvent(display, window, False, NoEventMask, &event);
    } else {
        std::fprintf(stderr, "window_close: window 0x%lx does not take WM_DELETE_WINDOW\n", window);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return sent != 0 ? 0 : 1;
}
