#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "scenes/ramps.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"
#include "tests/scenes/scene_harness.h"

namespace {

constexpr Color kLogo = {245, 235, 180, 255};
constexpr Color kNumber = {255, 180, 140, 255};
constexpr Color kTextBg = {8, 10, 15, 255};

AudioFeatures silence() { return AudioFeatures{}; }

AudioFeatures levels(float bass, float mid, float treble, float beat) {
    return scene_harness::audioLevels(bass, mid, treble, beat);
}

void render(AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
    const BeatInfo beat = scene_harness::beatAt(t);
    fb.clear(kSceneBackground);
    julia_blast(fb, t, kSceneBackground, &beat, &audio);
}

int countCells(const AsciiFramebuffer& fb, uint32_t codepoint, Color fg) {
    int count = 0;
    for (const Cell& c : fb.cells) count += (c.codepoint == codepoint && c.fg == fg) ? 1 : 0;
    return count;
}

// The frame written out cell by cell from the formulas, with nothing hoisted or tabulated
struct ReferenceFrame {
    float t, bass, mid, treble, beat, beatShaped;
    float zoom, cRe, cIm, aspect, scaleX, scaleY, warpFreqX, warpFreqY, warpAmp, sat, hueRate;
    int maxIter;
};

ReferenceFrame referenceFrame(const AsciiFramebuffer& fb, float t, const AudioFeatures& a) {
    ReferenceFrame r = {};
    r.t = t;
    if (a.valid) {
        r.bass = a.bass;
        r.mid = a.mid;
        r.treble = a.treble;
        r.beat = a.beat;
    }
    r.beatShaped = powf(clamp01(r.beat), 0.65f);
    r.zoom = 1.08f + 0.22f * sinf((r.mid * 0.35f + 0.85f) * t) + 0.45f * r.beatShaped + 0.1f * r.bass;
    r.cRe = 0.24f * sinf((r.mid * 0.55f + 0.62f) * t + 2.0f * r.bass) - 0.73f;
    r.cIm = 0.18f * cosf((r.treble * 1.1f + 0.78f) * t + 3.5f * r.beat);
    r.maxIter = 112 + (int)roundf(30.0f * r.beat + 34.0f * r.treble);
    r.aspect = (float)fb.cols / (float)fb.rows;
    r.scaleX = 2.7f / r.zoom;
    r.scaleY = 2.2f / r.zoom;
    r.warpFreqX = r.mid * 1.9f + 2.0f;
    r.warpFreqY = r.treble * 2.4f + 2.3f;
    r.warpAmp = r.bass * 0.055f + 0.03f + r.beat * 0.05f;
    r.sat = clamp01(r.treble * 0.24f + 0.64f);
    r.hueRate = r.mid * 34.0f + 44.0f;
    return r;
}

int referenceCount(const ReferenceFrame& r, int cols, int rows, int x, int y) {
    const float u = ((float)x / (float)(cols - 1) - 0.5f) * r.scaleX * r.aspect;
    const float v = ((float)y / (float)(rows - 1) - 0.5f) * r.scaleY;
    float zr = u + r.warpAmp * sinf(r.warpFreqX * r.t + 7.0f * v);
    float zi = v + r.warpAmp * sinf(6.0f * u - r.warpFreqY * r.t);
    int n = 0;
    while (zr * zr + zi * zi < 4.0f && n < r.maxIter) {
        const float re = zr * zr - zi * zi + r.cRe;
        zi = 2.0f * zr * zi + r.cIm;
        zr = re;
        n++;
    }
    return n;
}

Cell referenceCell(const ReferenceFrame& r, bool blockGlyphs, int x, int n) {
    const float f = (float)n / (float)r.maxIter;
    const float h = fmodf(r.hueRate * r.t + f * 170.0f + 210.0f + (float)x * 0.12f, 360.0f);
    const float v = clamp01(powf(f, 1.2f) * (r.beatShaped * 0.3f + 0.72f) + 0.18f);
    Cell c;
    c.codepoint = rampGlyph(blockGlyphs ? RampStyle::Block : RampStyle::Dense, powf(f, 0.83f));
    c.fg = ColorFromHSV(h, r.sat, v);
    c.bg = ColorFromHSV(fmodf(h + 26.0f, 360.0f), r.sat * 0.42f, v * 0.17f + 0.06f);
    return c;
}

void referenceSpokes(AsciiFramebuffer& fb, const ReferenceFrame& r, const char* text, float phase, float speed,
                     Color color) {
    const int len = (int)strlen(text);
    const float L = (float)(std::max(fb.cols, fb.rows) + 3 * len);
    const float head = fmodf((r.beat * 1.4f + 1.0f) * (speed * r.t) + r.beatShaped * 8.0f, L);
    for (int k = 0; k < 6; k++) {
        const float a = phase + (float)k * 6.2831855f / 6.0f + 0.16f * sinf(0.9f * r.t + (float)k);
        for (int j = 0; j < len; j++) {
            const float radius = head - (r.beatShaped * 0.85f + 1.25f) * (float)j;
            if (radius < 0.0f) continue;
            const int X = (int)roundf((float)(fb.cols / 2) + radius * cosf(a));
            const int Y = (int)roundf((float)(fb.rows / 2) + radius * sinf(a));
            if (X >= 0 && X < fb.cols && Y >= 0 && Y < fb.rows) fb.setCell(X, Y, (unsigned char)text[j], color, kTextBg);
        }
    }
}

// The whole frame from the formulas
void referenceRender(AsciiFramebuffer& fb, float t, const AudioFeatures& audio) {
    const ReferenceFrame r = referenceFrame(fb, t, audio);
    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            fb.cells[(size_t)y * fb.cols + x] = referenceCell(r, fb.blockGlyphs, x, referenceCount(r, fb.cols, fb.rows, x, y));
        }
    }
    referenceSpokes(fb, r, "VX26", 0.35f * t, r.bass * 8.0f + 11.5f, kLogo);
    referenceSpokes(fb, r, "67", 1.2f - 0.45f * t, r.treble * 10.0f + 13.0f, kNumber);
}

