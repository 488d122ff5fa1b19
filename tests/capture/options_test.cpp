// The capture tool's command line: what each option sets, and a clear one-line refusal of every
// malformed or misplaced one.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "tools/capture/options.h"

namespace {

ParseResult parse(std::vector<const char*> args) {
    args.insert(args.begin(), "davur_evi_capture");
    return parseOptions((int)args.size(), args.data());
}

}  // namespace

TEST(CaptureOptions, ShowDefaultsAreTheLiveWindowAtSixtyFramesToTheEnd) {
    const ParseResult r = parse({"--video", "show.mp4"});
    ASSERT_TRUE(r.ok) << r.error;
    const CaptureOptions& o = r.options;
    EXPECT_EQ(o.mode, CaptureMode::Show);
    EXPECT_EQ(o.fps, 60);
    EXPECT_EQ(o.width, 1920);
    EXPECT_EQ(o.height, 1080);
    EXPECT_EQ(o.from, 0.0);
    EXPECT_LT(o.to, 0.0);
    EXPECT_EQ(o.videoPath, "show.mp4");
    EXPECT_EQ(o.musicPath, std::string(kMusicPath));
    EXPECT_TRUE(o.keys.empty());
}

TEST(CaptureOptions, ShowRangeSizeRateAndRepeatedKeysInBothSpellings) {
    const ParseResult r = parse({"--png", "out", "--fps=30", "--size", "1280x720", "--from", "2.5", "--to=10",
                                 "--key", "12.5:SPACE", "--key", "3:v", "--key", "4:[", "--music", "x.ogg"});
    ASSERT_TRUE(r.ok) << r.error;
    const CaptureOptions& o = r.options;
    EXPECT_EQ(o.pngDir, "out");
    EXPECT_EQ(o.fps, 30);
    EXPECT_EQ(o.width, 1280);
    EXPECT_EQ(o.height, 720);
    EXPECT_EQ(o.from, 2.5);
    EXPECT_EQ(o.to, 10.0);
    EXPECT_EQ(o.musicPath, "x.ogg");
    ASSERT_EQ(o.keys.size(), 3u);
    EXPECT_EQ(o.keys[0].time, 12.5);
    EXPECT_EQ(o.keys[0].keys, (unsigned)KeySkip);
    EXPECT_EQ(o.keys[1].keys, (unsigned)KeyColorBoost);
    EXPECT_EQ(o.keys[2].keys, (unsigned)KeyTempoDown);
}

TEST(CaptureOptions, SceneWithGridBeatAndAudioGivesAValidRecordWhoseBandsFollowTheLevels) {
    const ParseResult r = parse({"--scene", "cube", "--time", "3.5", "--grid", "80x30", "--beat-pos", "7.25",
                                 "--audio", "level=0.4,bass=0.8,mid=0.5,treble=0.2,beat=1", "--png", "c.png",
                                 "--cells", "c.txt", "--fps", "30"});
    ASSERT_TRUE(r.ok) << r.error;
    const CaptureOptions& o = r.options;
    EXPECT_EQ(o.mode, CaptureMode::Scene);
    EXPECT_EQ(o.sceneName, "cube");
    EXPECT_EQ(o.sceneTime, 3.5);
    EXPECT_EQ(o.gridCols, 80);
    EXPECT_EQ(o.gridRows, 30);
    EXPECT_TRUE(o.beatPosGiven);
    EXPECT_EQ(o.beatPos, 7.25f);
    EXPECT_TRUE(o.audio.valid);
    EXPECT_EQ(o.audio.level, 0.4f);
    EXPECT_EQ(o.audio.beat, 1.0f);
    // The scenes read the summary levels; the bands agree with them as the analysis averages them
    EXPECT_EQ((o.audio.bands[0] + o.audio.bands[1]) * 0.5f, o.audio.bass);
    EXPECT_EQ(o.audio.bands[3], o.audio.mid);
    EXPECT_EQ(o.audio.bands[7], o.audio.treble);
    EXPECT_EQ(o.pngPath, "c.png");
    EXPECT_EQ(o.cellsPath, "c.txt");
    EXPECT_FALSE(o.sizeGiven);
}

