// Placeholder until the effect is written.
#include "scenes/scenes.h"

void mandelbrot(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "mandelbrot", bg);
}
