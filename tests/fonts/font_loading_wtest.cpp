// Font loading through raylib on a real (hidden) window, with damaged and unsuitable font files
// made from the installed DejaVu fonts: none crashes, none counts as a good load, the next row or
// the default font takes over, and the cell backgrounds stay opaque.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "font_files.h"
#include "tests/framebuffer/window_pixels.h"

using namespace font_files;

namespace {


// Loads the table; checks the font chosen and that a space and a glyph on coloured backgrounds
// cover their cells (an atlas without the white texel would leave them transparent).
void expectLoad(std::initializer_list<FontChoice> rows, const char* name, bool blockGlyphs, const std::string& what) {
    const std::vector<FontChoice> table(rows);
    GlyphFont font = loadGlyphFont(18, FontTable{table.data(), (int)table.size()});
    EXPECT_TRUE(strcmp(font.name, name) == 0 && font.fromFile == (strcmp(name, "DEFAULT") != 0) &&
                font.blockGlyphs == blockGlyphs && (!font.fromFile || font.font.baseSize == 16)) << what << ": " << font.name;
    AsciiFramebuffer fb(36, 14, 10, 18, font);
    fb.setCell(3, 2, 32, kDefaultGlyphColor, kRed);
    fb.setCell(4, 2, '.', kRed, kGreen);
    redraw(fb, false);
    const Pixels px(fb.target.texture);
    EXPECT_TRUE(px.filled(3, 2, kRed) && px.filled(5, 2, kSceneBackground)) << what;
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
        {"cut to 20,000 bytes", truncated(mono, 20000)}, {"50,000 random bytes", randomBytes(50000, 7)}, {"empty", Bytes{}}};
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
    for (int rebuild = 0; rebuild < 2; ++rebuild) {
        auto fb = std::make_unique<AsciiFramebuffer>(36 + rebuild, 14, 10, 18, font);
        EXPECT_TRUE(fb->blockGlyphs && fb->font.texture.id == font.font.texture.id);
        fb->setCell(1, 1, 0x2588, kRed, kGreen);  // A full block: glyph colour over most of the cell
        redraw(*fb, false);
        EXPECT_GT(Pixels(fb->target.texture).count(1, 1, kRed), 60) << "rebuild " << rebuild << ": the atlas is still there";
    }
    EXPECT_TRUE(IsTextureValid(font.font.texture));
    releaseGlyphFont(font);
}
