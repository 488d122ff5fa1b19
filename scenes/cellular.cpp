// Placeholder until the effect is written.
#include "scenes/scenes.h"

void cellular(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "cellular", bg);
}
