// The glyph font: chosen from a table of font files once, checked before raylib reads it, and
// shared by every framebuffer the show builds (its size depends only on the cell height).
#pragma once

#include "raylib.h"  // Required for: Font

struct FontChoice {
    const char* path;
    const char* displayName;
};

struct FontTable {
    const FontChoice* rows;
    int count;
};

// The fonts tried in order; raylib's default font ("DEFAULT") comes after the last of them.
const FontChoice* fontTable(int* count);
FontTable productionFontTable();

// The 103 codepoints rasterised into the atlas: printable ASCII, then eight block and shade glyphs.
constexpr int kFontCodepointCount = 103;
void fontCodepoints(int out[kFontCodepointCount]);

struct GlyphFont {
    Font font = {};
    const char* name = "DEFAULT";
    bool fromFile = false;     // One of the table's files; releaseGlyphFont unloads it
    bool blockGlyphs = false;  // The full block and the three shades are the font's own glyphs
    bool onCpu = false;        // The atlas is an image in memory (font.texture has its size, no id)
    Image atlas = {};          // On the CPU: the glyph atlas, grey and alpha, as the GPU gets it
};

// The first row of the table whose file exists, is a sound TrueType file and loads into an atlas
// of its own, at the glyph size of the cell height; raylib's default font when none does. A file
// that fails is skipped silently.
GlyphFont loadGlyphFont(int cellHeight, FontTable table = productionFontTable());

// The same font file, size and rasterisation with the atlas kept as an image: no window, no
// OpenGL. Where no file loads there is no atlas (raylib's default font needs a window), and the
// cells are drawn without glyphs.
GlyphFont loadGlyphFontOnCpu(int cellHeight, FontTable table = productionFontTable());

// Unloads a font loaded from a file; raylib's default font is left alone. Needs the window open
// unless the font is on the CPU.
void releaseGlyphFont(GlyphFont& font);

// True when the font has a glyph of its own for the codepoint: raylib answers a missing one with
// the index of '?', so the entry found must really be that codepoint.
bool fontHasGlyph(const Font& font, int codepoint);
