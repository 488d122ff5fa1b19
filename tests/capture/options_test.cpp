// The capture tool's command line: what good command lines set, and a one-line refusal of every
// malformed or misplaced option.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/frame_loop.h"
#include "tools/capture/options.h"

namespace {

ParseResult parse(std::vector<const char*> args) {
    args.insert(args.begin(), "davur_evi_capture");
    return parseOptions((int)args.size(), args.data());
}

std::string joined(const std::vector<const char*>& args) {
    std::string s;
    for (const char* a : args) s += std::string(a) + " ";
    return s;
}

}  // namespace

TEST(CaptureOptions, GoodCommandLinesSetWhatTheyName) {
    struct Good {
        std::vector<const char*> args;
        std::function<void(const CaptureOptions&)> check;
    };
    const std::vector<Good> good = {
        {{"--video", "show.mp4"},  // The live window at 60 frames to the end
         [](const CaptureOptions& o) {
             EXPECT_EQ(o.mode, CaptureMode::Show);
             EXPECT_EQ(o.fps, 60);
             EXPECT_EQ(std::make_pair(o.width, o.height), std::make_pair(1920, 1080));
             EXPECT_LT(o.to, 0.0);
             EXPECT_EQ(o.musicPath, std::string(kMusicPath));
         }},
        // Both spellings; --key repeats and its names ignore case
        {{"--png", "out", "--fps=30", "--size", "1280x720", "--from", "2.5", "--to=10", "--key", "12.5:space",
          "--key", "3:[", "--music", "x.ogg"},
         [](const CaptureOptions& o) {
             EXPECT_EQ(o.pngDir, "out");
             EXPECT_EQ(o.fps, 30);
             EXPECT_EQ(std::make_pair(o.width, o.height), std::make_pair(1280, 720));
             EXPECT_EQ(std::make_pair(o.from, o.to), std::make_pair(2.5, 10.0));
             EXPECT_EQ(o.musicPath, "x.ogg");
             ASSERT_EQ(o.keys.size(), 2u);
             EXPECT_EQ(o.keys[0].time, 12.5);
             EXPECT_EQ(o.keys[0].keys, (unsigned)KeySkip);
             EXPECT_EQ(o.keys[1].keys, (unsigned)KeyTempoDown);
         }},
        // The scenes read the summary levels; the bands agree with them as the analysis averages them
        {{"--scene", "cube", "--time", "3.5", "--grid", "80x30", "--beat-pos", "7.25", "--audio",
          "level=0.4,bass=0.8,mid=0.5,treble=0.2,beat=1", "--png", "c.png", "--cells", "c.txt"},
         [](const CaptureOptions& o) {
             EXPECT_EQ(o.mode, CaptureMode::Scene);
             EXPECT_EQ(o.sceneTime, 3.5);
             EXPECT_EQ(std::make_pair(o.gridCols, o.gridRows), std::make_pair(80, 30));
             EXPECT_TRUE(o.beatPosGiven);
             EXPECT_EQ(o.beatPos, 7.25f);
             EXPECT_TRUE(o.audio.valid);
             EXPECT_EQ(o.audio.level + o.audio.beat, 1.4f);
             EXPECT_EQ(o.audio.bands[1], 0.8f);
             EXPECT_EQ(o.audio.bands[2], 0.5f);
             EXPECT_EQ(o.audio.bands[4], 0.5f);
             EXPECT_EQ(o.audio.bands[5], 0.2f);
             EXPECT_EQ(o.pngPath + o.cellsPath, "c.pngc.txt");
         }},
        {{"--scene", "mandelbrot", "--zoom", "-7", "--cells", "m"},  // No --audio: the invalid record
         [](const CaptureOptions& o) {
             EXPECT_FALSE(o.audio.valid);
             EXPECT_TRUE(o.zoomGiven);
             EXPECT_EQ(o.zoom, -7);
         }},
        {{"--scene", "cube", "--audio", "beat=0.5", "--cells", "c"},  // The levels not named stay zero
         [](const CaptureOptions& o) {
             EXPECT_TRUE(o.audio.valid);
             EXPECT_EQ(o.audio.beat, 0.5f);
             EXPECT_EQ(o.audio.bass + o.audio.bands[0], 0.0f);
         }},
        // The edges of the ranges
        {{"--png", "d", "--fps", "1", "--size", "16x16"}, nullptr},
        {{"--png", "d", "--fps", "240", "--size", "7680x4320"}, nullptr},
        {{"--scene", "cube", "--grid", "36x14", "--cells", "c"}, nullptr},
        {{"--scene", "cube", "--grid", "520x220", "--cells", "c"}, nullptr},
        {{"--scene", "cube", "--zoom", "7", "--cells", "c"}, nullptr},
        {{"--help", "--fps", "0"}, [](const CaptureOptions& o) { EXPECT_TRUE(o.help); }},
        // Numbers: plain decimals, a fraction with or without digits before or after the point
        {{"--png", "d", "--from", ".5", "--to", "2."},
         [](const CaptureOptions& o) { EXPECT_EQ(std::make_pair(o.from, o.to), std::make_pair(0.5, 2.0)); }},
        {{"--scene", "cube", "--zoom", "-0", "--time", "0007.25", "--cells", "c"},
         [](const CaptureOptions& o) { EXPECT_EQ(std::make_pair(o.zoom, o.sceneTime), std::make_pair(0, 7.25)); }},
        // The flag takes no value; a --music named on the command line is marked as such
        {{"--video", "v.MKV", "--overwrite", "--music", "m.ogg"},
         [](const CaptureOptions& o) {
             EXPECT_TRUE(o.overwrite);
             EXPECT_TRUE(o.musicGiven);
         }},
        {{"--video", "a/b.c/v.mov"}, [](const CaptureOptions& o) { EXPECT_FALSE(o.overwrite || o.musicGiven); }},
    };
    for (const Good& g : good) {
        SCOPED_TRACE(joined(g.args));
        const ParseResult r = parse(g.args);
        ASSERT_TRUE(r.ok) << r.error;
        if (g.check != nullptr) g.check(r.options);
    }
}

