// Placeholder until the effect is written.
#include "scenes/scenes.h"

void plasma_storm(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "plasma_storm", bg);
}
