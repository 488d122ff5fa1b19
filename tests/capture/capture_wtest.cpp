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
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/outro.h"
#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"
#include "tools/capture/process.h"
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
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ToolRun {
    int status;
    std::string err;  // What it printed on stderr
};

// Runs the tool with these arguments (and an optional environment prefix) through the shell.
ToolRun runTool(const std::string& args, const std::string& env = "") {
    TempDir dir;
    const std::string command = env + " '" + kTool + "' " + args + " 2>'" + (dir / "err") + "' >/dev/null";
    const int rc = system(command.c_str());
    return ToolRun{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readFile(dir / "err")};
}

// The standard output of a shell command.
std::string outputOf(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

bool oneErrorLine(const ToolRun& r) {
    return r.err.rfind("davur_evi_capture: ", 0) == 0 && r.err.find('\n') == r.err.size() - 1;
}

// A PNG read back as RGBA.
struct Picture {
    Image image;
    explicit Picture(const std::string& path) : image(LoadImage(path.c_str())) {
        if (image.data != nullptr) ImageFormat(&image, PIXELFORMAT_UNCOMPRESSED_R8G8B8A8);
    }
    ~Picture() { UnloadImage(image); }
    Color at(int x, int y) const { return GetImageColor(image, x, y); }
};

Color pixelOf(const std::vector<unsigned char>& rgba, int width, int x, int y) {
    const unsigned char* p = &rgba[((size_t)y * (size_t)width + (size_t)x) * 4];
    return Color{p[0], p[1], p[2], p[3]};
}

bool near(Color a, Color b, int tolerance) {
    return abs(a.r - b.r) <= tolerance && abs(a.g - b.g) <= tolerance && abs(a.b - b.b) <= tolerance;
}

// A texel drawn over the clear colour, as the window blends it.
Color over(Color clear, Color texel) {
    const float a = (float)texel.a / 255.0f;
    return Color{(unsigned char)lroundf(texel.r * a + clear.r * (1.0f - a)),
                 (unsigned char)lroundf(texel.g * a + clear.g * (1.0f - a)),
                 (unsigned char)lroundf(texel.b * a + clear.b * (1.0f - a)), 255};
}

// What a black overlay of this alpha leaves of a colour.
Color darkened(Color c, int alpha) {
    const float keep = 1.0f - (float)alpha / 255.0f;
    return Color{(unsigned char)lroundf(c.r * keep), (unsigned char)lroundf(c.g * keep),
                 (unsigned char)lroundf(c.b * keep), 255};
}

struct DumpedCell {
    int x, y;
    unsigned codepoint;
    Color fg, bg;
};

std::vector<DumpedCell> readDump(const std::string& path) {
    std::vector<DumpedCell> cells;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        DumpedCell c{};
        unsigned v[8];
        if (sscanf(line.c_str(), "%d %d %u %u,%u,%u,%u %u,%u,%u,%u", &c.x, &c.y, &c.codepoint, &v[0], &v[1], &v[2],
                   &v[3], &v[4], &v[5], &v[6], &v[7]) != 11) {
            ADD_FAILURE() << "bad line: " << line;
            break;
        }
        c.fg = Color{(unsigned char)v[0], (unsigned char)v[1], (unsigned char)v[2], (unsigned char)v[3]};
        c.bg = Color{(unsigned char)v[4], (unsigned char)v[5], (unsigned char)v[6], (unsigned char)v[7]};
        cells.push_back(c);
    }
    return cells;
}

bool sameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

}  // namespace

// --- The command line -----------------------------------------------------------------------

