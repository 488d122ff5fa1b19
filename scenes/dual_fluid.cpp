// Placeholder until the effect is written.
#include "scenes/scenes.h"

void dual_fluid(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "dual_fluid", bg);
}
