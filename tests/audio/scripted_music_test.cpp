#include <gtest/gtest.h>

#include "audio/scripted_music.h"

// Triangles of prime periods over the frames: worked values at their start, top and way back down.
TEST(ScriptedMusic, WorkedValuesOnTheFramesAndBetweenThem) {
    const AudioFeatures a0 = scriptedMusic(0.0f);
    EXPECT_TRUE(a0.valid && a0.bass == 0.0f && a0.mid == 34.0f / 113.0f && a0.musicTime == 0.0f);
    EXPECT_EQ(a0.beat, (6.0f / 29.0f) * (6.0f / 29.0f));
    EXPECT_EQ(a0.bands[2], 28.0f / 59.0f);  // Period 37 + 22, offset 14
    EXPECT_EQ(scriptedMusic(14.0f / 60.0f).bass, 28.0f / 29.0f);
    EXPECT_EQ(scriptedMusic(15.0f / 60.0f).bass, 2.0f - 30.0f / 29.0f);
    EXPECT_EQ(scriptedMusic(14.4f / 60.0f).bass, 28.0f / 29.0f);  // The nearest frame's
    EXPECT_EQ(scriptedMusic(14.6f / 60.0f).bass, 2.0f - 30.0f / 29.0f);
    EXPECT_EQ(scriptedMusic(1.5f).musicTime, 1.5f);
    EXPECT_EQ(scriptedMusic(1.5f).musicLength, 120.5f);
    // Over the length of the song every level stays in its range
    for (int f = 0; f < 60 * 130; f += 7) {
        const AudioFeatures a = scriptedMusic((float)f / 60.0f);
        ASSERT_TRUE(a.bass >= 0.0f && a.bass <= 1.0f && a.beat >= 0.0f && a.beat <= 1.0f && a.level <= 0.6f) << f;
    }
}
