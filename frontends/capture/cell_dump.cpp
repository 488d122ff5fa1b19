#include "frontends/capture/cell_dump.h"

#include <cstdio>  // Required for: snprintf()

std::string cellLine(int x, int y, const Cell& cell) {
    char line[96];
    snprintf(line, sizeof(line), "%d %d %u %u,%u,%u,%u %u,%u,%u,%u", x, y, (unsigned)cell.codepoint,
             cell.fg.r, cell.fg.g, cell.fg.b, cell.fg.a, cell.bg.r, cell.bg.g, cell.bg.b, cell.bg.a);
    return line;
}

std::string cellDump(const AsciiFramebuffer& fb) {
    std::string text;
    for (int y = 0; y < fb.rows; ++y) {
        for (int x = 0; x < fb.cols; ++x) {
            text += cellLine(x, y, fb.at(x, y));
            text += '\n';
        }
    }
    return text;
}
