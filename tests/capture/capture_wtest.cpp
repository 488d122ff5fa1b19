// davur_evi_capture end to end: the program itself is run on short ranges and small sizes and its
// PNG files, cell dumps and videos are read back; the closing screen is captured in this process
// through the same platform, where the show's state can be seen beside what is captured.
#include <gtest/gtest.h>

#include <fcntl.h>     // Required for: open()
#include <sys/wait.h>  // Required for: waitpid(), WIFEXITED(), WEXITSTATUS()

#include <chrono>
#include <csignal>
#include <cstdlib>  // Required for: system()
#include <cstring>  // Required for: memcmp()
#include <functional>

#include "app/outro.h"
#include "capture_fixture.h"
#include "framebuffer/font_redraw.h"
#include "frontends/capture/cell_dump.h"
#include "frontends/capture/options.h"
#include "frontends/capture/process.h"
#include "frontends/capture/scene_run.h"
#include "frontends/capture/show_capture.h"
#include "tools/pixel_diff/pixel_diff.h"

namespace {

const std::string kTool = DAVUR_EVI_CAPTURE;
constexpr const char* kTrack = "assets/audio/output.ogg";  // The tests run from the repository root

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

struct ToolRun {
    int status;  // -1 when it did not exit (a crash)
    std::string err;
};

// Runs the tool with these arguments (after an optional shell prefix) through the shell.
ToolRun runTool(const std::string& args, const std::string& prefix = "") {
    TempDir dir;
    const int rc = system((prefix + " '" + kTool + "' " + args + " 2>" + (dir / "err") + " >/dev/null").c_str());
    return ToolRun{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readFile(dir.at("err"))};
}

// Every frame in the folder is a whole PNG of this size.
void expectWholeFrames(const std::string& dir, int width, int height) {
    for (const std::string& name : entries(dir)) {
        Image frame = LoadImage((dir + "/" + name).c_str());
        EXPECT_EQ(std::make_pair(frame.width, frame.height), std::make_pair(width, height)) << name;
        UnloadImage(frame);
    }
}

// Polls until `done` holds or the deadline passes; true when it held.
bool waitFor(const std::function<bool()>& done, double seconds = 120.0) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        usleep(50 * 1000);
    }
    return true;
}

// The tool started beside the test as a foreground command starts (SIGINT and SIGTERM not
// ignored, whatever this test inherited), its stderr to a file; waits until `ready`, sends the
// signal, and gives the exit status, or -1 if it had to be killed.
int stopTool(std::vector<std::string> argv, const std::string& errPath, const std::function<bool()>& ready, int sig) {
    argv.insert(argv.begin(), kTool);
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(&a[0]);
    raw.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {  // Only calls that are safe after a fork
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        dup2(open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        execv(raw[0], raw.data());
        _exit(127);
    }
    EXPECT_TRUE(waitFor(ready)) << argv[1];
    kill(pid, sig);
    int status = 0;
    if (!waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 60.0)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

// Usage errors end with status 2, failures with 1, each told in one line. The outputs are checked
// before a window is opened: those runs have no display at all. Afterwards every file is as it was.
TEST(CaptureTool, RefusalsAndFailuresEndInOneLineAndTouchNoFile) {
    TempDir dir;
    writeFile(dir.at("song.ogg"), "OggS");
    writeFile(dir.at("out.mp4"), "mine");
    const std::string d = dir.path + "/", none = "env -u DISPLAY -u WAYLAND_DISPLAY ", full = "ulimit -f 1;";
    const struct {
        std::string prefix, args;
        int status;
        std::string error;  // Empty: any one line
    } cases[] = {
        {none, "--fps 0 --png " + (dir / "f"), 2, ""},
        {none, "--video " + (dir / "v.mp4") + " --size 321x180", 1, ""},  // H.264 wants even sides
        {none + "PATH=/nonexistent", "--video " + (dir / "v.mp4"), 1,
         "--video needs ffmpeg, which is not installed (apt-get install ffmpeg)"},
        {none, "--video " + (dir / "out.mp4"), 1, d + "out.mp4 exists: give --overwrite to replace it"},
        {none, "--scene cube --png " + (dir / "c.png"), 1,
         "no display to draw in: run it under scripts/capture.sh, which starts a private Xvfb, or use --renderer "
         "cpu"},
        // Found once drawing has begun
        {"", "--scene cube --png /nonexistent/dir/cube.png", 1, ""},
        {"", "--png " + (dir / "late") + " --from 200 --fps 1", 1, ""},         // After the end of the show
        {"", "--png " + (dir / "narrow") + " --from 1.001 --to 1.002", 1, ""},  // Between two frames
        // A file size limit of 1024 bytes stands in for a full disk: less than any of these files
        {full, "--png " + (dir / "frames") + " --from 7 --to 8 --fps 10 --size 320x180", 1, ""},
        {full, "--scene cube --cells " + (dir / "c.txt") + " --png " + (dir / "c.png"), 1, ""},
    };
    for (const auto& c : cases) {
        const ToolRun r = runTool(c.args, c.prefix);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.rfind("davur_evi_capture: ", 0), 0u) << c.args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.find(": File too large\n") != std::string::npos, c.prefix == full) << r.err;
        EXPECT_EQ(r.err, c.error.empty() ? r.err : "davur_evi_capture: " + c.error + "\n");
    }
    EXPECT_EQ(readFile(dir.at("song.ogg")) + readFile(dir.at("out.mp4")), "OggSmine");
    EXPECT_EQ(entries(dir.path), (std::vector<std::string>{"frames", "out.mp4", "song.ogg"}));
    EXPECT_TRUE(entries(dir.at("frames")).empty());
    EXPECT_EQ(runTool("--help").status, 0);
}

