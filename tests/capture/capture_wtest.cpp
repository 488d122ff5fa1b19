// davur_evi_capture end to end: the program itself is run on short ranges and small sizes and its
// PNG files, cell dumps and videos are read back; the closing screen is captured in this process
// through the same platform, where the show's state can be seen beside the picture.
#include <gtest/gtest.h>

#include <fcntl.h>     // Required for: O_WRONLY
#include <spawn.h>     // Required for: posix_spawn()
#include <sys/wait.h>  // Required for: waitpid(), WIFEXITED(), WEXITSTATUS()
#include <unistd.h>    // Required for: mkdtemp(), link(), symlink(), usleep()

#include <algorithm>  // Required for: std::count()
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>  // Required for: system()
#include <cstring>  // Required for: memcpy()
#include <filesystem>
#include <fstream>
#include <functional>
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

extern char** environ;

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

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// The names in a folder, sorted; hidden ones are a capture's unfinished files.
std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

size_t hiddenIn(const std::string& dir) {
    const std::vector<std::string> names = entries(dir);
    return (size_t)std::count_if(names.begin(), names.end(), [](const std::string& n) { return n[0] == '.'; });
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

// The tool started beside the test, its stderr to a file, so that it can be sent signals.
pid_t startTool(const std::vector<std::string>& args, const std::string& errPath) {
    std::vector<std::string> argv = {kTool};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(&a[0]);
    raw.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // As a foreground command starts: SIGINT and SIGTERM not ignored, whatever this test inherited
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    if (posix_spawn(&pid, raw[0], &actions, &attributes, raw.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return pid;
}

// The exit status once it ended by itself within the deadline; -1 if it had to be killed.
int statusOf(pid_t pid, double seconds = 60.0) {
    int status = 0;
    if (!waitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, seconds)) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
        // Found before anything is drawn
        {"--video " + (dir / "v.ogg"), "", 2},
        {"--video " + (dir / "none/v.mp4") + " --to 1", "", 1},
        {"--png " + (dir / "f") + " --music " + (dir / "missing.ogg"), "", 1},
        {"--png " + (dir / "f") + " --music /dev/null", "", 1},
        {"--png " + (dir / "f") + " --from 0x10", "", 2},
    };
    for (const auto& c : cases) {
        const ToolRun r = runTool(c.args, c.env);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.rfind("davur_evi_capture: ", 0), 0u) << c.args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.at("v.mp4")));
    EXPECT_FALSE(std::filesystem::exists(dir.at("f")));
    EXPECT_EQ(hiddenIn(dir.path), 0u);
    EXPECT_EQ(runTool("--help").status, 0);
}

