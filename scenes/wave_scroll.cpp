// wave_scroll: two one-line text scrollers running in opposite directions across the middle of the
// screen, each bent into a wave of three sines, over horizontal colour bands that roll with the beat.
// Every character has a dark drop shadow one row below it. The scroll follows the beat clock, so the
// texts move in step with the music; the audio bends the waves and tints the colours.
#include <cmath>    // Required for: floorf(), roundf()
#include <cstring>  // Required for: strlen()

#include "math/show_math.h"  // Required for: showSin(), showPow()

#include "scenes/scenes.h"

namespace {

// Both texts begin and end with two spaces so the repeats stay apart
const char* const scrollTextA = "  ZELTO PRESENTS // FIRST VX DEMO ASCII MODE  //  INTERSECTING WAVE STREAM A  //  ";
const char* const scrollTextB =
    "  VX DEMO 2026 // SYNTH LEAD + LIGHT KICK + LIGHT SNARE  //  INTERSECTING WAVE STREAM B  //  ";

constexpr int kSpanPadding = 12;    // Empty columns added to a text's length in one scroll span
constexpr int kCentreOffsetA = -4;  // Scroller A's centre row relative to rows / 2
constexpr int kCentreOffsetB = 2;   // Scroller B's centre row relative to rows / 2

constexpr Color kBandGlyphColor = {0, 0, 0, 255};
constexpr Color kShadowColorA = {12, 18, 34, 255};
constexpr Color kShadowColorB = {30, 12, 20, 255};

// Everything the frame needs from time, beat clock and audio, computed once per frame
struct WaveFrame {
    float t;
    float bass, mid, treble;
    float k1;         // Speed of the band roll, also scroller B's middle wave amplitude
    float bandPhase;  // Phase of the background bands
    float pulse;      // 1.0 on the beat, 0.6 just before the next, raised by the audio beat
    int remA, remB;   // Scroll offsets folded into one span of each train
};

// A channel stored as the low 8 bits of its truncated value: sums past 255 wrap round
unsigned char wrapChannel(float v) { return (unsigned char)((int)v & 0xFF); }

WaveFrame computeWaveFrame(int cols, int lenA, int lenB, float t, const BeatInfo* beat,
                           const AudioFeatures* audio) {
    const bool valid = (audio != nullptr) && audio->valid;
    const float beatPos = (beat != nullptr) ? beat->beatPos : 0.0f;
    const float beatPhase = (beat != nullptr) ? beat->beatPhase : 0.0f;

    WaveFrame f;
    f.t = t;
    f.bass = valid ? audio->bass : 0.0f;
    f.mid = valid ? audio->mid : 0.0f;
    f.treble = valid ? audio->treble : 0.0f;
    const float boost = valid ? audio->beat * 0.5f : 0.0f;

    f.k1 = f.mid * 1.2f + 2.0f;
    f.bandPhase = (f.bass * 0.8f + 0.6f) * beatPos + f.k1 * t;
    f.pulse = showPow(1.0f - beatPhase, 4.0f) * 0.4f + 0.6f + boost;

    const int offA = (int)floorf((f.bass * 4.4f + 6.2f + f.mid * 1.3f) * beatPos);
    const int offB = (int)floorf((f.mid * 3.9f + 5.1f + f.treble * 2.2f) * beatPos);
    f.remA = offA % (lenA + kSpanPadding + cols);
    f.remB = offB % (lenB + kSpanPadding + cols);
    return f;
}

void drawBands(AsciiFramebuffer& fb, const WaveFrame& f) {
    for (int y = 0; y < fb.rows; y++) {
        const float s = showSin(0.3f * (float)y + f.bandPhase) * 0.5f + 0.5f;
        const Color band = {4, (unsigned char)(int)(30.0f * s + 14.0f),
                            (unsigned char)(int)((f.mid * 90.0f + 55.0f) * s + 24.0f), 255};
        for (int x = 0; x < fb.cols; x++) fb.setCell(x, y, ' ', kBandGlyphColor, band);
    }
}

// Shadow first, then the glyph; characters whose row leaves no room for the shadow are skipped
void drawShadowedGlyph(AsciiFramebuffer& fb, int x, int y, char c, Color fg, Color shadow, Color bg) {
    if (y < 1 || y >= fb.rows - 1) return;
    const uint32_t codepoint = (uint32_t)(unsigned char)c;
    fb.setCell(x, y + 1, codepoint, shadow, bg);
    fb.setCell(x, y, codepoint, fg, bg);
}

int waveRowA(const WaveFrame& f, int halfRows, int x) {
    const float xf = (float)x;
    const float w = showSin(0.11f * xf - (f.treble * 1.4f + 1.8f) * f.t) * (f.mid * 0.9f + 1.1f) +
                    showSin(0.33f * xf + (f.mid * 2.6f + 3.6f) * f.t) * (f.bass * 1.4f + 2.2f) +
                    showSin((f.treble * 0.52f + 0.88f) * xf + (f.treble * 9.0f + 10.0f) * f.t) * (f.treble * 0.45f + 0.55f);
    return halfRows + kCentreOffsetA + (int)roundf(w);
}

Color glyphColorA(const WaveFrame& f, int i) {
    const float h = (f.mid * 2.2f + 4.4f) * f.t + 0.17f * (float)i;
    return {wrapChannel((showSin(h) * 0.5f + 0.5f) * 120.0f * f.pulse + 120.0f),
            wrapChannel((showSin(h + 2.1f) * 0.5f + 0.5f) * 90.0f * f.pulse + 150.0f),
            wrapChannel((showSin(h + 4.2f) * 0.5f + 0.5f) * 30.0f * f.pulse + 220.0f), 255};
}

int waveRowB(const WaveFrame& f, int halfRows, int x) {
    const float xf = (float)x;
    const float w = -showSin(0.09f * xf + (f.treble * 2.0f + 1.5f) * f.t) * (f.bass + 1.0f) +
                    showSin(0.29f * xf - (f.bass * 2.0f + 3.2f) * f.t) * f.k1 +
                    showSin((f.treble * 0.7f + 0.95f) * xf - (f.treble * 10.0f + 11.0f) * f.t) * (f.treble * 0.5f + 0.5f);
    return halfRows + kCentreOffsetB + (int)roundf(w);
}

Color glyphColorB(const WaveFrame& f, int i) {
    const float h = 0.19f * (float)i - (f.treble * 2.8f + 4.0f) * f.t;
    return {wrapChannel((showSin(h + 0.7f) * 0.5f + 0.5f) * 24.0f * f.pulse + 230.0f),
            wrapChannel((showSin(h + 2.4f) * 0.5f + 0.5f) * 110.0f * f.pulse + 130.0f),
            wrapChannel((showSin(h + 4.1f) * 0.5f + 0.5f) * 110.0f * f.pulse + 130.0f), 255};
}

// Train A moves right: character i of the span sits at column cols + remA - i
void drawScrollerA(AsciiFramebuffer& fb, const WaveFrame& f, Color bg, int lenA) {
    const int cols = fb.cols;
    const int span = lenA + kSpanPadding + cols;
    for (int i = 0; i < span; i++) {
        const int x = cols + f.remA - i;
        if (x < 0 || x >= cols) continue;
        // i % lenA stays inside the text, so c is never its terminating NUL
        const char c = scrollTextA[i % lenA];
        drawShadowedGlyph(fb, x, waveRowA(f, fb.rows / 2, x), c, glyphColorA(f, i), kShadowColorA, bg);
    }
}

// Train B moves left: character i of the span sits at column i - remB
void drawScrollerB(AsciiFramebuffer& fb, const WaveFrame& f, Color bg, int lenB) {
    const int cols = fb.cols;
    const int span = lenB + kSpanPadding + cols;
    for (int i = 0; i < span; i++) {
        const int x = i - f.remB;
        if (x < 0 || x >= cols) continue;
        const char c = scrollTextB[i % lenB];
        drawShadowedGlyph(fb, x, waveRowB(f, fb.rows / 2, x), c, glyphColorB(f, i), kShadowColorB, bg);
    }
}

}  // namespace

void wave_scroll(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio) {
    const int lenA = (int)strlen(scrollTextA);
    const int lenB = (int)strlen(scrollTextB);
    if (lenA == 0 || lenB == 0) return;

    const WaveFrame f = computeWaveFrame(fb.cols, lenA, lenB, sceneTime, beat, audio);

    drawBands(fb, f);
    drawScrollerA(fb, f, bg, lenA);
    drawScrollerB(fb, f, bg, lenB);  // B covers A where the waves cross
}
