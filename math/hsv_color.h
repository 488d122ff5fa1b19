// A colour from hue, saturation and value, computed in our own code so that the cell colours do
// not depend on how raylib was compiled.
#pragma once

#include "raylib.h"  // Required for: Color

// Hue in degrees (any value; taken modulo 360 with the sign of the hue), saturation and value in
// 0..1. The same formula as raylib's ColorFromHSV, whose results it repeats for every input in
// range; channels outside 0..255 are clamped instead of overflowing the byte.
Color showColorFromHsv(float hue, float saturation, float value);