// Each run names a file it may not write; afterwards every file is as it was.
TEST(CaptureTool, AnInputOrAnExistingFileIsNeverWrittenUnlessAsked) {
    TempDir dir;
    const std::string song = readFile(kTrack);
    writeFile(dir.at("song.ogg"), song);
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("alias.mp4").c_str()), 0);
    writeFile(dir.at("out.mp4"), "mine");
    writeFile(dir.at("out.mp4.part"), "mine too");
    const std::string music = " --music " + (dir / "song.ogg") + " --to 0.2 --fps 10 --size 64x36";
    const struct {
        std::string args;
        int status;
        std::string error;
    } cases[] = {
        {"--video " + (dir / "song.ogg") + music, 2, "--video wants a .mp4, .mov or .mkv file, not '" +
                                                        dir.at("song.ogg") + "'"},
        {"--video " + (dir / "alias.mp4") + " --overwrite" + music, 1,
         "--video " + dir.at("alias.mp4") + " is the file --music reads"},
        {"--video " + (dir / "out.mp4") + music, 1, dir.at("out.mp4") + " exists: give --overwrite to replace it"},
        {"--scene cube --cells " + (dir / "song.ogg"), 1, dir.at("song.ogg") + " exists: give --overwrite to replace it"},
        {"--scene cube --png " + (dir / "x.png") + " --cells " + (dir / "x.png"), 1,
         "--png and --cells name the same file " + dir.at("x.png")},
    };
    for (const auto& c : cases) {
        const ToolRun r = runTool(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, "davur_evi_capture: " + c.error + "\n");
    }
    EXPECT_EQ(readFile(dir.at("song.ogg")), song);
    EXPECT_EQ(readFile(dir.at("out.mp4")), "mine");
    EXPECT_EQ(readFile(dir.at("out.mp4.part")), "mine too");
    EXPECT_EQ(entries(dir.path), (std::vector<std::string>{"alias.mp4", "out.mp4", "out.mp4.part", "song.ogg"}));

    // Asked to, the video replaces the file and the link planted at its name, never their targets
    if (findProgram("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    ASSERT_EQ(symlink("song.ogg", dir.at("planted.mp4").c_str()), 0);
    for (const char* name : {"out.mp4", "planted.mp4"}) {
        const ToolRun r = runTool("--video " + (dir / name) + " --overwrite --to 0.2 --fps 10 --size 64x36");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_FALSE(std::filesystem::is_symlink(dir.at(name)));
        EXPECT_EQ(readFile(dir.at(name)).substr(4, 4), "ftyp") << name;  // An MP4 file
    }
    EXPECT_EQ(readFile(dir.at("song.ogg")), song);
    EXPECT_EQ(readFile(dir.at("out.mp4.part")), "mine too");
    EXPECT_EQ(hiddenIn(dir.path), 0u);
}

// 0-3 s and then 0-1 s into the same folder: refused, then with --overwrite only the new frames
// are left; a link planted among the old ones goes, and the file it led to stays.
TEST(ShowMode, AFolderOfFramesIsReplacedOnlyWhenAskedAndThenHoldsOnlyTheNewFrames) {
    TempDir dir;
    const std::string frames = dir / "frames";
    ASSERT_EQ(runTool("--png " + frames + " --to 3 --fps 10 --size 64x36").status, 0);
    EXPECT_EQ(entries(dir.at("frames")).size(), 30u);
    const ToolRun refused = runTool("--png " + frames + " --to 1 --fps 10 --size 64x36");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "davur_evi_capture: " + dir.at("frames") +
                               " already holds 30 frames (frame_000000.png to frame_000029.png): give --overwrite "
                               "to replace them\n");

    writeFile(dir.at("victim"), "precious");
    std::filesystem::remove(dir.at("frames/frame_000003.png"));
    ASSERT_EQ(symlink("../victim", dir.at("frames/frame_000003.png").c_str()), 0);
    ASSERT_EQ(runTool("--png " + frames + " --to 1 --fps 10 --size 64x36 --overwrite").status, 0);
    const std::vector<std::string> left = entries(dir.at("frames"));
    ASSERT_EQ(left.size(), 10u);
    EXPECT_EQ(left.front(), "frame_000000.png");
    EXPECT_EQ(left.back(), "frame_000009.png");
    EXPECT_FALSE(std::filesystem::is_symlink(dir.at("frames/frame_000003.png")));
    EXPECT_EQ(readFile(dir.at("victim")), "precious");
    expectWholeFrames(dir.at("frames"), 64, 36);
}

