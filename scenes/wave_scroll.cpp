// Placeholder until the effect is written.
#include "scenes/scenes.h"

void wave_scroll(AsciiFramebuffer& fb, float, Color bg, const BeatInfo*, const AudioFeatures*) {
    drawScenePlaceholder(fb, "wave_scroll", bg);
}
