// Asks the window with the given title to close, as a window manager's close button does
// (WM_DELETE_WINDOW). Exits 0 when the request was sent, 1 when no such window exists.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>

#include "find_window.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: close_window TITLE\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const Window window = findByTitle(display, DefaultRootWindow(display), argv[1]);
    if (window == 0) {
        XCloseDisplay(display);
        return 1;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
    XCloseDisplay(display);
    return 0;
}