// True when the cell holds a spoke character
bool isSpokeCell(const Cell& c) { return (c.fg == kLogo || c.fg == kNumber) && c.bg == kTextBg; }

}  // namespace

TEST(JuliaBlastGrid, GridsBelowEightCellsAreLeftUntouched) {
    const AudioFeatures audio = levels(0.5f, 0.5f, 0.5f, 0.5f);
    const int sizes[][2] = {{7, 40}, {40, 7}, {7, 7}};
    for (const auto& size : sizes) {
        AsciiFramebuffer fb(size[0], size[1], 10, 18, FramebufferBacking::CellsOnly);
        const Cell marker{'?', {1, 2, 3, 255}, {4, 5, 6, 255}};
        for (Cell& c : fb.cells) c = marker;
        const BeatInfo beat = scene_harness::beatAt(1.0f);
        julia_blast(fb, 1.0f, kSceneBackground, &beat, &audio);
        for (const Cell& c : fb.cells) ASSERT_EQ(c, marker) << size[0] << "x" << size[1];
    }
    // Eight by eight is drawn
    AsciiFramebuffer fb(8, 8, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 1.0f, audio);
    EXPECT_NE(fb.at(0, 0).bg, kSceneBackground);
}

TEST(JuliaBlastSilence, CornerCellEscapesAtOnceWithWorkedColours) {
    // t = 0, silence: zoom 1.08, the corner sample point lies far outside the radius, so n = 0:
    // hue 210, value 0.18, saturation 0.64; background hue 236, saturation 0.2688, value 0.0906
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 0.0f, silence());
    const Cell& corner = fb.at(0, 0);
    EXPECT_EQ(corner.codepoint, (uint32_t)' ');
    EXPECT_EQ(corner.fg, (Color{16, 31, 45, 255}));
    EXPECT_EQ(corner.bg, (Color{16, 17, 23, 255}));
}