// The same range twice into a new folder: with --overwrite the same bytes again and the old frames
// gone (the refusal without it and a link among them are the output files' tests).
TEST(ShowMode, TwoCapturesOfARangeAreByteIdenticalAndTheSecondReplacesTheOldFrames) {
    TempDir dir;
    const std::string a = dir.at("new/a");
    const std::string args = "--png '" + a + "' --from 7 --to 7.5 --fps 20 --size 320x180 --key 7.2:SPACE";
    ASSERT_EQ(runTool(args).status, 0);
    const std::vector<std::string> first = entries(a);
    ASSERT_EQ(first.size(), 10u);  // Numbered by show frame
    EXPECT_EQ(first.front() + first.back(), "frame_000140.pngframe_000149.png");
    const std::string frame143 = readFile(a + "/frame_000143.png");
    // The skip at 7.2 s starts a transition: the view flies in, so the frames differ from each other
    EXPECT_NE(frame143, readFile(a + "/frame_000149.png"));
    writeFile(a + "/frame_000999.png", "old");
    writeFile(a + "/frame_000143.png", "old");
    ASSERT_EQ(runTool(args + " --overwrite").status, 0);
    EXPECT_EQ(entries(a), first);
    EXPECT_EQ(readFile(a + "/frame_000143.png"), frame143);
    expectWholeFrames(a, 320, 180);
}

