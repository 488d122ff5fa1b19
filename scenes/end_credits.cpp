// Placeholder until the effect is written.
#include "scenes/scenes.h"

void end_credits(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "end_credits", bg);
}
