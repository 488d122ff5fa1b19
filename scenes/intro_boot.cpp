// Placeholder until the effect is written.
#include "scenes/scenes.h"

void intro_boot(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "intro_boot", bg);
}