TEST(CaptureOptions, SceneWithoutAudioHasTheInvalidAllZeroRecordAndPartialAudioLeavesTheRestZero) {
    ParseResult r = parse({"--scene", "mandelbrot", "--zoom", "-3", "--cells", "m.txt"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(r.options.audio.valid);
    EXPECT_EQ(r.options.audio.bass, 0.0f);
    EXPECT_EQ(r.options.sceneTime, 0.0);
    EXPECT_TRUE(r.options.zoomGiven);
    EXPECT_EQ(r.options.zoom, -3);

    r = parse({"--scene", "mandelbrot", "--audio", "beat=0.5", "--cells", "m.txt"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.options.audio.valid);
    EXPECT_EQ(r.options.audio.beat, 0.5f);
    EXPECT_EQ(r.options.audio.bass, 0.0f);
    EXPECT_EQ(r.options.audio.bands[0], 0.0f);
}

TEST(CaptureOptions, EdgesOfTheRangesAreAccepted) {
    EXPECT_TRUE(parse({"--png", "d", "--fps", "1", "--size", "16x16"}).ok);
    EXPECT_TRUE(parse({"--png", "d", "--fps", "240", "--size", "7680x4320"}).ok);
    EXPECT_TRUE(parse({"--scene", "cube", "--grid", "36x14", "--cells", "c"}).ok);
    EXPECT_TRUE(parse({"--scene", "cube", "--grid", "520x220", "--cells", "c"}).ok);
    EXPECT_TRUE(parse({"--scene", "cube", "--zoom", "7", "--cells", "c"}).ok);
    EXPECT_TRUE(parse({"--scene", "cube", "--audio", "bass=0,beat=1", "--cells", "c"}).ok);
}

TEST(CaptureOptions, EveryBadArgumentIsRefusedWithOneLine) {
    const std::vector<std::vector<const char*>> bad = {
        {},                                              // nothing to write
        {"--fps", "30"},                                 // still nothing to write
        {"--png"},                                       // missing value
        {"--png", "d", "--bogus", "1"},                  // unknown option
        {"--png", "d", "stray"},                         // positional argument
        {"--png", "d", "--png", "e"},                    // given twice
        {"--png", "d", "--fps", "0"},
        {"--png", "d", "--fps", "241"},
        {"--png", "d", "--fps", "30.5"},
        {"--png", "d", "--fps", "abc"},
        {"--png", "d", "--size", "1920"},
        {"--png", "d", "--size", "x"},
        {"--png", "d", "--size", "1920x"},
        {"--png", "d", "--size", "15x100"},
        {"--png", "d", "--size", "7681x100"},
        {"--png", "d", "--size", "-20x-20"},
        {"--png", "d", "--from", "-1"},
        {"--png", "d", "--from", "nan"},
        {"--png", "d", "--to", "inf"},
        {"--png", "d", "--from", "5", "--to", "5"},
        {"--png", "d", "--from", "5", "--to", "4"},
        {"--png", "d", "--key", "SPACE"},
        {"--png", "d", "--key", "1:"},
        {"--png", "d", "--key", ":SPACE"},
        {"--png", "d", "--key", "1:Q"},
        {"--png", "d", "--key", "-1:SPACE"},
        {"--png", "d", "--cells", "c"},                  // a scene option in show mode
        {"--png", "d", "--time", "1"},
        {"--scene", "nope", "--png", "p"},
        {"--scene", "cube"},                             // nothing to write
        {"--scene", "cube", "--png", "p", "--video", "v.mp4"},
        {"--scene", "cube", "--png", "p", "--key", "1:SPACE"},
        {"--scene", "cube", "--png", "p", "--grid", "80x30", "--zoom", "1"},
        {"--scene", "cube", "--png", "p", "--grid", "35x14"},
        {"--scene", "cube", "--png", "p", "--grid", "521x14"},
        {"--scene", "cube", "--png", "p", "--grid", "36x13"},
        {"--scene", "cube", "--png", "p", "--zoom", "8"},
        {"--scene", "cube", "--png", "p", "--time", "-0.5"},
        {"--scene", "cube", "--png", "p", "--beat-pos", "-1"},
        {"--scene", "cube", "--png", "p", "--audio", "bass"},
        {"--scene", "cube", "--png", "p", "--audio", "bass=2"},
        {"--scene", "cube", "--png", "p", "--audio", "bass=0.5,bass=0.1"},
        {"--scene", "cube", "--png", "p", "--audio", "loud=1"},
        {"--scene", "cube", "--png", "p", "--audio", "bass=nan"},
        {"--scene", "cube", "--png", "p", "--audio", ""},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const char* a : args) joined += std::string(a) + " ";
        const ParseResult r = parse(args);
        EXPECT_FALSE(r.ok) << joined;
        EXPECT_FALSE(r.error.empty()) << joined;
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << joined;
    }
}

TEST(CaptureOptions, HelpEndsTheReadingOfArguments) {
    const ParseResult r = parse({"--fps", "0", "--help"});
    // The bad --fps before it is refused first: arguments are read in order
    EXPECT_FALSE(r.ok);
    const ParseResult h = parse({"--help", "--fps", "0"});
    EXPECT_TRUE(h.ok);
    EXPECT_TRUE(h.options.help);
}

TEST(CaptureOptions, KeyNamesAreTheShowsKeysInAnyCase) {
    EXPECT_EQ(keyFromName("space"), (unsigned)KeySkip);
    EXPECT_EQ(keyFromName("F11"), (unsigned)KeyFullscreen);
    EXPECT_EQ(keyFromName("f3"), (unsigned)KeyRedrawAll);
    EXPECT_EQ(keyFromName("b"), (unsigned)KeyRestartBeats);
    EXPECT_EQ(keyFromName("]"), (unsigned)KeyTempoUp);
    EXPECT_EQ(keyFromName("right_bracket"), (unsigned)KeyTempoUp);
    EXPECT_EQ(keyFromName("-"), (unsigned)KeySmallerCells);
    EXPECT_EQ(keyFromName("KP_SUBTRACT"), (unsigned)KeySmallerCells);
    EXPECT_EQ(keyFromName("="), (unsigned)KeyLargerCells);
    EXPECT_EQ(keyFromName("kp_add"), (unsigned)KeyLargerCells);
    EXPECT_EQ(keyFromName(""), 0u);
    EXPECT_EQ(keyFromName("ESC"), 0u);  // Closing the window is not something a capture does
}
