// Placeholder until the effect is written.
#include "scenes/scenes.h"

void julia_blast(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "julia_blast", bg);
}
