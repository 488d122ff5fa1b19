#include "app/scene_cells.h"

#include <cinttypes>
#include <cstdio>

#include "app/tempo_clock.h"
#include "audio/scripted_music.h"
#include "framebuffer/cell_hash.h"

namespace {

constexpr int kFps = 60;
// The script: runs of frames at 60 fps, each from its own scene time. The first shows the
// simulations moving from their start, the later ones what a scene draws further on.
struct ScriptRun {
    float start;
    int frames;
};
const ScriptRun kScript[] = {{0.0f, 90}, {12.0f, 20}, {24.5f, 20}};
constexpr float kPrimeTime = 1.0f;  // A frame drawn here, then time 0: every scene restarts
const GridSize kScriptGrids[] = {{120, 42}, {173, 60}};  // The show's two zoom levels

}  // namespace

uint64_t sceneCellsHash(const SceneDesc& scene, GridSize grid) {
    AsciiFramebuffer fb(grid.cols, grid.rows, 10, 18, FramebufferBacking::CellsOnly);
    const TempoClock clock = makeTempoClock(kShowTempo);
    // Scenes that simulate keep state between frames and restart when time runs backwards
    const BeatInfo primeBeat = update(clock, kPrimeTime);
    const AudioFeatures primeAudio = scriptedMusic(0.0f);
    fb.clear(kSceneBackground);
    scene.render(fb, kPrimeTime, kSceneBackground, &primeBeat, &primeAudio);

    uint64_t h = kFnvOffset;
    for (const ScriptRun& run : kScript) {
        const long long first = (long long)(run.start * (float)kFps);
        for (long long f = first; f < first + run.frames; ++f) {
            const float t = (float)f / (float)kFps;
            const BeatInfo beat = update(clock, t);
            const AudioFeatures audio = scriptedMusic(t);
            fb.clear(kSceneBackground);
            scene.render(fb, t, kSceneBackground, &beat, &audio);
            h = fnvMix(h, cellHash(fb), 8);
        }
    }
    return h;
}

std::vector<SceneCells> everySceneCells() {
    std::vector<SceneCells> all;
    const SceneTable table = sceneTable();
    for (int s = 0; s < table.count; ++s) {
        for (const GridSize& grid : kScriptGrids) {
            all.push_back(SceneCells{table.rows[s].name, grid, sceneCellsHash(table.rows[s], grid)});
        }
    }
    return all;
}

std::string sceneCellsJson(const std::vector<SceneCells>& cells) {
    std::string json = "[";
    for (size_t i = 0; i < cells.size(); ++i) {
        char row[160];
        std::snprintf(row, sizeof row, "%s{\"scene\":\"%s\",\"cols\":%d,\"rows\":%d,\"hash\":\"%016" PRIx64 "\"}",
                      i == 0 ? "" : ",", cells[i].scene, cells[i].grid.cols, cells[i].grid.rows, cells[i].hash);
        json += row;
    }
    return json + "]";
}
