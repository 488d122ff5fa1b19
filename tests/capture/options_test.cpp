// The capture tool's command line: what good command lines set, and a one-line refusal of every
// malformed or misplaced option.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/frame_loop.h"
#include "frontends/capture/options.h"

namespace {

typedef std::vector<const char*> Args;

ParseResult parse(Args args) {
    args.insert(args.begin(), "davur_evi_capture");
    return parseOptions((int)args.size(), args.data());
}

std::string joined(const Args& args) {
    std::string s;
    for (const char* a : args) s += std::string(a) + " ";
    return s;
}

CaptureOptions good(const Args& args) {
    const ParseResult r = parse(args);
    EXPECT_TRUE(r.ok) << joined(args) << ": " << r.error;
    return r.options;
}

}  // namespace

TEST(CaptureOptions, GoodCommandLinesSetWhatTheyName) {
    CaptureOptions o = good({"--video", "a/b.c/v.mov"});  // The live window at 60 frames to the end
    EXPECT_EQ(std::make_tuple(o.mode, o.fps, o.width, o.height, o.from),
              std::make_tuple(CaptureMode::Show, 60, 1920, 1080, 0.0));
    EXPECT_TRUE(o.to < 0.0 && !o.overwrite && !o.musicGiven && o.musicPath == kMusicPath);
    // Both spellings; --key repeats and its names ignore case
    o = good({"--png", "out", "--fps=30", "--size", "1280x720", "--from", ".5", "--to=10.", "--key", "12.5:space",
              "--key", "3:KP_SUBTRACT", "--music", "x.ogg", "--overwrite"});
    EXPECT_EQ(std::make_tuple(o.pngDir, o.fps, o.width, o.height, o.from, o.to),
              std::make_tuple("out", 30, 1280, 720, 0.5, 10.0));
    EXPECT_TRUE(o.overwrite && o.musicGiven && o.musicPath == "x.ogg");
    ASSERT_EQ(o.keys.size(), 2u);
    EXPECT_EQ(std::make_tuple(o.keys[0].time, o.keys[0].keys, o.keys[1].keys),
              std::make_tuple(12.5, (unsigned)KeySkip, (unsigned)KeySmallerCells));
    // The bands follow the summary levels as the analysis averages them; levels not named stay zero
    o = good({"--scene", "cube", "--time", "0003.5", "--grid", "80x30", "--beat-pos", "7.25", "--audio",
              "level=0.4,bass=0.8,mid=0.5,beat=1", "--png", "c.png", "--cells", "c.txt"});
    EXPECT_EQ(std::make_tuple(o.mode, o.sceneTime, o.gridCols, o.gridRows, o.beatPos, o.pngPath + o.cellsPath),
              std::make_tuple(CaptureMode::Scene, 3.5, 80, 30, 7.25f, std::string("c.pngc.txt")));
    EXPECT_TRUE(o.audio.valid);
    EXPECT_EQ(std::make_tuple(o.audio.level, o.audio.beat, o.audio.bands[1], o.audio.bands[4], o.audio.treble),
              std::make_tuple(0.4f, 1.0f, 0.8f, 0.5f, 0.0f));
    o = good({"--scene", "mandelbrot", "--zoom", "-0", "--cells", "m"});
    EXPECT_EQ(std::make_tuple(o.audio.valid, o.zoomGiven, o.zoom), std::make_tuple(false, true, 0));
    EXPECT_TRUE(good({"--help", "--fps", "0"}).help);
    o = good({"--version", "--fps", "0"});
    EXPECT_TRUE(o.version && !o.help);
    EXPECT_FALSE(good({"--png", "d"}).version);
    // The edges of the ranges
    for (const Args& args : std::vector<Args>{
             {"--png", "d", "--fps", "1", "--size", "16x16"}, {"--png", "d", "--fps", "240", "--size", "7680x4320"},
             {"--scene", "cube", "--grid", "36x14", "--cells", "c"},
             {"--scene", "cube", "--grid", "520x220", "--cells", "c"},
             {"--scene", "cube", "--zoom", "7", "--cells", "c"}, {"--scene", "cube", "--zoom", "-7", "--cells", "c"}}) {
        good(args);
    }
    EXPECT_EQ(keyFromName("F11") | keyFromName("right_bracket"), (unsigned)(KeyFullscreen | KeyTempoUp));
    // A music video: --track repeats, in order; the CPU draws it unless gl is asked for
    o = good({"--track", "a.flac", "--video", "v.mp4", "--track=b c.mp3", "--size", "1280x720"});
    EXPECT_EQ(std::make_tuple(o.mode, o.renderer, o.fps, o.width), std::make_tuple(CaptureMode::Tracks, Renderer::Cpu, 60, 1280));
    EXPECT_EQ(o.trackPaths, (std::vector<std::string>{"a.flac", "b c.mp3"}));
    EXPECT_EQ(good({"--renderer", "gl", "--track", "a.wav", "--png", "d"}).renderer, Renderer::Gl);
    EXPECT_EQ(good({"--video", "v.mp4"}).renderer, Renderer::Gl) << "the show keeps OpenGL";
}