TEST(CaptureOptions, EveryBadCommandLineIsRefusedWithOneLine) {
    const std::vector<std::vector<const char*>> bad = {
        {},                                 // Nothing to write
        {"--png"},                          // No value
        {"--png", "d", "--bogus", "1"},
        {"--png", "d", "stray"},
        {"--png", "d", "--png", "e"},       // Given twice
        {"--fps", "0", "--help"},           // Read in order: the bad value before --help
        {"--png", "d", "--fps", "0"},
        {"--png", "d", "--fps", "241"},
        {"--png", "d", "--size", "15x100"},
        {"--png", "d", "--size", "7681x100"},
        {"--png", "d", "--to", "inf"},
        {"--png", "d", "--from", "5", "--to", "5"},
        {"--png", "d", "--key", ":SPACE"},
        {"--png", "d", "--key", "1:ESC"},   // Closing the window is not something a capture does
        {"--png", "d", "--key", "-1:SPACE"},
        {"--png", "d", "--cells", "c"},     // A scene option in show mode
        {"--scene", "nope", "--png", "p"},
        {"--scene", "cube"},                // Nothing to write
        {"--scene", "cube", "--png", "p", "--key", "1:SPACE"},
        {"--scene", "cube", "--png", "p", "--grid", "80x30", "--zoom", "1"},
        {"--scene", "cube", "--png", "p", "--grid", "35x14"},
        {"--scene", "cube", "--png", "p", "--grid", "36x13"},
        {"--scene", "cube", "--png", "p", "--zoom", "8"},
        {"--scene", "cube", "--png", "p", "--time", "-0.5"},
        {"--scene", "cube", "--png", "p", "--beat-pos", "-1"},
        {"--scene", "cube", "--png", "p", "--audio", "bass=2"},
        {"--scene", "cube", "--png", "p", "--audio", "bass=0.5,bass=0.1"},
        {"--scene", "cube", "--png", "p", "--audio", ""},
        // One number parser for every option: no hex, spaces, signs of plus, exponents or words
        {"--png", "d", "--from", "0x10"},
        {"--png", "d", "--fps", "0x10"},
        {"--png", "d", "--from", " 5"},
        {"--png", "d", "--from", "5 "},
        {"--png", "d", "--fps", "+30"},
        {"--png", "d", "--fps", "30.0"},      // A whole number
        {"--png", "d", "--to", "1e3"},
        {"--png", "d", "--to", "nan"},
        {"--png", "d", "--to", "."},
        {"--png", "d", "--to", "1.2.3"},
        {"--png", "d", "--to", "-"},
        {"--png", "d", "--to", "100000000000000000000000000000000000000"},
        {"--png", "d", "--key", "0x10:SPACE"},
        {"--png", "d", "--size", "0x100x100"},
        {"--png", "d", "--size", " 640x480"},
        {"--scene", "cube", "--png", "p", "--zoom", "- 1"},
        {"--scene", "cube", "--png", "p", "--grid", "80x 30"},
        {"--scene", "cube", "--png", "p", "--audio", "bass=0x1"},
        {"--scene", "cube", "--png", "p", "--audio", "bass= 1"},
        {"--scene", "cube", "--png", "p", "--time", "3601"},
        // Outputs
        {"--video", "song.ogg"},              // Not a container for H.264 and AAC
        {"--video", "v"},
        {"--video", ".mp4"},
        {"--video", "dir/.mp4"},
        {"--video", "v.mp4/"},
        {"--png", "d", "--overwrite=yes"},
        {"--png", "d", "--music", ""},
    };
    for (const auto& args : bad) {
        const ParseResult r = parse(args);
        EXPECT_FALSE(r.ok) << joined(args);
        EXPECT_FALSE(r.error.empty()) << joined(args);
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << joined(args);
    }
}

TEST(CaptureOptions, KeyNamesAreTheShowsKeysInAnyCase) {
    EXPECT_EQ(keyFromName("F11"), (unsigned)KeyFullscreen);
    EXPECT_EQ(keyFromName("f3"), (unsigned)KeyRedrawAll);
    EXPECT_EQ(keyFromName("v"), (unsigned)KeyColorBoost);
    EXPECT_EQ(keyFromName("b"), (unsigned)KeyRestartBeats);
    EXPECT_EQ(keyFromName("right_bracket"), (unsigned)KeyTempoUp);
    EXPECT_EQ(keyFromName("KP_SUBTRACT"), (unsigned)KeySmallerCells);
    EXPECT_EQ(keyFromName("="), (unsigned)KeyLargerCells);
    EXPECT_EQ(keyFromName(""), 0u);
}
