// Prints the colours of screen pixels as rrggbb words, one for each "x,y" argument, read straight
// from the X server: a few requests, where grabbing the whole screen with ImageMagick takes seconds
// on a busy machine and leaves the tests sampling a fast show too rarely.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

namespace {

// The top bits of each channel under the visual's mask, as 8 bits.
unsigned channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1ul) == 0) ++shift;
    int bits = 0;
    while (((mask >> (shift + bits)) & 1ul) != 0) ++bits;
    const unsigned long value = (pixel & mask) >> shift;
    return bits >= 8 ? (unsigned)(value >> (bits - 8)) : (unsigned)(value << (8 - bits));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: screen_pixels X,Y...\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const Window root = DefaultRootWindow(display);
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    XGrabServer(display);  // Every point from the same picture
    for (int i = 1; i < argc; ++i) {
        int x = 0, y = 0;
        if (sscanf(argv[i], "%d,%d", &x, &y) != 2) {
            XCloseDisplay(display);
            return 2;
        }
        XImage* image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
        if (image == nullptr) {
            XCloseDisplay(display);
            return 1;
        }
        const unsigned long pixel = XGetPixel(image, 0, 0);
        printf("%02x%02x%02x ", channel(pixel, visual->red_mask), channel(pixel, visual->green_mask),
               channel(pixel, visual->blue_mask));
        XDestroyImage(image);
    }
    XUngrabServer(display);
    XCloseDisplay(display);
    printf("\n");
    return 0;
}