// A file size limit stands in for a full disk everywhere; where a small tmpfs can be mounted in
// a namespace of our own, the disk really fills up part way through.
TEST(CaptureTool, AFullDiskEndsTheCaptureWithOneLineAndLeavesOnlyWholeFiles) {
    TempDir dir;
    const struct {
        std::string args;
        std::string reason;
    } limited[] = {
        {"--png " + (dir / "frames") + " --from 7 --to 8 --fps 10 --size 320x180", "File too large"},
        {"--scene cube --cells " + (dir / "c.txt") + " --png " + (dir / "c.png"), "File too large"},
    };
    for (const auto& c : limited) {
        const ToolRun r = runTool(c.args, "ulimit -f 1;");  // 1024 bytes: less than any of these files
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(": " + c.reason + "\n"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    EXPECT_EQ(entries(dir.path), std::vector<std::string>{"frames"});  // No cell dump, no picture
    EXPECT_TRUE(entries(dir.at("frames")).empty());

    // 32 KiB: the first few frames of 2 to 6 KB fit, then the disk is full; what is there is kept
    ASSERT_EQ(mkdir(dir.at("disk").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.at("kept").c_str(), 0755), 0);
    if (system(("unshare -Urm mount -t tmpfs tmpfs " + (dir / "disk") + " >/dev/null 2>&1").c_str()) != 0) {
        GTEST_SKIP() << "no mount namespace for a small tmpfs here";
    }
    const std::string script = "mount -t tmpfs -o size=32k tmpfs " + (dir / "disk") + " && { '" + kTool +
                               "' --png " + (dir / "disk") + " --from 7 --to 8 --fps 10 --size 320x180 2>" +
                               (dir / "err") + "; echo \\$? >" + (dir / "status") + "; cp -a " + dir.at("disk") +
                               "/. " + (dir / "kept") + "; }";
    ASSERT_EQ(system(("unshare -Urm sh -c \"" + script + "\"").c_str()), 0);
    EXPECT_EQ(readFile(dir.at("status")), "1\n");
    const std::string err = readFile(dir.at("err"));
    EXPECT_EQ(err.rfind("davur_evi_capture: could not write " + dir.at("disk") + "/frame_0000", 0), 0u) << err;
    EXPECT_NE(err.find(".png: No space left on device\n"), std::string::npos) << err;
    const std::vector<std::string> kept = entries(dir.at("kept"));
    EXPECT_GT(kept.size(), 0u);
    EXPECT_LT(kept.size(), 10u);
    EXPECT_EQ(hiddenIn(dir.at("kept")), 0u);
    expectWholeFrames(dir.at("kept"), 320, 180);
}

// The capture runs on far past where the test waits; the signal stops it, what was being written
// goes, and the status says which signal it was.
TEST(CaptureTool, SigtermAndSigintStopACaptureAndLeaveNoPartialFile) {
    TempDir dir;
    const std::string err = dir.at("err");

    // PNG frames, SIGINT once two are written: those stay, whole
    pid_t pid = startTool({"--png", dir.at("frames"), "--to", "86400", "--fps", "30", "--size", "320x180"}, err);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitFor([&] { return entries(dir.at("frames")).size() >= 2; }));
    kill(pid, SIGINT);
    EXPECT_EQ(statusOf(pid), 130);
    EXPECT_EQ(readFile(err), "davur_evi_capture: interrupted by SIGINT\n");
    EXPECT_EQ(hiddenIn(dir.at("frames")), 0u);
    expectWholeFrames(dir.at("frames"), 320, 180);

    // A long scene run shows its progress; SIGTERM then leaves neither of its files
    pid = startTool({"--scene", "dual_fluid", "--time", "3600", "--fps", "240", "--png", dir.at("s.png"), "--cells",
                     dir.at("s.txt")},
                    err);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitFor([&] { return readFile(err).find("davur_evi_capture: frame ") == 0; }));
    EXPECT_NE(readFile(err).find("/864001 ("), std::string::npos) << readFile(err);
    kill(pid, SIGTERM);
    EXPECT_EQ(statusOf(pid), 143);
    const std::string said = readFile(err);
    EXPECT_EQ(said.substr(said.rfind('\n', said.size() - 2) + 1), "davur_evi_capture: interrupted by SIGTERM\n");
    EXPECT_EQ(entries(dir.path), (std::vector<std::string>{"err", "frames"}));

    // A video, SIGTERM while ffmpeg is writing it: no video, no part, no work folder
    if (findProgram("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    pid = startTool({"--video", dir.at("v.mp4"), "--to", "86400", "--fps", "30", "--size", "320x180"}, err);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitFor([&] {
        std::error_code ec;
        for (const std::string& name : entries(dir.path)) {
            if (name[0] == '.' && std::filesystem::file_size(dir.at(name + "/picture.mp4"), ec) > 0 && !ec) return true;
        }
        return false;
    }));
    kill(pid, SIGTERM);
    EXPECT_EQ(statusOf(pid), 143);
    EXPECT_EQ(readFile(err), "davur_evi_capture: interrupted by SIGTERM\n");
    EXPECT_EQ(entries(dir.path), (std::vector<std::string>{"err", "frames"}));
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
                                  " --cells " + (dir / "c.txt") + " --png " + (dir / "c.png") + " --overwrite");
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
