// davur_evi_capture end to end: the program itself is run on short ranges and small sizes and its
// PNG files, cell dumps and videos are read back; the closing screen is captured in this process
// through the same platform, where the show's state can be seen beside the picture.
#include <gtest/gtest.h>

#include <sys/wait.h>  // Required for: WIFEXITED(), WEXITSTATUS()
#include <unistd.h>    // Required for: mkdtemp()

#include <algorithm>  // Required for: std::count()
#include <cmath>
#include <cstdio>
#include <cstdlib>  // Required for: system()
#include <cstring>  // Required for: memcpy()
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/outro.h"
#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"
#include "tools/capture/cell_dump.h"
#include "tools/capture/process.h"
#include "tools/capture/scene_run.h"
#include "tools/capture/show_capture.h"

namespace {

const std::string kTool = DAVUR_EVI_CAPTURE;
constexpr const char* kTrack = "assets/audio/output.ogg";  // The tests run from the repository root
constexpr Color kWindowClear = {5, 7, 12, 255};

class WindowEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        SetTraceLogLevel(LOG_NONE);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(64, 64, "davur_evi capture tests");
    }
    void TearDown() override { CloseWindow(); }
};
const auto* const kWindow = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/davur_evi_capture_test.XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return "'" + path + "/" + name + "'"; }
    std::string at(const std::string& name) const { return path + "/" + name; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The standard output of a shell command.
std::string outputOf(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    char buf[4096];
    for (size_t n; p != nullptr && (n = fread(buf, 1, sizeof(buf), p)) > 0;) out.append(buf, n);
    if (p != nullptr) pclose(p);
    return out;
}

struct ToolRun {
    int status;  // -1 when it did not exit (a crash)
    std::string err;
};

// Runs the tool with these arguments (and an optional environment prefix) through the shell.
ToolRun runTool(const std::string& args, const std::string& env = "") {
    TempDir dir;
    const int rc = system((env + " '" + kTool + "' " + args + " 2>" + (dir / "err") + " >/dev/null").c_str());
    return ToolRun{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readFile(dir.at("err"))};
}

Color pixelOf(const std::vector<unsigned char>& rgba, int width, int x, int y) {
    const unsigned char* p = &rgba[((size_t)y * (size_t)width + (size_t)x) * 4];
    return Color{p[0], p[1], p[2], p[3]};
}

bool near(Color a, Color b, int tolerance) {
    return abs(a.r - b.r) <= tolerance && abs(a.g - b.g) <= tolerance && abs(a.b - b.b) <= tolerance;
}

// A texel over the window's clear colour, then under a black overlay of this alpha.
Color seen(Color texel, int overlayAlpha) {
    const float a = (float)texel.a / 255.0f, keep = 1.0f - (float)overlayAlpha / 255.0f;
    auto channel = [&](int t, int c) { return (unsigned char)lroundf(lroundf(t * a + c * (1.0f - a)) * keep); };
    return Color{channel(texel.r, kWindowClear.r), channel(texel.g, kWindowClear.g), channel(texel.b, kWindowClear.b),
                 255};
}

}  // namespace

TEST(CaptureTool, BadArgumentsAndFailuresEndInOneLineAndANonZeroStatus) {
    TempDir dir;
    const struct {
        std::string args, env;
        int status;
    } cases[] = {
        {"--fps 0 --png " + (dir / "f"), "", 2},
        {"--scene cube --grid 10x10 --png x.png", "", 2},
        {"--video " + (dir / "v.mp4") + " --to 1", "PATH=/nonexistent", 1},  // No ffmpeg: nothing drawn
        {"--video " + (dir / "v.mp4") + " --size 321x180 --to 1", "", 1},    // H.264 wants even sides
        {"--scene cube --png /nonexistent/dir/cube.png", "", 1},
        {"--png " + (dir / "late") + " --from 200 --fps 1", "", 1},          // After the end of the show
        {"--png " + (dir / "narrow") + " --from 1.001 --to 1.002", "", 1},   // Between two frames
        {"--scene cube --png " + (dir / "c.png"), "env -u DISPLAY -u WAYLAND_DISPLAY", 1},
    };
    for (const auto& c : cases) {
        const ToolRun r = runTool(c.args, c.env);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.rfind("davur_evi_capture: ", 0), 0u) << c.args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.at("v.mp4")));
    EXPECT_EQ(runTool("--help").status, 0);
}

