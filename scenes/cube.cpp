// Placeholder until the effect is written.
#include "scenes/scenes.h"

void cube(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "cube", bg);
}
