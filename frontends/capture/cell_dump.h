// The cell dump: every cell of a grid as a line of text, row by row, for scene authors and tests.
#pragma once

#include <string>

#include "framebuffer/ascii_framebuffer.h"

// "x y codepoint r,g,b,a r,g,b,a": position, codepoint in decimal, foreground, background.
std::string cellLine(int x, int y, const Cell& cell);

// Every cell of the grid being composed, in row-major order, a line each.
std::string cellDump(const AsciiFramebuffer& fb);