// Every scene: the dump is the grid the scene writes when it is run from scene time 0 at the
// capture's frame rate, and the PNG is its render texture.
TEST(SceneMode, TheCellDumpAndPictureOfEverySceneAreWhatTheSceneWrites) {
    AudioFeatures audio;
    audio.valid = true;
    audio.level = 0.5f;
    audio.bass = audio.bands[0] = audio.bands[1] = 0.6f;
    audio.mid = audio.bands[2] = audio.bands[3] = audio.bands[4] = 0.4f;
    audio.treble = audio.bands[5] = audio.bands[6] = audio.bands[7] = 0.3f;
    audio.beat = 0.7f;
    TempDir dir;
    const SceneTable table = sceneTable();
    for (int s = 0; s < table.count; ++s) {
        const SceneDesc& scene = table.rows[s];
        const ToolRun r = runTool(std::string("--scene ") + scene.name + " --time 0.8 --fps 30 --grid 60x20" +
                                  " --beat-pos 5.5 --audio level=0.5,bass=0.6,mid=0.4,treble=0.3,beat=0.7" +
                                  " --cells " + (dir / "c.txt") + " --png " + (dir / "c.png"));
        ASSERT_EQ(r.status, 0) << scene.name << ": " << r.err;

        AsciiFramebuffer fb(60, 20, 10, 18);
        fb.colorBoost = true;
        runSceneTo(fb, scene, 0.8, 30, sceneClock(true, 5.5f, 0.8), audio);
        std::string cells;
        for (int y = 0; y < fb.rows; ++y) {
            for (int x = 0; x < fb.cols; ++x) cells += cellLine(x, y, fb.at(x, y)) + "\n";
        }
        EXPECT_EQ(readFile(dir.at("c.txt")), cells) << scene.name;

        redraw(fb, true);
        Image texture = LoadImageFromTexture(fb.target.texture);
        ImageFlipVertical(&texture);
        Image picture = LoadImage(dir.at("c.png").c_str());
        ImageFormat(&picture, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
        ASSERT_EQ(std::make_pair(picture.width, picture.height), std::make_pair(600, 360)) << scene.name;
        int off = 0;
        for (int i = 0; i < 600 * 360; ++i) {
            off += !near(GetImageColor(picture, i % 600, i / 600), GetImageColor(texture, i % 600, i / 600), 0);
        }
        EXPECT_EQ(off, 0) << scene.name;
        UnloadImage(picture);
        UnloadImage(texture);
    }
}

TEST(SceneMode, AStatefulSceneIsRunUpToItsTimeNotDrawnOnceAtIt) {
    TempDir dir;
    ASSERT_EQ(runTool("--scene dual_fluid --time 1.5 --fps 30 --zoom -2 --cells " + (dir / "a")).status, 0);
    ASSERT_EQ(runTool("--scene dual_fluid --time 1.5 --fps 1 --zoom -2 --cells " + (dir / "b")).status, 0);
    // 83 x 29 cells at zoom -2; two frames instead of 46 leave the fluid elsewhere
    const std::string a = readFile(dir.at("a"));
    EXPECT_EQ(std::count(a.begin(), a.end(), '\n'), 83 * 29);
    EXPECT_NE(a, readFile(dir.at("b")));
}

TEST(SceneMode, WithASizeThePictureIsTheWindowsViewLetterboxed) {
    TempDir dir;
    ASSERT_EQ(runTool("--scene plasma_storm --time 2 --size 400x400 --png " + (dir / "p.png")).status, 0);
    Image p = LoadImage(dir.at("p.png").c_str());
    ASSERT_EQ(std::make_pair(p.width, p.height), std::make_pair(400, 400));
    // 1200 x 756 fitted into 400 x 400: rows 74..325 hold the picture, the rest is the clear colour
    EXPECT_EQ(presentRect(1200, 756, 400, 400, 1.0f).y, 74.0f);
    EXPECT_TRUE(near(GetImageColor(p, 200, 73), kWindowClear, 0));
    EXPECT_TRUE(near(GetImageColor(p, 5, 326), kWindowClear, 0));
    int lit = 0;
    for (int x = 0; x < 400; x += 8) lit += !near(GetImageColor(p, x, 200), kWindowClear, 2);
    EXPECT_GT(lit, 25);
    UnloadImage(p);
}

TEST(ShowMode, TwoCapturesOfTheSameRangeAreByteIdenticalAndNumberedByShowFrame) {
    TempDir dir;
    const std::string args = " --from 7 --to 7.5 --fps 20 --size 320x180 --key 7.2:SPACE";
    ASSERT_EQ(runTool("--png " + (dir / "a") + args).status, 0);
    ASSERT_EQ(runTool("--png " + (dir / "b") + args).status, 0);
    for (int frame = 139; frame <= 150; ++frame) {
        const std::string name = "/frame_000" + std::to_string(frame) + ".png";
        const std::string a = readFile(dir.at("a") + name);
        EXPECT_EQ(a.empty(), frame == 139 || frame == 150) << name;
        EXPECT_EQ(a, readFile(dir.at("b") + name)) << name;
    }
    // The skip at 7.2 s starts a transition: the view flies in, so the frames differ from each other
    EXPECT_NE(readFile(dir.at("a/frame_000143.png")), readFile(dir.at("a/frame_000149.png")));
}

// Frame count, size, duration and both streams as ffprobe reads them; the sound is the track at
// the range's place in the show, at full volume.
TEST(ShowMode, AShortVideoHasItsFramesSizeDurationAndTheTrackInSync) {
    const std::string ffprobe = findProgram("ffprobe"), ffmpeg = findProgram("ffmpeg");
    if (ffprobe.empty() || ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    const std::string video = dir / "v.mp4";
    ASSERT_EQ(runTool("--video " + video + " --from 6 --to 7.5 --fps 30 --size 320x180").status, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.at("v.mp4.part")));
    const std::string probe = "'" + ffprobe + "' -v error -count_frames -of csv=p=0 -show_entries stream=";
    EXPECT_EQ(outputOf(probe + "codec_name,width,height,nb_read_frames -select_streams v " + video),
              "h264,320,180,45\n");
    EXPECT_NEAR(atof(outputOf(probe + "duration -select_streams v " + video).c_str()), 1.5, 0.001);
    EXPECT_EQ(outputOf(probe + "codec_name,sample_rate -select_streams a " + video), "aac,44100\n");
    EXPECT_NEAR(atof(outputOf(probe + "duration -select_streams a " + video).c_str()), 1.5, 0.03);

    // The decoded sound against the track from 6.0 s, across the second where the sound is handed
    // to the muxer in two pieces: the same signal but for the coding, and as loud
    const std::string pcm = outputOf("'" + ffmpeg + "' -v error -i " + video + " -map 0:a -f f32le -");
    std::vector<float> sound(pcm.size() / 4);
    memcpy(sound.data(), pcm.data(), sound.size() * 4);
    Wave wave = LoadWave(kTrack);
    ASSERT_TRUE(IsWaveValid(wave));
    WaveFormat(&wave, 44100, 32, 2);  // Interleaved stereo floats, as ffmpeg gives them
    const float* track = (const float*)wave.data;
    constexpr int kStart = 2 * (44100 - 8192), kLength = 2 * 16384;
    ASSERT_GT(sound.size(), (size_t)(kStart + kLength));
    double dot = 0.0, energy = 0.0, trackEnergy = 0.0;
    for (int i = kStart; i < kStart + kLength; ++i) {
        const double a = sound[i], b = track[2 * 6 * 44100 + i];
        dot += a * b;
        energy += a * a;
        trackEnergy += b * b;
    }
    UnloadWave(wave);
    EXPECT_NEAR(sqrt(energy / trackEnergy), 1.0, 0.1);
    EXPECT_GT(dot / sqrt(energy * trackEnergy), 0.95);
}

// The closing screen as captured: its text, the picture under the black fade overlay, the music
// fading with it, then pure black frames.
TEST(ShowMode, TheClosingScreenFadesToBlackAndStaysBlack) {
    CaptureOptions o;
    o.fps = 10;
    o.width = 1200;  // The texture of 120 x 42 cells at one pixel per pixel
    o.height = 756;
    o.musicPath = kTrack;
    for (int i = 0; i < 11; ++i) o.keys.push_back({0.5 + 1.5 * i, KeySkip});
    ShowCapture cap;
    openShowCapture(cap, o);
    const Platform platform = capturePlatform(cap);
    Show show;
    startShow(show, platform);
    while (show.mode == ShowMode::Show && cap.frame < 1000) runCapturedFrame(cap, show, platform, false);
    ASSERT_EQ(show.mode, ShowMode::Outro);

    int outroFrames = 0;
    for (; show.mode == ShowMode::Outro; ++outroFrames) {
        const float fade = outroFade(frameTime(cap.frame, o.fps), show.timeline.outroStart);
        runCapturedFrame(cap, show, platform, true);
        const int alpha = (int)(fade * 255.0f);
        // The music plays at the fade's volume and stops when it ends
        EXPECT_NEAR(cap.frameGains.back(), show.mode == ShowMode::Finished ? 0.0f : 1.0f - fade, 1e-6f);

        // Every third pixel: the grid's texture over the clear colour, under the overlay
        Image texture = LoadImageFromTexture(show.fb->target.texture);
        ImageFlipVertical(&texture);
        ASSERT_EQ(std::make_pair(texture.width, texture.height), std::make_pair(o.width, o.height));
        int off = 0;
        for (int y = 0; y < o.height; y += 3) {
            for (int x = 0; x < o.width; x += 3) {
                off += !near(pixelOf(cap.pixels, o.width, x, y), seen(GetImageColor(texture, x, y), alpha), 2);
            }
        }
        UnloadImage(texture);
        EXPECT_EQ(off, 0) << "fade " << fade;

        // The text in row 21 from column 51, in its fading colour; and in the picture the H, whose
        // straight strokes cover whole pixels, brightest in that colour (boosted as every cell is)
        const Color fg = outroTextColor(fade, show.audio.beat);
        for (int i = 0; i < 19; ++i) {
            const Cell& c = show.fb->at(51 + i, 21);
            EXPECT_EQ(c.codepoint, (uint32_t) "THANKS FOR WATCHING"[i]) << i;
            EXPECT_TRUE(near(c.fg, fg, 0)) << i;
        }
        Color brightest = {0, 0, 0, 255};
        for (int y = 21 * 18; y < 22 * 18; ++y) {
            for (int x = 52 * 10; x < 53 * 10; ++x) {
                const Color p = pixelOf(cap.pixels, o.width, x, y);
                if (p.g > brightest.g) brightest = p;
            }
        }
        EXPECT_TRUE(near(brightest, seen(boostColor(fg, false), alpha), 3)) << "fade " << fade;
    }
    // 8.5 s at 10 frames a second, then frames of pure black and silence
    EXPECT_EQ(outroFrames, 85);
    EXPECT_EQ(cap.frame, showFrameCount(o.fps, o.keys));
    for (int i = 0; i < 3; ++i) {
        if (i > 0) runCapturedFrame(cap, show, platform, true);
        int lit = 0;
        for (size_t p = 0; p < cap.pixels.size(); p += 4) lit += cap.pixels[p] | cap.pixels[p + 1] | cap.pixels[p + 2];
        EXPECT_EQ(lit, 0) << "frame " << cap.frame;
        EXPECT_EQ(cap.frameGains.back(), 0.0f);
    }
    unload(show.music);
    show.fb.reset();
    closeShowCapture(cap);
}
