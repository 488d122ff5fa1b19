// The exact shortcut of the mandelbrot scene's escape loop, shared with its tests.
#pragma once

// True when c lies well inside the main cardioid (the fixed point's multiplier below 0.98 in size)
// or the period-2 bulb (the 2-cycle's multiplier below 0.98): from z = 0 the single-precision
// iteration of z² + c then stays within |z|² ≤ 4 for every step the scene can ask for.
bool insideMainBulbs(float cRe, float cIm);
