// The cell dump: every cell of a grid as a line of text, row by row, for scene authors and tests.
#pragma once

#include <cstdio>
#include <string>

#include "framebuffer/ascii_framebuffer.h"

// "x y codepoint r,g,b,a r,g,b,a": position, codepoint in decimal, foreground, background.
std::string cellLine(int x, int y, const Cell& cell);

// Every cell of the grid being composed, in row-major order; false when the write failed.
bool writeCellDump(FILE* out, const AsciiFramebuffer& fb);
