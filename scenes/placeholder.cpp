#include <cstring>  // Required for: strlen()

#include "scenes/scenes.h"

void drawScenePlaceholder(AsciiFramebuffer& fb, const char* name, Color bg) {
    const int len = (int)strlen(name);
    fb.putText(fb.cols / 2 - len / 2, fb.rows / 2, name, kDefaultGlyphColor, bg);
}