TEST(CaptureOptions, EveryBadCommandLineIsRefusedWithOneLine) {
    std::vector<Args> bad = {
        {}, {"--png"}, {"--png", "d", "stray"}, {"--scene", "nope", "--png", "p"}, {"--scene", "cube"},
        {"--fps", "0", "--help"},  // Read in order: the bad value before --help
        {"--fps", "0", "--version"}, {"--versions"},
        {"--scene", "cube", "--png", "p", "--grid", "80x30", "--zoom", "1"},
        // Outputs: a container for H.264 and AAC, with a name
        {"--video", "song.ogg"}, {"--video", "v"}, {"--video", ".mp4"}, {"--video", "dir/.mp4"}, {"--video", "v.mp4/"},
    };
    // One option too many, out of range, or in the wrong mode; and one number parser for every
    // option: no hex, spaces, plus signs, exponents or words
    const std::vector<std::pair<const char*, const char*>> show = {
        {"--bogus", "1"}, {"--png", "e"}, {"--overwrite=yes", nullptr}, {"--music", ""}, {"--cells", "c"},
        {"--fps", "0"}, {"--fps", "241"}, {"--size", "15x100"}, {"--size", "7681x100"}, {"--to", "inf"},
        {"--key", ":SPACE"}, {"--key", "1:ESC"}, {"--key", "-1:SPACE"}, {"--key", "0x10:SPACE"}, {"--from", "0x10"},
        {"--fps", "0x10"}, {"--from", " 5"}, {"--from", "5 "}, {"--fps", "+30"}, {"--to", "+2"}, {"--fps", "30.0"},
        {"--to", "1e3"}, {"--to", "nan"}, {"--to", "."}, {"--to", "1.2.3"}, {"--to", "-"}, {"--size", "0x100x100"},
        {"--size", " 640x480"}, {"--to", "100000000000000000000000000000000000000"},
    }, scene = {
        {"--key", "1:SPACE"}, {"--grid", "35x14"}, {"--grid", "36x13"}, {"--grid", "80x 30"}, {"--zoom", "8"},
        {"--zoom", "- 1"}, {"--time", "-0.5"}, {"--time", "3601"}, {"--beat-pos", "-1"}, {"--audio", "bass=2"},
        {"--audio", ""}, {"--audio", "bass=0.5,bass=0.1"}, {"--audio", "bass=0x1"}, {"--audio", "bass= 1"},
    };
    for (const auto& o : show) {
        bad.push_back(o.second ? Args{"--png", "d", o.first, o.second} : Args{"--png", "d", o.first});
    }
    for (const auto& o : scene) bad.push_back({"--scene", "cube", "--png", "p", o.first, o.second});
    bad.push_back({"--png", "d", "--from", "5", "--to", "5"});
    // A music video takes files, one output at least, and none of the show's timing or music
    for (const Args& args : std::vector<Args>{{"--track", "a.wav"}, {"--track", "", "--video", "v.mp4"},
                                              {"--track", "a.wav", "--video", "v.mp4", "--music", "m.ogg"},
                                              {"--track", "a.wav", "--video", "v.mp4", "--key", "1:SPACE"},
                                              {"--track", "a.wav", "--video", "v.mp4", "--to", "5"},
                                              {"--track", "a.wav", "--scene", "cube", "--png", "p"},
                                              {"--track", "a.wav", "--png", "d", "--grid", "80x30"}}) {
        bad.push_back(args);
    }
    for (const Args& args : bad) {
        const ParseResult r = parse(args);
        EXPECT_FALSE(r.ok) << joined(args);
        EXPECT_FALSE(r.error.empty()) << joined(args);
        EXPECT_EQ(r.error.find('\n'), std::string::npos) << joined(args);
    }
}
