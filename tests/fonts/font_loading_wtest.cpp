// Font loading through raylib on a real (hidden) window, with a table of damaged and unsuitable
// font files made from the installed DejaVu fonts: none crashes, none counts as a good load, the
// next row or the default font takes over, and the cell backgrounds stay opaque.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>

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

// A private folder for the test's font files, removed afterwards (std::filesystem only, so that
// the test also runs on Windows).
struct FontFolder {
    std::string dir;
    FontFolder() {
        std::random_device seed;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && dir.empty(); ++attempt) {
            const std::filesystem::path candidate = base / ("davur_evi-fonts." + std::to_string(seed()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) dir = candidate.string();
        }
    }
    ~FontFolder() {
        std::error_code ignored;
        if (!dir.empty()) std::filesystem::remove_all(dir, ignored);
    }
    std::string add(const std::string& name, const Bytes& bytes) {
        const std::string path = dir + "/" + name;
        EXPECT_TRUE(writeAll(path, bytes));
        return path;
    }
};

// Every pixel of cell (cx, cy) has colour c, read back from the render texture.
bool cellFilled(const AsciiFramebuffer& fb, int cx, int cy, Color c) {
    Image image = LoadImageFromTexture(fb.target.texture);
    ImageFlipVertical(&image);
    bool all = true;
    for (int y = 0; y < fb.cellHeight; ++y) {
        for (int x = 0; x < fb.cellWidth; ++x) {
            const Color p = GetImageColor(image, cx * fb.cellWidth + x, cy * fb.cellHeight + y);
            all = all && p.r == c.r && p.g == c.g && p.b == c.b && p.a == 255;
        }
    }
    UnloadImage(image);
    return all;
}

// Cells drawn with the font: a space and a glyph on coloured backgrounds must cover their cells
// (an atlas without the white texel would leave them transparent).
void expectOpaqueBackgrounds(const GlyphFont& font, const char* what) {
    AsciiFramebuffer fb(36, 14, 10, 18, font);
    fb.setCell(3, 2, 32, kDefaultGlyphColor, kRed);
    fb.setCell(4, 2, '.', kRed, kGreen);
    redraw(fb, false);
    EXPECT_TRUE(cellFilled(fb, 3, 2, kRed)) << what;
    EXPECT_TRUE(cellFilled(fb, 5, 2, kSceneBackground)) << what;
}

struct FontFileLoading : ::testing::Test {
    Bytes mono;
    void SetUp() override {
        mono = readAll(kMono);
        if (mono.empty()) GTEST_SKIP() << "DejaVu Sans Mono is not installed";
    }
};

}  // namespace

TEST_F(FontFileLoading, DamagedFilesAreSkippedForTheNextRowOrTheDefaultFont) {
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"cut to 1,000 bytes", truncated(mono, 1000)},     {"cut to 3,000 bytes", truncated(mono, 3000)},
        {"cut to 20,000 bytes", truncated(mono, 20000)},   {"cut to 100,000 bytes", truncated(mono, 100000)},
        {"cut by 4 bytes", truncated(mono, mono.size() - 4)}, {"50,000 random bytes", randomBytes(50000, 7)},
        {"empty", Bytes{}},
    };
    FontFolder folder;
    for (const Case& c : cases) {
        const std::string bad = folder.add("consola.ttf", c.bytes);
        const FontChoice alone[] = {{bad.c_str(), "Consolas"}};
        GlyphFont font = loadGlyphFont(18, FontTable{alone, 1});
        EXPECT_STREQ(font.name, "DEFAULT") << c.what;
        EXPECT_FALSE(font.fromFile) << c.what;
        EXPECT_FALSE(font.blockGlyphs) << c.what;
        expectOpaqueBackgrounds(font, c.what);
        releaseGlyphFont(font);

        const FontChoice thenGood[] = {{bad.c_str(), "Consolas"}, {"/nonexistent/lucon.ttf", "Lucida Console"},
                                       {kMono, "DejaVu Sans Mono"}};
        font = loadGlyphFont(18, FontTable{thenGood, 3});
        EXPECT_STREQ(font.name, "DejaVu Sans Mono") << c.what;
        EXPECT_TRUE(font.fromFile) << c.what;
        EXPECT_TRUE(font.blockGlyphs) << c.what;
        expectOpaqueBackgrounds(font, c.what);
        releaseGlyphFont(font);
    }
}

