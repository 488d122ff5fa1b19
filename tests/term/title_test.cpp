// The terminal title while the effects play to music of the viewer's own.
#include <gtest/gtest.h>

#include <string>

#include "frontends/terminal/term_platform.h"

namespace {

VisualizerStatus playing(const char* title, float bpm, const char* effect) {
    VisualizerStatus s;
    s.kind = SourceKind::File;
    s.title = title;
    s.bpm = bpm;
    s.effect = effect;
    return s;
}

TEST(TermTitle, TitleTempoAndEffect) {
    EXPECT_EQ(visualizerTitle(playing("First Light", 124.6f, "plasma_storm"), 10.0f, false),
              "davur_evi: First Light - 125 bpm - plasma_storm");
    // No tempo yet: none shown, rather than 0
    EXPECT_EQ(visualizerTitle(playing("02 second", 0.0f, "cube"), 10.0f, false), "davur_evi: 02 second - cube");
    VisualizerStatus paused = playing("First Light", 90.0f, "cube");
    paused.paused = true;
    EXPECT_EQ(visualizerTitle(paused, 10.0f, false), "davur_evi: First Light - 90 bpm - cube - paused");
    // Listening while the sound server is away
    VisualizerStatus live = playing("the system's sound", 0.0f, "cube");
    live.kind = SourceKind::Live;
    EXPECT_EQ(visualizerTitle(live, 10.0f, true), "davur_evi: the system's sound (sound server gone) - cube");
    // The closing screen and after: the program's name alone
    VisualizerStatus closing = playing("First Light", 125.0f, "cube");
    closing.mode = VisualizerMode::Closing;
    EXPECT_EQ(visualizerTitle(closing, 10.0f, false), "davur_evi");
}

// A skipped file and its reason stand in the title for a few seconds from the skip, then the file
// playing comes back.
TEST(TermTitle, ASkippedFileForAFewSeconds) {
    VisualizerStatus s = playing("Third Wave", 125.0f, "cube");
    s.skipped = "03 notes.mp3: not a sound file";
    s.skippedAt = 20.0f;
    EXPECT_EQ(visualizerTitle(s, 20.0f, false), "davur_evi: skipped 03 notes.mp3: not a sound file");
    EXPECT_EQ(visualizerTitle(s, 20.0f + kSkippedTitleSeconds - 0.1f, false),
              "davur_evi: skipped 03 notes.mp3: not a sound file");
    EXPECT_EQ(visualizerTitle(s, 20.0f + kSkippedTitleSeconds, false), "davur_evi: Third Wave - 125 bpm - cube");
}

}  // namespace
