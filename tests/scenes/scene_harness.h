// Shared by the scene tests: the common includes, scripted beat and audio values, a cell hash and a
// grid to draw into.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "app/tempo_clock.h"
#include "audio/scripted_music.h"
#include "framebuffer/cell_hash.h"
#include "math/show_math.h"
#include "scenes/scene.h"
#include "scenes/scene_math.h"
#include "scenes/scenes.h"

namespace scene_harness {

// The show's tempo clock at 125 bpm, anchored at 0.
inline BeatInfo beatAt(float t) {
    static const TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
    return update(clock, t);
}

// A record with these four levels and everything else 0.
inline AudioFeatures audioLevels(float bass, float mid, float treble, float beat, bool valid = true) {
    AudioFeatures a;
    a.valid = valid, a.bass = bass, a.mid = mid, a.treble = treble, a.beat = beat;
    return a;
}

// A cells-only grid that one scene draws into with the show's beat. Scenes that keep state start
// afresh when the time runs backwards: freshStart forces that, whatever earlier tests left behind.
struct SceneGrid {
    SceneRenderFn scene;
    AsciiFramebuffer fb;
    SceneGrid(SceneRenderFn s, int cols = 120, int rows = 42, bool blockGlyphs = false)
        : scene(s), fb(cols, rows, 10, 18, FramebufferBacking::CellsOnly) {
        fb.blockGlyphs = blockGlyphs;
    }
    SceneGrid& render(float t, const AudioFeatures& audio = AudioFeatures{}) {
        const BeatInfo beat = beatAt(t);
        fb.clear(kSceneBackground);
        scene(fb, t, kSceneBackground, &beat, &audio);
        return *this;
    }
    SceneGrid& freshStart(float t) {
        render(t + 10000.0f);
        return render(t);
    }
    const Cell& at(int x, int y) const { return fb.at(x, y); }
};

// True when every cell equals c; Cell{} is a cleared cell.
inline bool allCellsAre(const AsciiFramebuffer& fb, const Cell& c) {
    return std::all_of(fb.cells.begin(), fb.cells.end(), [&c](const Cell& cell) { return cell == c; });
}

}  // namespace scene_harness
