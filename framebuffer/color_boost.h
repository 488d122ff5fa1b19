// The colour boost the redraw applies to every cell when it is on (B), and the terminal player with it.
#pragma once

#include "raylib.h"  // Required for: Color

// Saturation, gain and contrast boost applied at draw time; alpha passes through.
Color boostColor(Color color, bool isBackground);
