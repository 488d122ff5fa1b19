// Placeholder until the effect is written.
#include "scenes/scenes.h"

void goo_bounce(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "goo_bounce", bg);
}
