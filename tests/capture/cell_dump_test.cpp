// The cell dump's format, and the scene run behind scene mode: every frame from scene time 0 on
// the capture's frame grid, the last one exactly at the wanted time, with the beat it asks for.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/capture/cell_dump.h"
#include "tools/capture/scene_run.h"

namespace {

// A scene that remembers the times and beats it was rendered with and marks the grid with the
// frame count and whether its audio was valid, so the test sees which frame the grid comes from.
std::vector<float> renderedTimes;
std::vector<float> renderedBeats;
void recordingScene(AsciiFramebuffer& fb, float t, Color, const BeatInfo* beat, const AudioFeatures* audio) {
    renderedTimes.push_back(t);
    renderedBeats.push_back(beat->beatPos);
    fb.setCell(0, 0, (uint32_t)renderedTimes.size(), Color{}, Color{});
    fb.setCell(1, 0, audio->valid ? 1u : 0u, Color{}, Color{});
}
const SceneDesc kRecordingScene = {"recording", 0, 0, recordingScene};

void runTo(AsciiFramebuffer& fb, double time, int fps, const TempoClock& clock, bool audioValid = false) {
    renderedTimes.clear();
    renderedBeats.clear();
    AudioFeatures audio;
    audio.valid = audioValid;
    runSceneTo(fb, kRecordingScene, time, fps, clock, audio);
}

}  // namespace

TEST(CellDump, OneLinePerCellRowByRowWithDecimalCodepointAndBothColours) {
    EXPECT_EQ(cellLine(3, 1, Cell{0xFFFFFFFFu, {0, 0, 0, 0}, {255, 255, 255, 255}}),
              "3 1 4294967295 0,0,0,0 255,255,255,255");

    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    fb.setCell(35, 0, 'A', Color{10, 20, 30, 255}, Color{1, 2, 3, 255});
    fb.setCell(35, 13, 0x2593, Color{70, 80, 90, 255}, Color{7, 8, 9, 4});
    const std::string dump = cellDump(fb);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = dump.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(dump.substr(start, end + 1 - start));
    }
    ASSERT_EQ(dump.back(), '\n');
    ASSERT_EQ(lines.size(), 36u * 14u);
    EXPECT_EQ(lines[0], "0 0 32 190,190,190,255 8,10,15,255\n");  // A cleared cell
    EXPECT_EQ(lines[35], "35 0 65 10,20,30,255 1,2,3,255\n");
    EXPECT_EQ(lines[36], "0 1 32 190,190,190,255 8,10,15,255\n");
    EXPECT_EQ(lines.back(), "35 13 9619 70,80,90,255 7,8,9,4\n");
}

TEST(SceneRun, RendersEveryFrameFromZeroAndTheLastExactlyAtTheTime) {
    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    runTo(fb, 0.11, 30, sceneClock(false, 0.0f, 0.11));
    EXPECT_EQ(renderedTimes, (std::vector<float>{0.0f, 1.0f / 30, 2.0f / 30, 3.0f / 30, 0.11f}));
    EXPECT_EQ(fb.at(0, 0).codepoint, 5u);  // The grid is the last frame's
    EXPECT_EQ(fb.at(1, 0).codepoint, 0u);  // No audio: the invalid record

    // A time on the frame grid is rendered once; time zero is one frame
    runTo(fb, 0.5, 30, sceneClock(false, 0.0f, 0.5));
    ASSERT_EQ(renderedTimes.size(), 16u);
    EXPECT_EQ(renderedTimes.back(), 0.5f);
    runTo(fb, 0.0, 60, sceneClock(false, 0.0f, 0.0));
    EXPECT_EQ(renderedTimes, std::vector<float>{0.0f});
}

TEST(SceneRun, TheBeatIsTheShowsClockFromTheSceneStartOrTheOneAskedForAtTheTime) {
    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    runTo(fb, 1.2, 10, sceneClock(false, 0.0f, 1.2), true);
    EXPECT_EQ(renderedBeats.front(), 0.0f);
    EXPECT_NEAR(renderedBeats.back(), 1.2f * 125.0f / 60.0f, 1e-5f);
    EXPECT_EQ(fb.at(1, 0).codepoint, 1u);

    runTo(fb, 1.2, 10, sceneClock(true, 16.5f, 1.2));
    EXPECT_NEAR(renderedBeats.back(), 16.5f, 1e-5f);
    EXPECT_NEAR(renderedBeats[renderedBeats.size() - 2], 16.5f - 0.1f * 125.0f / 60.0f, 1e-4f);

    // A beat position earlier than the run reaches back: the clock stays at 0 before it
    runTo(fb, 1.2, 10, sceneClock(true, 0.5f, 1.2));
    EXPECT_EQ(renderedBeats.front(), 0.0f);
    EXPECT_NEAR(renderedBeats.back(), 0.5f, 1e-5f);
}

namespace {

struct StepLog {
    std::vector<long long> done;
    long long total = -1;
    long long stopAt = -1;  // The step that says stop
};

bool logStep(void* user, long long done, long long total) {
    StepLog& log = *static_cast<StepLog*>(user);
    log.done.push_back(done);
    log.total = total;
    return done != log.stopAt;
}

}  // namespace

// The run's count is the frames it renders; a step that says stop ends it before that frame.
TEST(SceneRun, EachFrameIsAStepThatCanStopTheRun) {
    EXPECT_EQ(sceneRunFrames(0.11, 30), 5);
    EXPECT_EQ(sceneRunFrames(0.5, 30), 16);
    EXPECT_EQ(sceneRunFrames(0.0, 60), 1);
    EXPECT_EQ(sceneRunFrames(3600.0, 240), 864001);

    AsciiFramebuffer fb(36, 14, 10, 18, FramebufferBacking::CellsOnly);
    AudioFeatures audio;
    StepLog log;
    renderedTimes.clear();
    EXPECT_TRUE(runSceneTo(fb, kRecordingScene, 0.11, 30, sceneClock(false, 0.0f, 0.11), audio, logStep, &log));
    EXPECT_EQ(log.done, (std::vector<long long>{0, 1, 2, 3, 4}));
    EXPECT_EQ(log.total, 5);
    EXPECT_EQ(renderedTimes.size(), 5u);

    for (long long stopAt : {0, 2, 4}) {
        StepLog stopping;
        stopping.stopAt = stopAt;
        renderedTimes.clear();
        EXPECT_FALSE(runSceneTo(fb, kRecordingScene, 0.11, 30, sceneClock(false, 0.0f, 0.11), audio, logStep,
                                &stopping));
        EXPECT_EQ(renderedTimes.size(), (size_t)stopAt) << stopAt;
    }
}
