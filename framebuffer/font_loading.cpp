#include "framebuffer/font_loading.h"

#include <cstdio>  // Required for: fopen(), fread()
#include <vector>

#include "framebuffer/font_file_check.h"

namespace {

// The first three are the system fonts the show was designed with; the DejaVu paths give the same
// block and shade glyphs on Debian/Ubuntu, Fedora and Arch.
const FontChoice kFonts[] = {
    {"C:/Windows/Fonts/consola.ttf", "Consolas"},
    {"C:/Windows/Fonts/lucon.ttf", "Lucida Console"},
    {"C:/Windows/Fonts/CascadiaMono.ttf", "Cascadia Mono"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "DejaVu Sans Mono"},
    {"/usr/share/fonts/dejavu-sans-mono-fonts/DejaVuSansMono.ttf", "DejaVu Sans Mono"},
    {"/usr/share/fonts/dejavu/DejaVuSansMono.ttf", "DejaVu Sans Mono"},
    {"/usr/share/fonts/TTF/DejaVuSansMono.ttf", "DejaVu Sans Mono"},
};
constexpr int kFontCount = (int)(sizeof(kFonts) / sizeof(kFonts[0]));

// Larger files are not fonts this show would use
constexpr long kMaxFontFileBytes = 64L * 1024 * 1024;
// The padding raylib puts around each glyph of a TrueType font's atlas
constexpr int kAtlasPadding = 4;

const int kBlockCodepoints[] = {0x2580, 0x2584, 0x2588, 0x258C, 0x2590, 0x2591, 0x2592, 0x2593};
// The glyphs whose presence lets scenes use the shade ramps, tested in this order
const int kShadeTests[] = {0x2588, 0x2593, 0x2592, 0x2591};

bool hasShadeGlyphs(const Font& font) {
    for (int cp : kShadeTests) {
        if (!fontHasGlyph(font, cp)) return false;
    }
    return true;
}

// The whole file, read once: the bytes that are checked are the bytes raylib gets.
bool readFontFile(const char* path, std::vector<unsigned char>& bytes) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr) return false;
    bool ok = fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? ftell(file) : -1;
    ok = ok && size > 0 && size <= kMaxFontFileBytes && fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        bytes.resize((size_t)size);
        ok = fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    fclose(file);
    return ok;
}

// raylib hands back its own default font when it cannot parse a file; that is a failed load.
bool isDefaultFont(const Font& font) {
    const Font fallback = GetFontDefault();
    return font.texture.id == fallback.texture.id || font.glyphs == fallback.glyphs;
}

// The file's bytes, when it exists, reads whole and passes the font check
bool readSoundFont(const FontChoice& choice, int* codepoints, std::vector<unsigned char>& bytes) {
    return FileExists(choice.path) && readFontFile(choice.path, bytes) &&
           fontFileIsSound(bytes.data(), bytes.size(), codepoints, kFontCodepointCount);
}

// What LoadFontFromMemory does for a TrueType file, without the texture: the same glyph data,
// padding and packing, so the atlas holds the pixels the GPU would sample.
bool loadAtlasFromFile(const FontChoice& choice, int glyphSize, int* codepoints, Font& out, Image& atlas) {
    std::vector<unsigned char> bytes;
    if (!readSoundFont(choice, codepoints, bytes)) return false;
    Font font = {};
    font.baseSize = glyphSize;
    font.glyphs = LoadFontData(bytes.data(), (int)bytes.size(), glyphSize, codepoints, kFontCodepointCount,
                               FONT_DEFAULT, &font.glyphCount);
    if (font.glyphs == nullptr || font.glyphCount <= 0) return false;
    font.glyphPadding = kAtlasPadding;
    atlas = GenImageFontAtlas(font.glyphs, &font.recs, font.glyphCount, font.baseSize, font.glyphPadding, 0);
    if (atlas.data == nullptr || font.recs == nullptr) {
        UnloadFontData(font.glyphs, font.glyphCount);
        if (font.recs != nullptr) MemFree(font.recs);
        UnloadImage(atlas);
        return false;
    }
    font.texture = Texture2D{0, atlas.width, atlas.height, 1, atlas.format};
    out = font;
    return true;
}

bool loadFromFile(const FontChoice& choice, int glyphSize, int* codepoints, Font& out) {
    std::vector<unsigned char> bytes;
    if (!readSoundFont(choice, codepoints, bytes)) return false;
    Font font = LoadFontFromMemory(".ttf", bytes.data(), (int)bytes.size(), glyphSize, codepoints, kFontCodepointCount);
    if (isDefaultFont(font)) return false;
    if (font.texture.id == 0) {
        UnloadFont(font);  // Glyphs without an atlas: give their memory back
        return false;
    }
    out = font;
    return true;
}

// Two pixels less than the cell height, at least 8
int glyphSizeFor(int cellHeight) { return cellHeight - 2 > 8 ? cellHeight - 2 : 8; }

}  // namespace

const FontChoice* fontTable(int* count) {
    if (count != nullptr) *count = kFontCount;
    return kFonts;
}

FontTable productionFontTable() { return FontTable{kFonts, kFontCount}; }

void fontCodepoints(int out[kFontCodepointCount]) {
    int n = 0;
    for (int cp = 32; cp <= 126; ++cp) out[n++] = cp;
    for (int cp : kBlockCodepoints) out[n++] = cp;
}

bool fontHasGlyph(const Font& font, int codepoint) {
    if (font.glyphs == nullptr || font.glyphCount <= 0) return false;
    const int index = GetGlyphIndex(font, codepoint);
    return index >= 0 && index < font.glyphCount && font.glyphs[index].value == codepoint;
}

GlyphFont loadGlyphFont(int cellHeight, FontTable table) {
    const int glyphSize = glyphSizeFor(cellHeight);
    int codepoints[kFontCodepointCount];
    fontCodepoints(codepoints);

    GlyphFont result;
    for (int i = 0; i < table.count; ++i) {
        Font font = {};
        if (!loadFromFile(table.rows[i], glyphSize, codepoints, font)) continue;
        result.font = font;
        result.name = table.rows[i].displayName;
        result.fromFile = true;
        result.blockGlyphs = hasShadeGlyphs(font);
        break;
    }
    if (!result.fromFile) {
        result.font = GetFontDefault();
        result.name = "DEFAULT";
        result.blockGlyphs = false;
    }
    SetTextureFilter(result.font.texture, TEXTURE_FILTER_POINT);
    return result;
}

GlyphFont loadGlyphFontOnCpu(int cellHeight, FontTable table) {
    int codepoints[kFontCodepointCount];
    fontCodepoints(codepoints);
    GlyphFont result;
    result.onCpu = true;
    for (int i = 0; i < table.count; ++i) {
        if (!loadAtlasFromFile(table.rows[i], glyphSizeFor(cellHeight), codepoints, result.font, result.atlas)) {
            continue;
        }
        result.name = table.rows[i].displayName;
        result.fromFile = true;
        result.blockGlyphs = hasShadeGlyphs(result.font);
        break;
    }
    return result;
}

void releaseGlyphFont(GlyphFont& font) {
    if (font.onCpu) {
        if (font.fromFile) {
            UnloadFontData(font.font.glyphs, font.font.glyphCount);
            MemFree(font.font.recs);
            UnloadImage(font.atlas);
        }
        font = GlyphFont{};
        return;
    }
    if (font.fromFile) UnloadFont(font.font);
    font = GlyphFont{};
}
