// Drops files onto the window with the given title as a file manager does, through the XDND
// protocol: XdndEnter offering text/uri-list, XdndPosition over the window's centre, XdndDrop once
// the window accepts, then the file URIs handed over when the window asks for the selection.
//   drop_files TITLE FILE...
// Exits 0 when the window took the drop (XdndFinished), 1 with a line on stderr otherwise.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <sys/select.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "find_window.h"

namespace {

constexpr long kXdndVersion = 5;
constexpr double kReplySeconds = 60.0;  // Generous: a busy machine's show answers between two frames

struct Atoms {
    Atom aware, enter, position, status, drop, finished, leave, selection, actionCopy, uriList, targets;
};

Atoms internAtoms(Display* display) {
    const auto atom = [display](const char* name) { return XInternAtom(display, name, False); };
    return {atom("XdndAware"),   atom("XdndEnter"),    atom("XdndPosition"),   atom("XdndStatus"),
            atom("XdndDrop"),    atom("XdndFinished"), atom("XdndLeave"),      atom("XdndSelection"),
            atom("XdndActionCopy"), atom("text/uri-list"), atom("TARGETS")};
}

// The XDND version the window announces, 0 when it takes no drops.
long awareVersion(Display* display, Window window, Atom aware) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long version = 0;
    if (XGetWindowProperty(display, window, aware, 0, 1, False, XA_ATOM, &type, &format, &count, &after, &data) ==
            Success &&
        data != nullptr && count == 1 && format == 32) {
        version = (long)*(Atom*)data;
    }
    if (data != nullptr) XFree(data);
    return version;
}

// file:// URIs, one a line, each path made absolute and percent-encoded but for unreserved bytes.
std::string uriList(int count, char** paths) {
    std::string list;
    for (int i = 0; i < count; ++i) {
        std::string path = paths[i];
        if (path.empty() || path[0] != '/') {
            char cwd[4096];
            if (getcwd(cwd, sizeof cwd) != nullptr) path = std::string(cwd) + "/" + path;
        }
        list += "file://";
        for (unsigned char c : path) {
            if (isalnum(c) || strchr("/-._~", c) != nullptr) {
                list += (char)c;
            } else {
                char hex[4];
                snprintf(hex, sizeof hex, "%%%02X", c);
                list += hex;
            }
        }
        list += "\r\n";
    }
    return list;
}

void sendMessage(Display* display, Window target, Atom type, Window source, long l1, long l2, long l3, long l4) {
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.display = display;
    event.xclient.window = target;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)source;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    event.xclient.data.l[3] = l3;
    event.xclient.data.l[4] = l4;
    XSendEvent(display, target, False, NoEventMask, &event);
    XFlush(display);
}

// A server timestamp: the time of a property change on our own window.
Time serverTime(Display* display, Window window) {
    const Atom stamp = XInternAtom(display, "DROP_FILES_TIME", False);
    XChangeProperty(display, window, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent event;
    XWindowEvent(display, window, PropertyChangeMask, &event);
    return event.xproperty.time;
}

// Hands the URIs (or the list of targets) to a window that asked for our selection.
void answerRequest(Display* display, const Atoms& atoms, const XSelectionRequestEvent& request, const std::string& uris) {
    XEvent reply = {};
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = display;
    reply.xselection.requestor = request.requestor;
    reply.xselection.selection = request.selection;
    reply.xselection.target = request.target;
    reply.xselection.time = request.time;
    const Atom property = request.property != None ? request.property : request.target;
    if (request.target == atoms.uriList) {
        XChangeProperty(display, request.requestor, property, atoms.uriList, 8, PropModeReplace,
                        (const unsigned char*)uris.data(), (int)uris.size());
        reply.xselection.property = property;
    } else if (request.target == atoms.targets) {
        const Atom offered[2] = {atoms.targets, atoms.uriList};
        XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                        (const unsigned char*)offered, 2);
        reply.xselection.property = property;
    } else {
        reply.xselection.property = None;  // A type we do not offer
    }
    XSendEvent(display, request.requestor, False, NoEventMask, &reply);
    XFlush(display);
}

double seconds() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

// Waits for the next event, answering selection requests on the way; false after `until`.
bool nextEvent(Display* display, const Atoms& atoms, const std::string& uris, double until, XEvent& event) {
    const int fd = ConnectionNumber(display);
    for (;;) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (event.type == SelectionRequest) {
                answerRequest(display, atoms, event.xselectionrequest, uris);
                continue;
            }
            return true;
        }
        const double left = until - seconds();
        if (left <= 0.0) return false;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval wait = {(time_t)left, (suseconds_t)((left - (double)(time_t)left) * 1e6)};
        select(fd + 1, &readable, nullptr, nullptr, &wait);
    }
}

// The next XDND message of `type` from the target, or false at the deadline.
bool awaitMessage(Display* display, const Atoms& atoms, const std::string& uris, Atom type, XEvent& event) {
    const double until = seconds() + kReplySeconds;
    while (nextEvent(display, atoms, uris, until, event)) {
        if (event.type == ClientMessage && event.xclient.message_type == type) return true;
    }
    return false;
}

int failWith(Display* display, const char* message) {
    fprintf(stderr, "drop_files: %s\n", message);
    XCloseDisplay(display);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: drop_files TITLE FILE...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        fprintf(stderr, "drop_files: no display\n");
        return 1;
    }
    const Atoms atoms = internAtoms(display);
    const Window root = DefaultRootWindow(display);
    const Window target = findByTitle(display, root, argv[1]);
    if (target == 0) return failWith(display, "no window with that title");
    const long version = awareVersion(display, target, atoms.aware);
    if (version < 3) return failWith(display, "the window does not take drops (no XdndAware of version 3 or more)");
    const long used = version < kXdndVersion ? version : kXdndVersion;

    // The source: an unmapped window of our own that owns the drag's selection
    const Window source = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(display, source, PropertyChangeMask);
    const Time time = serverTime(display, source);
    XSetSelectionOwner(display, atoms.selection, source, time);
    const std::string uris = uriList(argc - 2, argv + 2);

    XWindowAttributes attributes;
    XGetWindowAttributes(display, target, &attributes);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display, target, root, attributes.width / 2, attributes.height / 2, &x, &y, &child);

    sendMessage(display, target, atoms.enter, source, used << 24, (long)atoms.uriList, None, None);
    sendMessage(display, target, atoms.position, source, 0, ((long)x << 16) | (y & 0xFFFF), (long)time,
                (long)atoms.actionCopy);
    XEvent event;
    if (!awaitMessage(display, atoms, uris, atoms.status, event)) return failWith(display, "no XdndStatus from the window");
    if ((event.xclient.data.l[1] & 1) == 0) {
        sendMessage(display, target, atoms.leave, source, 0, 0, 0, 0);
        return failWith(display, "the window refused the drop");
    }
    sendMessage(display, target, atoms.drop, source, 0, (long)time, 0, 0);
    if (!awaitMessage(display, atoms, uris, atoms.finished, event)) return failWith(display, "no XdndFinished from the window");
    if (used >= 5 && (event.xclient.data.l[1] & 1) == 0) return failWith(display, "the window did not take the files");
    XDestroyWindow(display, source);
    XCloseDisplay(display);
    return 0;
}
