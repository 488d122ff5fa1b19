#include <gtest/gtest.h>

#include <set>

#include "app/scene_cells.h"

namespace {

const GridSize kSmall = {40, 16};

// A few frames of a scene on another grid with other audio, as the live show or a test may have
// left it; the last at time 0, where the script starts, so that time does not run backwards.
void disturb(const SceneDesc& scene) {
    AsciiFramebuffer fb(61, 23, 10, 18, FramebufferBacking::CellsOnly);
    const TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
    for (float t : {7.0f, 7.25f, 0.0f}) {
        const BeatInfo beat = update(clock, t);
        const AudioFeatures audio = scriptedSceneAudio(100);
        fb.clear(kSceneBackground);
        scene.render(fb, t, kSceneBackground, &beat, &audio);
    }
}

}  // namespace

// The browser computes its hashes in a fresh page, the desktop tool in a fresh process, the show
// after scenes ran: the hash must not depend on what a scene drew before.
TEST(SceneCells, EverySceneHashesAlikeWhateverItDrewBefore) {
    const SceneTable table = sceneTable();
    for (int s = 0; s < table.count; ++s) {
        const SceneDesc& scene = table.rows[s];
        const uint64_t first = sceneCellsHash(scene, kSmall);
        disturb(scene);
        EXPECT_EQ(sceneCellsHash(scene, kSmall), first) << scene.name;
    }
}

TEST(SceneCells, EverySceneAndGridHashesDifferently) {
    const std::vector<SceneCells> all = everySceneCells();
    const SceneTable table = sceneTable();
    ASSERT_EQ(all.size(), (size_t)table.count * 2);
    std::set<uint64_t> hashes;
    for (size_t i = 0; i < all.size(); ++i) {
        EXPECT_STREQ(all[i].scene, table.rows[i / 2].name);
        hashes.insert(all[i].hash);
    }
    EXPECT_EQ(hashes.size(), all.size());
    EXPECT_TRUE(all[0].grid.cols == 120 && all[0].grid.rows == 42 && all[1].grid.cols == 173 && all[1].grid.rows == 60);
}

TEST(SceneCells, ScriptedAudioWorkedValues) {
    const AudioFeatures a0 = scriptedSceneAudio(0);
    EXPECT_TRUE(a0.valid && a0.bass == 0.0f && a0.mid == 34.0f / 113.0f && a0.musicTime == 0.0f);
    EXPECT_EQ(a0.beat, (6.0f / 29.0f) * (6.0f / 29.0f));
    // The triangle's top and its way back down
    EXPECT_EQ(scriptedSceneAudio(14).bass, 28.0f / 29.0f);
    EXPECT_EQ(scriptedSceneAudio(15).bass, 2.0f - 30.0f / 29.0f);
    EXPECT_EQ(scriptedSceneAudio(90).musicTime, 1.5f);
}

TEST(SceneCells, Json) {
    EXPECT_EQ(sceneCellsJson({}), "[]");
    const std::vector<SceneCells> rows = {{"intro_boot", {120, 42}, 0xabcull},
                                          {"cube", {173, 60}, 0xfedcba9876543210ull}};
    EXPECT_EQ(sceneCellsJson(rows),
              "[{\"scene\":\"intro_boot\",\"cols\":120,\"rows\":42,\"hash\":\"0000000000000abc\"},"
              "{\"scene\":\"cube\",\"cols\":173,\"rows\":60,\"hash\":\"fedcba9876543210\"}]");
}
