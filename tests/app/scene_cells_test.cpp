#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/scene_cells.h"
#include "app/tempo_clock.h"
#include "audio/scripted_music.h"

namespace {

const GridSize kSmall = {40, 16};

// A few frames of a scene on another grid with other audio, as the live show or a test may have
// left it; the last at time 0, where the script starts, so that time does not run backwards.
void disturb(const SceneDesc& scene) {
    AsciiFramebuffer fb(61, 23, 10, 18, FramebufferBacking::CellsOnly);
    const TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
    for (float t : {7.0f, 7.25f, 0.0f}) {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = scriptedMusic(100.0f / 60.0f);
        fb.clear(kSceneBackground);
        scene.render(fb, t, kSceneBackground, &beat, &audio);
    }
}

}  // namespace

// The browser computes its hashes in a fresh page, the desktop tool in a fresh process, the show
// after scenes ran: the hash must not depend on what a scene drew before. Every scene and grid differs.
TEST(SceneCells, EverySceneHashesAlikeWhateverItDrewBeforeAndUnlikeTheOthers) {
    const SceneTable table = sceneTable();
    const std::vector<SceneCells> all = everySceneCells();
    ASSERT_EQ(all.size(), (size_t)table.count * 2);
    std::set<uint64_t> hashes;
    for (size_t i = 0; i < all.size(); ++i) hashes.insert(all[i].hash);
    EXPECT_EQ(hashes.size(), all.size());
    EXPECT_TRUE(all[1].grid.cols == 173 && all[1].grid.rows == 60 && std::string(all[2].scene) == table.rows[1].name);
    for (int s = 0; s < table.count; ++s) {
        const uint64_t first = sceneCellsHash(table.rows[s], kSmall);
        disturb(table.rows[s]);
        EXPECT_EQ(sceneCellsHash(table.rows[s], kSmall), first) << table.rows[s].name;
    }
}
