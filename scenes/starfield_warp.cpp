// Placeholder until the effect is written.
#include "scenes/scenes.h"

void starfield_warp(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "starfield_warp", bg);
}
