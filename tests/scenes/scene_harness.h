// Shared by the scene tests: scripted beat and audio values, a cell hash, and the determinism run
// that every scene's test checks against a stored value.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>

#include "app/tempo_clock.h"
#include "audio/audio_features.h"
#include "framebuffer/ascii_framebuffer.h"
#include "math/show_math.h"
#include "scenes/scene.h"

namespace scene_harness {

// FNV-1a over every cell's codepoint and eight colour bytes, in row-major order, plus the size.
inline uint64_t hashCells(const AsciiFramebuffer& fb, uint64_t h = 1469598103934665603ull) {
    auto mix = [&h](uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            h ^= (v >> (8 * i)) & 0xFFu;
            h *= 1099511628211ull;
        }
    };
    mix((uint32_t)fb.cols);
    mix((uint32_t)fb.rows);
    for (const Cell& c : fb.cells) {
        mix(c.codepoint);
        mix((uint32_t)c.fg.r | (uint32_t)c.fg.g << 8 | (uint32_t)c.fg.b << 16 | (uint32_t)c.fg.a << 24);
        mix((uint32_t)c.bg.r | (uint32_t)c.bg.g << 8 | (uint32_t)c.bg.b << 16 | (uint32_t)c.bg.a << 24);
    }
    return h;
}

// The show's tempo clock at 125 bpm, anchored at 0.
inline BeatInfo beatAt(float t) {
    static const TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
    return update(clock, t);
}

// A valid record with these four levels and everything else 0.
inline AudioFeatures audioLevels(float bass, float mid, float treble, float beat) {
    AudioFeatures a;
    a.valid = true;
    a.bass = bass;
    a.mid = mid;
    a.treble = treble;
    a.beat = beat;
    return a;
}

// Plausible music: levels that move with time and a beat that jumps every 0.48 s and decays.
inline AudioFeatures scriptedAudio(float t) {
    AudioFeatures a;
    a.valid = true;
    const float beatPhase = fmodf(t, 0.48f) / 0.48f;
    a.beat = showPow(0.9f, beatPhase * 28.8f);
    for (int b = 0; b < 8; ++b) {
        a.bands[b] = 0.5f + 0.45f * showSin(t * (0.7f + 0.3f * (float)b) + (float)b);
    }
    a.bass = (a.bands[0] + a.bands[1]) * 0.5f;
    a.mid = (a.bands[2] + a.bands[3] + a.bands[4]) / 3.0f;
    a.treble = (a.bands[5] + a.bands[6] + a.bands[7]) / 3.0f;
    a.level = 0.3f + 0.2f * showSin(t * 1.3f);
    a.musicTime = t;
    a.musicLength = 120.0f;
    return a;
}

// Renders `frames` frames at 60 fps from scene time 0 on a cells-only grid of 120 x 42 that is
// replaced by one of 173 x 60 half-way, the way the zoom replaces it in the show, and hashes every
// frame's cells into one value.
inline uint64_t determinismHash(SceneRenderFn render, int frames = 120) {
    auto fb = std::make_unique<AsciiFramebuffer>(120, 42, 10, 18, FramebufferBacking::CellsOnly);
    uint64_t h = 1469598103934665603ull;
    for (int i = 0; i < frames; ++i) {
        if (i == frames / 2) fb = std::make_unique<AsciiFramebuffer>(173, 60, 10, 18, FramebufferBacking::CellsOnly);
        const float t = (float)i / 60.0f;
        const BeatInfo beat = beatAt(t + 3.0f);
        const AudioFeatures audio = scriptedAudio(t);
        fb->clear(kSceneBackground);
        render(*fb, t, kSceneBackground, &beat, &audio);
        h = hashCells(*fb, h);
    }
    return h;
}

// Row-major index of the first cell in which two grids differ, 0 when their sizes differ, -1 when
// they match: for comparing a scene with a plain reference or with a replay of itself.
inline long firstDifferentCell(const AsciiFramebuffer& a, const AsciiFramebuffer& b) {
    if (a.cols != b.cols || a.rows != b.rows) return 0;
    for (size_t i = 0; i < a.cells.size(); ++i) {
        if (a.cells[i] != b.cells[i]) return (long)i;
    }
    return -1;
}

// A cells-only grid that one scene draws into with the show's beat. Scenes that keep state start
// afresh when the time runs backwards: freshStart forces that, whatever earlier tests left behind.
struct SceneGrid {
    SceneRenderFn scene;
    AsciiFramebuffer fb;
    SceneGrid(SceneRenderFn s, int cols, int rows, bool blockGlyphs = false)
        : scene(s), fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {
        fb.blockGlyphs = blockGlyphs;
    }
    void render(float t, const AudioFeatures& audio = AudioFeatures{}) {
        const BeatInfo beat = beatAt(t);
        fb.clear(kSceneBackground);
        scene(fb, t, kSceneBackground, &beat, &audio);
    }
    void freshStart(float t) {
        render(t + 1000.0f);
        render(t);
    }
};

// True when every cell equals c; Cell{} is a cleared cell.
inline bool allCellsAre(const AsciiFramebuffer& fb, const Cell& c) {
    for (const Cell& cell : fb.cells) {
        if (cell != c) return false;
    }
    return true;
}

// A scene and a plain per-cell reference of it run side by side from a fresh start at t0, counting
// the cells in which they differ. Ref has start(cols, rows, t) and frame(fb, t, audio).
template <class Ref>
struct SideBySide {
    Ref ref;
    std::unique_ptr<SceneGrid> grid;
    int frames = 0, mismatches = 0;
    SideBySide(SceneRenderFn scene, int cols, int rows, float t0) : grid(new SceneGrid(scene, cols, rows)) {
        grid->freshStart(t0);
        ref.start(cols, rows, t0);
    }
    // A new grid, the way the zoom replaces it
    void regrid(int cols, int rows, bool blockGlyphs = false) {
        grid = std::make_unique<SceneGrid>(grid->scene, cols, rows, blockGlyphs);
    }
    void frame(float t, const AudioFeatures& audio = AudioFeatures{}) {
        grid->render(t, audio);
        AsciiFramebuffer expected(grid->fb.cols, grid->fb.rows, 10, 18, FramebufferBacking::CellsOnly);
        expected.blockGlyphs = grid->fb.blockGlyphs;
        ref.frame(expected, t, audio);
        for (size_t i = 0; i < expected.cells.size(); ++i) mismatches += expected.cells[i] != grid->fb.cells[i];
        frames += 1;
    }
};

}  // namespace scene_harness
