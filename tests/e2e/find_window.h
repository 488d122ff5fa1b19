// The test helpers' way to a window: by its title, as a viewer sees it.
#pragma once

#include <X11/Xlib.h>

#include <cstring>

// The first window with the title, depth first from `window`; 0 when there is none.
inline Window findByTitle(Display* display, Window window, const char* title) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr) {
        const bool match = strcmp(name, title) == 0;
        XFree(name);
        if (match) return window;
    }
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && found == 0; ++i) found = findByTitle(display, children[i], title);
        if (children != nullptr) XFree(children);
    }
    return found;
}
