// The show never runs without its window: a display that goes away, or a window destroyed by
// another program, ends it with status 1, printing nothing.
#pragma once

// After InitWindow: finds the program's window with the given title from a display connection of
// its own and watches it. False when the window is not on the display (the program then ends).
bool watchWindow(const char* title);

// Once a frame: false once the window has been destroyed. A display that has gone away ends the
// program on the spot, with status 1.
bool windowStillThere();