TEST(JuliaBlastSilence, InvalidAudioIsSilenceWhateverItsFields) {
    AudioFeatures stale = levels(0.9f, 0.8f, 0.7f, 0.6f);
    stale.valid = false;
    AsciiFramebuffer a(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    AsciiFramebuffer b(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    for (float t : {0.0f, 1.7f, 6.25f}) {
        render(a, t, stale);
        render(b, t, silence());
        EXPECT_EQ(scene_harness::hashCells(a), scene_harness::hashCells(b)) << "t " << t;
    }
    // ...and the picture still moves with time alone
    render(a, 0.0f, silence());
    render(b, 0.5f, silence());
    EXPECT_NE(scene_harness::hashCells(a), scene_harness::hashCells(b));
}

TEST(JuliaBlastCells, NeverEscapingCellsAreDensestAndBrightest) {
    // Silence at t = 0: value 0.72 + 0.18 = 0.9 and hue 170 + 210 + 0.12 x, wrapped
    AsciiFramebuffer fb(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 0.0f, silence());
    const ReferenceFrame r = referenceFrame(fb, 0.0f, silence());
    int inside = 0;
    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            if (isSpokeCell(fb.at(x, y)) || referenceCount(r, fb.cols, fb.rows, x, y) != 112) continue;
            inside++;
            const float hue = fmodf(380.0f + (float)x * 0.12f, 360.0f);
            EXPECT_EQ(fb.at(x, y).codepoint, (uint32_t)'@');
            EXPECT_EQ(fb.at(x, y).fg, ColorFromHSV(hue, 0.64f, 0.9f));
        }
    }
    EXPECT_GT(inside, 50) << "the frame should show part of the set";
}