// Each capture runs on far past where the test waits; the signal stops it, what was being written
// goes, and the status and the last line say which signal it was.
TEST(CaptureTool, SigtermAndSigintStopACaptureAndLeaveNoPartialFile) {
    TempDir dir;
    const std::string err = dir.at("err"), frames = dir.at("frames");
    // PNG frames, SIGINT once two are written: those stay, whole
    EXPECT_EQ(stopTool({"--png", frames, "--to", "86400", "--fps", "30", "--size", "320x180"}, err,
                       [&] { return entries(frames).size() >= 2; }, SIGINT), 130);
    EXPECT_EQ(readFile(err), "davur_evi_capture: interrupted by SIGINT\n");
    expectWholeFrames(frames, 320, 180);  // A hidden unfinished file would not load as one

    // A video, SIGTERM while ffmpeg is writing it: no video, no part, no work folder
    if (findProgram("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    const auto encoding = [&] {
        std::error_code ec;
        for (const std::string& name : entries(dir.path)) {
            if (name[0] == '.' && std::filesystem::file_size(dir.at(name + "/picture.mp4"), ec) > 0 && !ec) return true;
        }
        return false;
    };
    EXPECT_EQ(stopTool({"--video", dir.at("v.mp4"), "--to", "86400", "--fps", "30", "--size", "320x180"}, err,
                       encoding, SIGTERM), 143);
    EXPECT_EQ(readFile(err), "davur_evi_capture: interrupted by SIGTERM\n");
    EXPECT_EQ(entries(dir.path), (std::vector<std::string>{"err", "frames"}));
}

// Every scene: the dump is the grid the scene writes when it is run from scene time 0 at the
// capture's frame rate, and the PNG is its render texture.
TEST(SceneMode, TheCellDumpAndPictureOfEverySceneAreWhatTheSceneWrites) {
    const char* levels[] = {"", "--scene", "cube", "--cells", "c", "--audio",
                            "level=0.5,bass=0.6,mid=0.4,treble=0.3,beat=0.7"};
    const AudioFeatures audio = parseOptions(7, levels).options.audio;
    TempDir dir;
    const SceneTable table = sceneTable();
    for (int s = 0; s < table.count; ++s) {
        const SceneDesc& scene = table.rows[s];
        const ToolRun r = runTool(std::string("--scene ") + scene.name + " --time 0.8 --fps 30 --grid 60x20" +
                                  " --beat-pos 5.5 --audio " + levels[6] + " --cells " + (dir / "c.txt") +
                                  " --png " + (dir / "c.png") + " --overwrite");
        ASSERT_EQ(r.status, 0) << scene.name << ": " << r.err;
        AsciiFramebuffer fb(60, 20, 10, 18);
        fb.colorBoost = true;
        runSceneTo(fb, scene, 0.8, 30, sceneClock(true, 5.5f, 0.8), audio);
        EXPECT_EQ(readFile(dir.at("c.txt")), cellDump(fb)) << scene.name;
        redraw(fb, true);
        Image texture = LoadImageFromTexture(fb.target.texture), picture = LoadImage(dir.at("c.png").c_str());
        ImageFlipVertical(&texture);
        ImageFormat(&texture, PIXELFORMAT_UNCOMPRESSED_R8G8B8);
        ImageFormat(&picture, PIXELFORMAT_UNCOMPRESSED_R8G8B8);
        ASSERT_EQ(std::make_pair(picture.width, picture.height), std::make_pair(600, 360)) << scene.name;
        EXPECT_EQ(memcmp(picture.data, texture.data, 600 * 360 * 3), 0) << scene.name;
        UnloadImage(picture);
        UnloadImage(texture);
    }
}

// ffprobe reads a short video's frames, size, duration and both streams; nothing else is left.
TEST(ShowMode, AShortVideoHasItsFramesSizeDurationAndBothStreams) {
    const std::string ffprobe = findProgram("ffprobe"), ffmpeg = findProgram("ffmpeg");
    if (ffprobe.empty() || ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    const std::string video = dir / "v.mp4";
    ASSERT_EQ(runTool("--video " + video + " --from 6 --to 7.5 --fps 30 --size 320x180").status, 0);
    EXPECT_EQ(entries(dir.path), std::vector<std::string>{"v.mp4"});
    const std::string probe = "'" + ffprobe + "' -v error -count_frames -of csv=p=0 -show_entries stream=";
    ASSERT_EQ(system((probe + "codec_name,width,height,duration,nb_read_frames -select_streams v " + video + " >" +
                      (dir / "v") + ";" + probe + "codec_name,sample_rate,duration -select_streams a " + video + " >" +
                      (dir / "a")).c_str()), 0);
    EXPECT_EQ(readFile(dir.at("v")), "h264,320,180,1.500000,45\n");
    const std::string audio = readFile(dir.at("a"));  // Its duration within a frame of AAC
    EXPECT_EQ(audio.substr(0, 10), "aac,44100,");
    EXPECT_NEAR(atof(audio.substr(10).c_str()), 1.5, 0.03);
}

// The closing screen as captured: the music fades with the picture, 8.5 s of it, then the show
// is finished, black and silent, on the frame the schedule counted. A skip every 1.25 s: some land
// on the frame whose timeline step completes a transition, after the keys were read, and are lost
// as they are in the live show.
TEST(ShowMode, TheClosingScreenFadesToBlackAndSilence) {
    CaptureOptions o;
    o.fps = 10;
    o.width = 320;
    o.height = 180;
    o.musicPath = kTrack;
    for (int i = 0; i < 11; ++i) o.keys.push_back({0.5 + 1.25 * i, KeySkip});
    ShowCapture cap;
    openShowCapture(cap, o);
    const Platform platform = capturePlatform(cap);
    Show show;
    startShow(show, platform);
    while (show.mode == ShowMode::Show && cap.frame < 1000) runCapturedFrame(cap, show, platform, false);
    int outroFrames = 0;
    for (; show.mode == ShowMode::Outro; ++outroFrames) {
        const float fade = outroFade(frameTime(cap.frame, o.fps), show.timeline.outroStart);
        runCapturedFrame(cap, show, platform, true);
        EXPECT_NEAR(cap.frameGains.back(), show.mode == ShowMode::Finished ? 0.0f : 1.0f - fade, 1e-6f);
    }
    EXPECT_EQ(outroFrames, 85);  // 8.5 s at 10 frames a second
    EXPECT_EQ(cap.frame, showFrameCount(o.fps, o.keys));
    runCapturedFrame(cap, show, platform, true);
    int lit = 0;
    for (size_t p = 0; p < cap.pixels.size(); p += 4) lit += cap.pixels[p] | cap.pixels[p + 1] | cap.pixels[p + 2];
    EXPECT_EQ(lit + cap.frameGains.back(), 0.0f);
    unload(show.music);
    show.fb.reset();
    closeShowCapture(cap);
}

namespace {

// One show captured frame by frame with a renderer, the same keys for both.
struct RendererRun {
    ShowCapture cap;
    Platform platform = {};
    Show show;
    explicit RendererRun(const CaptureOptions& o) {
        openShowCapture(cap, o);
        platform = capturePlatform(cap);
        startShow(show, platform);
    }
    ~RendererRun() {
        unload(show.music);
        show.fb.reset();
        closeShowCapture(cap);
    }
};

}  // namespace

// The CPU renderer draws what OpenGL draws: each channel within 1 of it, except in a scene
// transition's flight, where the rasteriser clips the huge quad and at most 1 % of the pixels may
// differ more. The window's full size, a skip into a transition, the colour boost off, partial
// redraws and a zoom step; and scene pictures at several grids, through the program.
TEST(Renderers, TheCpuDrawsWhatOpenGlDrawsWithinOneStep) {
    CaptureOptions o;
    o.fps = 4;
    o.musicPath = kTrack;
    o.keys = {{6.0, KeyRedrawAll}, {7.0, KeyColorBoost}, {7.5, KeySkip}, {9.0, KeySmallerCells}};
    o.renderer = Renderer::Gl;
    RendererRun gl(o);
    o.renderer = Renderer::Cpu;
    RendererRun cpu(o);
    int plain = 0, flight = 0;
    while (cpu.cap.frame < 10 * o.fps) {
        const bool capture = cpu.cap.frame >= 6 * o.fps;
        const bool wasInTransition = cpu.show.timeline.transitionActive;
        runCapturedFrame(gl.cap, gl.show, gl.platform, capture);
        runCapturedFrame(cpu.cap, cpu.show, cpu.platform, capture);
        if (!capture) continue;
        const bool transition = wasInTransition || cpu.show.timeline.transitionActive;
        const PixelDiff d = diffPixels(capturedPixels(gl.cap), capturedPixels(cpu.cap), (size_t)o.width * o.height, 1);
        if (transition) {
            EXPECT_LE(d.beyond, d.pixels / 100) << "frame " << cpu.cap.frame - 1;
        } else {
            EXPECT_EQ(d.beyond, 0u) << "frame " << cpu.cap.frame - 1 << ": largest difference " << d.largest;
        }
        (transition ? flight : plain) += 1;
    }
    EXPECT_GE(plain, 8);
    EXPECT_GE(flight, 3);

    TempDir dir;
    const struct {
        const char* scene;
        const char* args;
    } scenes[] = {{"plasma_storm", "--time 4.25 --grid 173x60"},
                  {"cube", "--time 0.5 --grid 120x42"},
                  {"end_credits", "--time 4.25 --zoom 7"},
                  {"intro_boot", "--time 2 --grid 36x14"}};
    for (const auto& s : scenes) {
        const std::string args = std::string("--scene ") + s.scene + " " + s.args + " --png ";
        ASSERT_EQ(runTool(args + (dir / "gl.png")).status, 0) << s.scene;
        ASSERT_EQ(runTool("--renderer cpu " + args + (dir / "cpu.png"), "env -u DISPLAY -u WAYLAND_DISPLAY").status, 0);
        const PixelDiff d = diffImageFiles(dir.at("gl.png").c_str(), dir.at("cpu.png").c_str(), 1);
        EXPECT_TRUE(d.sameSize) << s.scene;
        EXPECT_EQ(d.beyond, 0u) << s.scene << " " << s.args << ": largest difference " << d.largest;
        std::filesystem::remove(dir.at("gl.png"));
        std::filesystem::remove(dir.at("cpu.png"));
    }
}