TEST_F(FontFileLoading, ASoundCopyLoadsUnderItsRowsNameAtTheCellsGlyphSize) {
    FontFolder folder;
    const std::string copy = folder.add("CascadiaMono.ttf", mono);
    const FontChoice table[] = {{"/nonexistent/consola.ttf", "Consolas"}, {copy.c_str(), "Cascadia Mono"}};
    GlyphFont font = loadGlyphFont(18, FontTable{table, 2});
    EXPECT_STREQ(font.name, "Cascadia Mono");
    EXPECT_TRUE(font.fromFile);
    EXPECT_TRUE(font.blockGlyphs);
    EXPECT_EQ(font.font.baseSize, 16);
    expectOpaqueBackgrounds(font, "sound copy");
    releaseGlyphFont(font);
}

TEST_F(FontFileLoading, AFontWithoutTheBlockGlyphsLoadsWithoutThem) {
    const Bytes extraLight = readAll(kExtraLight);
    if (extraLight.empty()) GTEST_SKIP() << "DejaVu Sans ExtraLight (fonts-dejavu-extra) is not installed";
    FontFolder folder;
    const std::string path = folder.add("lucon.ttf", extraLight);
    const FontChoice table[] = {{path.c_str(), "Lucida Console"}, {kMono, "DejaVu Sans Mono"}};
    GlyphFont font = loadGlyphFont(18, FontTable{table, 2});
    EXPECT_STREQ(font.name, "Lucida Console");
    EXPECT_TRUE(font.fromFile);
    EXPECT_FALSE(font.blockGlyphs) << "raylib's '?' stand-in is not a shade block";
    EXPECT_TRUE(fontHasGlyph(font.font, 'A'));
    EXPECT_TRUE(fontHasGlyph(font.font, '?'));
    EXPECT_FALSE(fontHasGlyph(font.font, 0x2588));
    EXPECT_FALSE(fontHasGlyph(font.font, 0x2591));
    expectOpaqueBackgrounds(font, "ExtraLight");
    releaseGlyphFont(font);
}

TEST_F(FontFileLoading, NoFileAtAllGivesTheDefaultFontWhichIsNeverUnloaded) {
    const FontChoice table[] = {{"/nonexistent/consola.ttf", "Consolas"}};
    GlyphFont font = loadGlyphFont(18, FontTable{table, 1});
    EXPECT_STREQ(font.name, "DEFAULT");
    EXPECT_EQ(font.font.texture.id, GetFontDefault().texture.id);
    releaseGlyphFont(font);
    EXPECT_NE(GetFontDefault().texture.id, 0u);
    EXPECT_TRUE(IsTextureValid(GetFontDefault().texture)) << "the default font survives its release";
}

TEST_F(FontFileLoading, ASharedFontOutlivesEveryFramebufferThatDrewWithIt) {
    const FontChoice table[] = {{kMono, "DejaVu Sans Mono"}};
    GlyphFont font = loadGlyphFont(18, FontTable{table, 1});
    ASSERT_TRUE(font.fromFile);
    for (int rebuild = 0; rebuild < 3; ++rebuild) {
        auto fb = std::make_unique<AsciiFramebuffer>(36 + rebuild, 14, 10, 18, font);
        EXPECT_STREQ(fb->fontName, "DejaVu Sans Mono");
        EXPECT_TRUE(fb->blockGlyphs);
        EXPECT_EQ(fb->font.texture.id, font.font.texture.id);
        fb->setCell(1, 1, 0x2588, kRed, kGreen);  // A full block: glyph colour over most of the cell
        redraw(*fb, false);
        Image image = LoadImageFromTexture(fb->target.texture);
        ImageFlipVertical(&image);
        int red = 0;
        for (int y = 18; y < 36; ++y) {
            for (int x = 10; x < 20; ++x) red += GetImageColor(image, x, y).r == kRed.r;
        }
        UnloadImage(image);
        EXPECT_GT(red, 60) << "rebuild " << rebuild << ": the atlas is still there";
    }
    EXPECT_TRUE(IsTextureValid(font.font.texture));
    releaseGlyphFont(font);
}
