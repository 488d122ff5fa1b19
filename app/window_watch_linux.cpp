// Linux and X11: a connection of our own watches the window for its destruction, and Xlib's handler
// for a broken connection ends the program quietly. Xlib's handlers are the process's, so that one
// also stands for the window backend's connection (SDL, GLFW and RGFW load the same libX11), where
// Xlib's default prints and exits; protocol errors on the backend's connection go on to its own
// handler as before.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>  // Required for: _exit(), getpid()

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/window_watch.h"

namespace {

constexpr int kLostStatus = 1;
constexpr int kFindAttempts = 100;  // A window just created by the backend's connection may take a
constexpr auto kFindStep = std::chrono::milliseconds(20);  // moment to reach ours: 2 s at most
constexpr int kSearchDepth = 3;     // Root, a window manager's frame, the window

Display* gDisplay = nullptr;
Window gWindow = 0;

XErrorHandler gBackendErrorHandler = nullptr;

[[noreturn]] int displayLost(Display*) { _exit(kLostStatus); }
// The only errors our connection can get are about a window that has gone, and so are the
// backend's that name our window. Its other errors end the program too once the window is gone
// (asking on our connection, which Xlib allows in a handler for another; a window that is gone
// makes that request fail, which ends here); while it is there, they go to the handler the
// backend set (RGFW's ignores them) or to Xlib's, as before.
int protocolError(Display* display, XErrorEvent* error) {
    if (display == gDisplay || (gWindow != 0 && error->resourceid == gWindow)) _exit(kLostStatus);
    if (gWindow != 0) {
        XWindowAttributes attributes;
        XGetWindowAttributes(gDisplay, gWindow, &attributes);
    }
    return gBackendErrorHandler != nullptr ? gBackendErrorHandler(display, error) : 0;
}

// While searching: a window that went away between two requests is simply not ours
int searchError(Display* display, XErrorEvent* error) {
    if (display == gDisplay) return 0;
    return gBackendErrorHandler != nullptr ? gBackendErrorHandler(display, error) : 0;
}

bool ownedByUs(Display* display, Window window, const char* title, Atom pidAtom) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    bool hasPid = false, ours = false;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success && data != nullptr) {
        hasPid = type == XA_CARDINAL && format == 32 && count == 1;
        ours = hasPid && (long)*(unsigned long*)data == (long)getpid();
        XFree(data);
    }
    if (hasPid) return ours;
    // A backend that does not name its process: the title alone
    char* name = nullptr;
    if (!XFetchName(display, window, &name) || name == nullptr) return false;
    const bool match = strcmp(name, title) == 0;
    XFree(name);
    return match;
}

Window findWindow(Display* display, Window parent, const char* title, Atom pidAtom, int depth) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        if (ownedByUs(display, children[i], title, pidAtom)) found = children[i];
    }
    for (unsigned i = 0; i < count && found == 0 && depth > 1; ++i) {
        found = findWindow(display, children[i], title, pidAtom, depth - 1);
    }
    if (children != nullptr) XFree(children);
    return found;
}

}  // namespace

bool watchWindow(const char* title) {
    const char* name = getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') return true;  // Not on X: nothing to watch here
    XSetIOErrorHandler(displayLost);
    gDisplay = XOpenDisplay(nullptr);
    if (gDisplay == nullptr) return false;
    // A window that is destroyed while we look at it must not end the search with an error
    gBackendErrorHandler = XSetErrorHandler(searchError);
    const Atom pidAtom = XInternAtom(gDisplay, "_NET_WM_PID", False);
    for (int i = 0; i < kFindAttempts && gWindow == 0; ++i) {
        gWindow = findWindow(gDisplay, DefaultRootWindow(gDisplay), title, pidAtom, kSearchDepth);
        if (gWindow == 0) std::this_thread::sleep_for(kFindStep);
    }
    if (gWindow != 0) XSelectInput(gDisplay, gWindow, StructureNotifyMask);
    XSync(gDisplay, False);  // A window destroyed before the selection took is caught below
    XSetErrorHandler(protocolError);
    if (gWindow == 0) return false;
    XWindowAttributes attributes;
    return XGetWindowAttributes(gDisplay, gWindow, &attributes) != 0;
}

bool windowStillThere() {
    if (gDisplay == nullptr) return true;
    // Reads what has arrived without waiting; a connection that broke calls displayLost
    while (XPending(gDisplay) > 0) {
        XEvent event;
        XNextEvent(gDisplay, &event);
        if (event.type == DestroyNotify && event.xdestroywindow.window == gWindow) return false;
    }
    return true;
}
