// Where there is no X display to ask: the window system itself closes the window.
#include "app/window_watch.h"

bool watchWindow(const char*) { return true; }

bool windowStillThere() { return true; }