TEST(CaptureTool, BadArgumentsAndMissingToolsEndInOneLineAndANonZeroStatus) {
    TempDir dir;
    ToolRun r = runTool("--fps 0 --png '" + (dir / "f") + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;

    r = runTool("--scene cube --grid 10x10 --png x.png");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;

    // No ffmpeg on the PATH: refused before anything is drawn, and nothing is written
    r = runTool("--video '" + (dir / "v.mp4") + "' --to 1", "PATH=/nonexistent");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;
    EXPECT_NE(r.err.find("ffmpeg"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "v.mp4"));

    r = runTool("--video '" + (dir / "v.mp4") + "' --size 321x180 --to 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;

    // Outputs that cannot be written, and a range after the end of the show
    r = runTool("--scene cube --png /nonexistent/dir/cube.png");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;
    r = runTool("--png '" + (dir / "late") + "' --from 200 --fps 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;
    r = runTool("--png '" + (dir / "narrow") + "' --from 1.001 --to 1.002");  // Between two frames
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;

    // No display at all
    r = runTool("--scene cube --png '" + (dir / "c.png") + "'", "env -u DISPLAY -u WAYLAND_DISPLAY");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(oneErrorLine(r)) << r.err;

    EXPECT_EQ(runTool("--help").status, 0);
}

// --- Scene mode -----------------------------------------------------------------------------

// Every scene, with state or without: the dump is the grid the scene writes when it is run from
// scene time 0 at the capture's frame rate, and the PNG is its render texture.
TEST(SceneMode, TheCellDumpAndPictureOfEverySceneAreWhatTheSceneWrites) {
    constexpr int kCols = 60, kRows = 20, kFps = 30;
    constexpr double kTime = 0.8;
    constexpr float kBeatPos = 5.5f;
    AudioFeatures audio;
    audio.valid = true;
    audio.level = 0.5f;
    audio.bass = 0.6f;
    audio.mid = 0.4f;
    audio.treble = 0.3f;
    audio.beat = 0.7f;
    for (int b = 0; b < 8; ++b) audio.bands[b] = b < 2 ? audio.bass : (b < 5 ? audio.mid : audio.treble);

    TempDir dir;
    const SceneTable table = sceneTable();
    for (int s = 0; s < table.count; ++s) {
        const SceneDesc& scene = table.rows[s];
        const std::string cells = dir / (std::string(scene.name) + ".txt");
        const std::string png = dir / (std::string(scene.name) + ".png");
        const ToolRun r = runTool(std::string("--scene ") + scene.name + " --time 0.8 --fps 30 --grid 60x20 --beat-pos 5.5" +
                              " --audio level=0.5,bass=0.6,mid=0.4,treble=0.3,beat=0.7 --cells '" + cells +
                              "' --png '" + png + "'");
        ASSERT_EQ(r.status, 0) << scene.name << ": " << r.err;

        // The same run here: frames at k/30 before 0.8, then 0.8, the clock reading 5.5 beats at 0.8
        AsciiFramebuffer fb(kCols, kRows, 10, 18);
        fb.colorBoost = true;
        TempoClock clock = makeTempoClock(TempoConfig{125.0f, 4, 4, 16});
        clock.anchorTime = (float)kTime;
        clock.anchorBeats = kBeatPos;
        std::vector<float> times;
        for (int k = 0; k * 1.0 / kFps < kTime - 1e-9; ++k) times.push_back((float)(k * 1.0 / kFps));
        times.push_back((float)kTime);
        for (float t : times) {
            const BeatInfo beat = update(clock, t);
            fb.clear(kSceneBackground);
            scene.render(fb, t, kSceneBackground, &beat, &audio);
        }

        const std::vector<DumpedCell> dump = readDump(cells);
        ASSERT_EQ(dump.size(), (size_t)(kCols * kRows)) << scene.name;
        int differing = 0;
        for (size_t i = 0; i < dump.size(); ++i) {
            const DumpedCell& d = dump[i];
            ASSERT_EQ(d.x, (int)i % kCols);
            ASSERT_EQ(d.y, (int)i / kCols);
            const Cell& c = fb.at(d.x, d.y);
            if (d.codepoint != c.codepoint || !sameColor(d.fg, c.fg) || !sameColor(d.bg, c.bg)) ++differing;
        }
        EXPECT_EQ(differing, 0) << scene.name;

        redraw(fb, true);
        Image texture = LoadImageFromTexture(fb.target.texture);
        ImageFlipVertical(&texture);
        const Picture picture(png);
        ASSERT_EQ(picture.image.width, kCols * 10) << scene.name;
        ASSERT_EQ(picture.image.height, kRows * 18) << scene.name;
        int off = 0;
        for (int y = 0; y < picture.image.height; ++y) {
            for (int x = 0; x < picture.image.width; ++x) off += !near(picture.at(x, y), GetImageColor(texture, x, y), 0);
        }
        UnloadImage(texture);
        EXPECT_EQ(off, 0) << scene.name;
    }
}

TEST(SceneMode, AStatefulSceneIsRunUpToItsTimeNotDrawnOnceAtIt) {
    TempDir dir;
    const ToolRun warm = runTool("--scene dual_fluid --time 1.5 --fps 30 --zoom -2 --cells '" + (dir / "a.txt") + "'");
    const ToolRun cold = runTool("--scene dual_fluid --time 1.5 --fps 1 --zoom -2 --cells '" + (dir / "b.txt") + "'");
    ASSERT_EQ(warm.status, 0) << warm.err;
    ASSERT_EQ(cold.status, 0) << cold.err;
    // 83 x 29 cells at zoom -2; two frames instead of 46 leave the fluid elsewhere
    const std::string a = readFile(dir / "a.txt"), b = readFile(dir / "b.txt");
    EXPECT_EQ(std::count(a.begin(), a.end(), '\n'), 83 * 29);
    EXPECT_NE(a, b);
}

TEST(SceneMode, WithASizeThePictureIsTheWindowsViewLetterboxed) {
    TempDir dir;
    const ToolRun r = runTool("--scene plasma_storm --time 2 --size 400x400 --png '" + (dir / "p.png") + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const Picture p(dir / "p.png");
    ASSERT_EQ(p.image.width, 400);
    ASSERT_EQ(p.image.height, 400);
    // 1200 x 756 fitted into 400 x 400: rows 74..325 hold the picture, the rest is the clear colour
    const Rectangle r2 = presentRect(1200, 756, 400, 400, 1.0f);
    EXPECT_EQ(r2.y, 74.0f);
    EXPECT_TRUE(near(p.at(200, 10), kWindowClear, 0));
    EXPECT_TRUE(near(p.at(200, 73), kWindowClear, 0));
    EXPECT_TRUE(near(p.at(5, 399), kWindowClear, 0));
    int lit = 0;
    for (int x = 0; x < 400; x += 8) lit += !near(p.at(x, 200), kWindowClear, 2);
    EXPECT_GT(lit, 25);
}

// --- Show mode ------------------------------------------------------------------------------

TEST(ShowMode, TwoCapturesOfTheSameRangeAreByteIdenticalAndNumberedByShowFrame) {
    TempDir dir;
    const std::string args = " --from 7 --to 7.5 --fps 20 --size 320x180 --key 7.2:SPACE";
    const ToolRun a = runTool("--png '" + (dir / "a") + "'" + args);
    const ToolRun b = runTool("--png '" + (dir / "b") + "'" + args);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    int files = 0;
    for (int frame = 140; frame < 150; ++frame) {
        char name[32];
        snprintf(name, sizeof(name), "/frame_%06d.png", frame);
        const std::string pa = readFile(dir.path + "/a" + name), pb = readFile(dir.path + "/b" + name);
        ASSERT_FALSE(pa.empty()) << name;
        EXPECT_EQ(pa, pb) << name;
        ++files;
    }
    EXPECT_EQ(files, 10);
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/a/frame_000139.png"));
    EXPECT_FALSE(std::filesystem::exists(dir.path + "/a/frame_000150.png"));
    // The skip at 7.2 s starts a transition: the view flies in, so the frames differ from each other
    EXPECT_NE(readFile(dir.path + "/a/frame_000143.png"), readFile(dir.path + "/a/frame_000149.png"));
}

// Frame count, size, duration and both streams as ffprobe reads them; the sound is the track at
// the range's place in the show, to the sample.
TEST(ShowMode, AShortVideoHasItsFramesSizeDurationAndTheTrackInSync) {
    const std::string ffprobe = findProgram("ffprobe");
    const std::string ffmpeg = findProgram("ffmpeg");
    if (ffprobe.empty() || ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    const std::string video = dir / "v.mp4";
    const ToolRun r = runTool("--video '" + video + "' --from 6 --to 7.5 --fps 30 --size 320x180");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(video + ".part"));

    std::map<std::string, std::string> v, a;
    const std::string probe = "'" + ffprobe + "' -v error -count_frames -show_entries " +
                              "stream=codec_name,width,height,nb_read_frames,sample_rate,duration " +
                              "-of default=noprint_wrappers=1 -select_streams ";
    std::istringstream vs(outputOf(probe + "v '" + video + "'")), as(outputOf(probe + "a '" + video + "'"));
    for (std::string line; std::getline(vs, line);) v[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    for (std::string line; std::getline(as, line);) a[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
    EXPECT_EQ(v["codec_name"], "h264");
    EXPECT_EQ(v["width"], "320");
    EXPECT_EQ(v["height"], "180");
    EXPECT_EQ(v["nb_read_frames"], "45");
    EXPECT_NEAR(atof(v["duration"].c_str()), 1.5, 0.001);
    EXPECT_EQ(a["codec_name"], "aac");
    EXPECT_EQ(a["sample_rate"], "44100");
    EXPECT_NEAR(atof(a["duration"].c_str()), 1.5, 0.03);

    // The decoded sound against the track from 6.0 s: the best match is at no offset, across the
    // second where the sound is handed to the muxer in two pieces
    const std::string pcm = outputOf("'" + ffmpeg + "' -v error -i '" + video + "' -map 0:a -f f32le -");
    std::vector<float> stereo(pcm.size() / 4);
    memcpy(stereo.data(), pcm.data(), stereo.size() * 4);
    std::vector<float> sound(stereo.size() / 2);
    for (size_t i = 0; i < sound.size(); ++i) sound[i] = (stereo[2 * i] + stereo[2 * i + 1]) * 0.5f;
    Wave wave = LoadWave(kTrack);
    ASSERT_TRUE(IsWaveValid(wave));
    float* track = LoadWaveSamples(wave);
    const int channels = (int)wave.channels;
    auto mono = [&](long long f) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c) sum += track[f * channels + c];
        return sum / (float)channels;
    };
    constexpr int kStart = 44100 - 8192, kLength = 16384, kMaxLag = 400;
    ASSERT_GT(sound.size(), (size_t)(kStart + kLength));
    const long long origin = 6 * 44100 + kStart;
    int bestLag = 0;
    double best = -1.0, energy = 0.0, trackEnergy = 0.0;
    for (int lag = -kMaxLag; lag <= kMaxLag; ++lag) {
        double dot = 0.0;
        for (int i = 0; i < kLength; i += 2) dot += (double)sound[kStart + i] * mono(origin + lag + i);
        if (dot > best) {
            best = dot;
            bestLag = lag;
        }
    }
    for (int i = 0; i < kLength; i += 2) {
        energy += (double)sound[kStart + i] * sound[kStart + i];
        trackEnergy += (double)mono(origin + i) * mono(origin + i);
    }
    UnloadWaveSamples(track);
    UnloadWave(wave);
    EXPECT_EQ(bestLag, 0);
    // At full volume: the same loudness, and the same signal but for the coding
    EXPECT_NEAR(sqrt(energy / trackEnergy), 1.0, 0.1);
    EXPECT_GT(best / sqrt(energy * trackEnergy), 0.95);
}

// The closing screen as captured: its text where and in the colour the rules put it, the picture
// under the black fade overlay, the music fading with it, then pure black frames.
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
    while (show.mode == ShowMode::Outro) {
        const float now = frameTime(cap.frame, o.fps);
        runCapturedFrame(cap, show, platform, true);
        ++outroFrames;
        const float fade = outroFade(now, show.timeline.outroStart);
        const int alpha = (int)(fade * 255.0f);
        ASSERT_EQ(show.fb->cols, 120);
        ASSERT_EQ(show.fb->rows, 42);

        // The volume the music plays at follows the fade, and the music stops when it ends
        EXPECT_NEAR(cap.frameGains.back(), show.mode == ShowMode::Finished ? 0.0f : 1.0f - fade, 1e-6f);

        // Every pixel: the grid's texture over the clear colour, under the overlay
        Image texture = LoadImageFromTexture(show.fb->target.texture);
        ImageFlipVertical(&texture);
        int off = 0;
        for (int y = 0; y < o.height; y += 3) {
            for (int x = 0; x < o.width; x += 3) {
                const Color expected = darkened(over(kWindowClear, GetImageColor(texture, x, y)), alpha);
                off += !near(pixelOf(cap.pixels, o.width, x, y), expected, 2);
            }
        }
        UnloadImage(texture);
        EXPECT_EQ(off, 0) << "fade " << fade;

        // The text: row 21, columns 51..69, in its colours (boosted as every cell is) under the overlay
        const Color fg = boostColor(outroTextColor(fade, show.audio.beat), false);
        const Color bg = boostColor(Color{6, 8, 14, 255}, true);
        const char* thanks = "THANKS FOR WATCHING";
        const Color fgSeen = darkened(fg, alpha), bgSeen = darkened(bg, alpha);
        int exact = 0;
        for (int i = 0; i < 19; ++i) {
            const int x0 = (51 + i) * 10, y0 = 21 * 18;
            EXPECT_TRUE(near(pixelOf(cap.pixels, o.width, x0, y0), bgSeen, 2)) << i;
            // Near the end the text is too dark to tell from its background
            if (thanks[i] == ' ' || fgSeen.g - bgSeen.g < 24) continue;
            // The glyph's brightest pixel: the text colour where a stroke covers a whole pixel, and
            // on the way from the background to it where the strokes are curved (C, G, S)
            Color brightest = bgSeen;
            for (int y = y0; y < y0 + 18; ++y) {
                for (int x = x0; x < x0 + 10; ++x) {
                    const Color c = pixelOf(cap.pixels, o.width, x, y);
                    if (c.g > brightest.g) brightest = c;
                }
            }
            const float k = (float)(brightest.g - bgSeen.g) / (float)(fgSeen.g - bgSeen.g);
            const Color between = {(unsigned char)lroundf(bgSeen.r + k * (fgSeen.r - bgSeen.r)), brightest.g,
                                   (unsigned char)lroundf(bgSeen.b + k * (fgSeen.b - bgSeen.b)), 255};
            EXPECT_GT(k, 0.8f) << thanks[i] << " at fade " << fade;
            EXPECT_TRUE(near(brightest, between, 3)) << thanks[i] << " at fade " << fade;
            exact += near(brightest, fgSeen, 3);
        }
        if (fgSeen.g - bgSeen.g >= 24) {
            EXPECT_GE(exact, 14) << "fade " << fade;
        }
    }
    // 8.5 s at 10 frames a second; the last one at fade 1 is already black
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