TEST(JuliaBlastAudio, TrebleRaisesTheIterationLimit) {
    // At t = 0 treble changes neither the sample points nor c, only maxIter (112 + 34) and colour:
    // cells escaping after 112..145 steps are densest in silence and not with full treble
    AsciiFramebuffer quiet(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    AsciiFramebuffer loud(173, 60, 10, 18, FramebufferBacking::CellsOnly);
    const AudioFeatures trebleOnly = levels(0.0f, 0.0f, 1.0f, 0.0f);
    render(quiet, 0.0f, silence());
    render(loud, 0.0f, trebleOnly);
    const ReferenceFrame r = referenceFrame(loud, 0.0f, trebleOnly);
    ASSERT_EQ(r.maxIter, 146);
    int slowEscapes = 0;
    for (int y = 0; y < loud.rows; y++) {
        for (int x = 0; x < loud.cols; x++) {
            if (isSpokeCell(loud.at(x, y))) continue;
            const int n = referenceCount(r, loud.cols, loud.rows, x, y);
            if (n < 112 || n >= 146) continue;
            slowEscapes++;
            EXPECT_EQ(quiet.at(x, y).codepoint, (uint32_t)'@');
            EXPECT_NE(loud.at(x, y).codepoint, (uint32_t)'@');
        }
    }
    EXPECT_GT(slowEscapes, 0);
    EXPECT_EQ(referenceFrame(loud, 0.0f, levels(0.0f, 0.0f, 1.0f, 1.0f)).maxIter, 176);
}

TEST(JuliaBlastSpokes, AtTimeZeroOnlyTheHeadsAreDrawnInTheCentre) {
    for (bool block : {false, true}) {
        AsciiFramebuffer fb(173, 60, 10, 18, FramebufferBacking::CellsOnly);
        fb.blockGlyphs = block;
        render(fb, 0.0f, silence());
        // "6" of "67" is drawn after the "V" of "VX26" and overwrites it
        const Cell& centre = fb.at(173 / 2, 60 / 2);
        EXPECT_EQ(centre.codepoint, (uint32_t)'6');
        EXPECT_EQ(centre.fg, kNumber);
        EXPECT_EQ(centre.bg, kTextBg);
        int spokeCells = 0;
        for (const Cell& c : fb.cells) spokeCells += isSpokeCell(c) ? 1 : 0;
        EXPECT_EQ(spokeCells, 1);
    }
}

TEST(JuliaBlastSpokes, TextTrailsTheHeadAndStartsAgainAtTheCentre) {
    AsciiFramebuffer fb(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    // Silence, t = 0.1: "VX26" head at 1.15 < the spacing 1.25, so only the "V" is out
    render(fb, 0.1f, silence());
    EXPECT_GT(countCells(fb, 'V', kLogo), 0);
    EXPECT_EQ(countCells(fb, 'X', kLogo), 0);
    // t = 0.5: head 5.75, radii 5.75, 4.5, 3.25, 2.0: all four characters are out
    render(fb, 0.5f, silence());
    for (char ch : {'V', 'X', '2', '6'}) EXPECT_GT(countCells(fb, (uint32_t)ch, kLogo), 0) << ch;
    // Path length 120 + 12 = 132: at t = 11.5 the head has wrapped to 0.25 and only "V" is out,
    // next to the centre
    render(fb, 11.5f, silence());
    EXPECT_EQ(countCells(fb, 'X', kLogo), 0);
    for (int y = 0; y < fb.rows; y++) {
        for (int x = 0; x < fb.cols; x++) {
            if (fb.at(x, y).codepoint == 'V' && fb.at(x, y).fg == kLogo) {
                EXPECT_LE(std::abs(x - 60), 1);
                EXPECT_LE(std::abs(y - 21), 1);
            }
        }
    }
}

TEST(JuliaBlastSpokes, CharactersOutsideTheGridAreSkipped) {
    // 8 x 8 grid, silence, t = 1.2: "VX26" radii 13.8 .. 10.05 all lie outside, "67" has wrapped
    // (15.6 mod 14 = 1.6) and is drawn near the centre
    AsciiFramebuffer fb(8, 8, 10, 18, FramebufferBacking::CellsOnly);
    render(fb, 1.2f, silence());
    for (const Cell& c : fb.cells) EXPECT_NE(c.fg, kLogo);
    EXPECT_GT(countCells(fb, '6', kNumber), 0);
    EXPECT_GT(countCells(fb, '7', kNumber), 0);
}

TEST(JuliaBlastReference, MatchesThePlainFormulasCellForCell) {
    struct Case {
        int cols, rows;
        bool block;
        float t;
        AudioFeatures audio;
    };
    const Case cases[] = {
        {120, 42, false, 0.0f, silence()},
        {173, 60, true, 2.35f, scene_harness::scriptedAudio(2.35f)},
        {430, 150, false, 7.9f, scene_harness::scriptedAudio(7.9f)},
        {61, 23, false, 4.4f, levels(1.0f, 1.0f, 1.0f, 1.0f)},
        {8, 8, true, 0.3f, levels(0.2f, 0.9f, 0.1f, 0.7f)},
        {520, 220, false, 13.0f, scene_harness::scriptedAudio(13.0f)},
    };
    for (const Case& k : cases) {
        AsciiFramebuffer fb(k.cols, k.rows, 10, 18, FramebufferBacking::CellsOnly);
        AsciiFramebuffer want(k.cols, k.rows, 10, 18, FramebufferBacking::CellsOnly);
        fb.blockGlyphs = want.blockGlyphs = k.block;
        render(fb, k.t, k.audio);
        referenceRender(want, k.t, k.audio);
        int mismatches = 0;
        for (int y = 0; y < k.rows; y++) {
            for (int x = 0; x < k.cols; x++) {
                if (fb.at(x, y) != want.at(x, y) && mismatches++ < 5) {
                    ADD_FAILURE() << k.cols << "x" << k.rows << " t " << k.t << " cell " << x << "," << y;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(JuliaBlastDeterminism, StoredHash) {
    const uint64_t value = scene_harness::determinismHash(julia_blast);
    EXPECT_EQ(value, 3857844553213178413ull) << "actual " << value;
}
