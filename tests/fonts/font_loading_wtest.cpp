// Font loading through raylib on a real (hidden) window, with damaged and unsuitable font files
// made from the installed DejaVu fonts: none crashes, none counts as a good load, the next row or
// the default font takes over, and the cell backgrounds stay opaque.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "framebuffer/font_redraw.h"
#include "font_files.h"

using namespace font_files;

namespace {

constexpr Color kRed = {200, 30, 40, 255};
constexpr Color kGreen = {20, 220, 60, 255};

class FontWindow : public ::testing::Environment {
public:
    void SetUp() override {
        SetTraceLogLevel(LOG_NONE);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(320, 200, "davur_evi font tests");
    }
    void TearDown() override { CloseWindow(); }
};
const auto* const kFontWindow = ::testing::AddGlobalTestEnvironment(new FontWindow);

// How many pixels of cell (cx, cy) have colour c (opaque), read back from the render texture.
int pixelsOf(const AsciiFramebuffer& fb, int cx, int cy, Color c) {
    Image image = LoadImageFromTexture(fb.target.texture);
    ImageFlipVertical(&image);
    int n = 0;
    for (int y = 0; y < fb.cellHeight; ++y) {
        for (int x = 0; x < fb.cellWidth; ++x) {
            const Color p = GetImageColor(image, cx * fb.cellWidth + x, cy * fb.cellHeight + y);
            n += p.r == c.r && p.g == c.g && p.b == c.b && p.a == 255;
        }
    }
    UnloadImage(image);
    return n;
}

// Loads the table; checks the font chosen and that a space and a glyph on coloured backgrounds
// cover their cells (an atlas without the white texel would leave them transparent).
void expectLoad(std::initializer_list<FontChoice> rows, const char* name, bool blockGlyphs, const std::string& what) {
    const std::vector<FontChoice> table(rows);
    GlyphFont font = loadGlyphFont(18, FontTable{table.data(), (int)table.size()});
    EXPECT_STREQ(font.name, name) << what;
    EXPECT_EQ(font.fromFile, strcmp(name, "DEFAULT") != 0) << what;
    EXPECT_EQ(font.blockGlyphs, blockGlyphs) << what;
    EXPECT_TRUE(!font.fromFile || font.font.baseSize == 16) << what;
    AsciiFramebuffer fb(36, 14, 10, 18, font);
    fb.setCell(3, 2, 32, kDefaultGlyphColor, kRed);
    fb.setCell(4, 2, '.', kRed, kGreen);
    redraw(fb, false);
    EXPECT_EQ(pixelsOf(fb, 3, 2, kRed), 180) << what;
    EXPECT_EQ(pixelsOf(fb, 5, 2, kSceneBackground), 180) << what;
    releaseGlyphFont(font);
}

struct FontFileLoading : ::testing::Test {
    Bytes mono;
    FontFolder folder;
    void SetUp() override {
        mono = readAll(kMono);
        if (mono.empty()) GTEST_SKIP() << "DejaVu Sans Mono is not installed";
    }
};

}  // namespace

TEST_F(FontFileLoading, DamagedFilesAreSkippedForTheNextRowOrTheDefaultFont) {
    const std::pair<const char*, Bytes> cases[] = {
        {"cut to 1,000 bytes", truncated(mono, 1000)},     {"cut to 20,000 bytes", truncated(mono, 20000)},
        {"cut by 4 bytes", truncated(mono, mono.size() - 4)}, {"50,000 random bytes", randomBytes(50000, 7)},
        {"empty", Bytes{}}};
    for (const auto& [what, bytes] : cases) {
        const std::string bad = folder.add("consola.ttf", bytes);
        expectLoad({{bad.c_str(), "Consolas"}}, "DEFAULT", false, what);
        expectLoad({{bad.c_str(), "Consolas"}, {"/nonexistent/lucon.ttf", "Lucida Console"}, {kMono, "DejaVu Sans Mono"}},
                   "DejaVu Sans Mono", true, what);
    }
}

TEST_F(FontFileLoading, SoundFilesLoadUnderTheirRowsNameWithOrWithoutTheBlockGlyphs) {
    const std::string copy = folder.add("CascadiaMono.ttf", mono);
    expectLoad({{"/nonexistent/consola.ttf", "Consolas"}, {copy.c_str(), "Cascadia Mono"}}, "Cascadia Mono", true, "copy");
    const Bytes extraLight = readAll(kExtraLight);
    if (extraLight.empty()) GTEST_SKIP() << "DejaVu Sans ExtraLight (fonts-dejavu-extra) is not installed";
    const std::string light = folder.add("lucon.ttf", extraLight);
    // raylib's '?' stand-in for a missing glyph is not a shade block
    expectLoad({{light.c_str(), "Lucida Console"}, {kMono, "DejaVu Sans Mono"}}, "Lucida Console", false, "light");
    const FontChoice table[] = {{light.c_str(), "Lucida Console"}};
    GlyphFont font = loadGlyphFont(18, FontTable{table, 1});
    EXPECT_TRUE(fontHasGlyph(font.font, 'A') && fontHasGlyph(font.font, '?'));
    EXPECT_FALSE(fontHasGlyph(font.font, 0x2588) || fontHasGlyph(font.font, 0x2591));
    releaseGlyphFont(font);
}

TEST_F(FontFileLoading, TheDefaultFontIsNeverUnloadedAndASharedFontOutlivesItsFramebuffers) {
    const FontChoice none[] = {{"/nonexistent/consola.ttf", "Consolas"}};
    GlyphFont fallback = loadGlyphFont(18, FontTable{none, 1});
    EXPECT_EQ(fallback.font.texture.id, GetFontDefault().texture.id);
    releaseGlyphFont(fallback);
    EXPECT_TRUE(IsTextureValid(GetFontDefault().texture)) << "the default font survives its release";

    const FontChoice table[] = {{kMono, "DejaVu Sans Mono"}};
    GlyphFont font = loadGlyphFont(18, FontTable{table, 1});
    ASSERT_TRUE(font.fromFile);
    for (int rebuild = 0; rebuild < 3; ++rebuild) {
        auto fb = std::make_unique<AsciiFramebuffer>(36 + rebuild, 14, 10, 18, font);
        EXPECT_TRUE(fb->blockGlyphs && fb->font.texture.id == font.font.texture.id);
        EXPECT_STREQ(fb->fontName, "DejaVu Sans Mono");
        fb->setCell(1, 1, 0x2588, kRed, kGreen);  // A full block: glyph colour over most of the cell
        redraw(*fb, false);
        EXPECT_GT(pixelsOf(*fb, 1, 1, kRed), 60) << "rebuild " << rebuild << ": the atlas is still there";
    }
    EXPECT_TRUE(IsTextureValid(font.font.texture));
    releaseGlyphFont(font);
}
