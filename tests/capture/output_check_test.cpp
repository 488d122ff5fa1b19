// The files of a capture as they are checked before anything is drawn, and the --png folder as it
// is prepared: inputs never outputs, outputs never each other, nothing replaced without
// --overwrite, and old frames removed only with it.
#include <gtest/gtest.h>

#include <sys/stat.h>  // Required for: mkdir()
#include <unistd.h>    // Required for: mkdtemp(), symlink(), link()

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tools/capture/output_check.h"

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/davur_evi_check_test.XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string at(const std::string& name) const { return path + "/" + name; }
};

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

CaptureOptions show(const TempDir& dir) {
    CaptureOptions o;
    o.musicPath = dir.at("song.ogg");
    o.musicGiven = true;
    return o;
}

CaptureOptions scene() {
    CaptureOptions o;
    o.mode = CaptureMode::Scene;
    o.sceneName = "cube";
    return o;
}

}  // namespace

TEST(OutputCheck, EachCaseIsAllowedOrRefusedWithItsLine) {
    TempDir dir;
    writeFile(dir.at("song.ogg"), "OggS...");
    writeFile(dir.at("empty.ogg"), "");
    writeFile(dir.at("old.mp4"), "a video");
    writeFile(dir.at("old.png"), "a picture");
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("hard.mp4").c_str()), 0);
    ASSERT_EQ(symlink("song.ogg", dir.at("soft.mp4").c_str()), 0);
    ASSERT_EQ(mkdir(dir.at("folder.mp4").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.at("frames").c_str(), 0755), 0);
    writeFile(dir.at("frames/frame_000010.png"), "");
    writeFile(dir.at("frames/frame_000029.png"), "");
    ASSERT_EQ(mkdir(dir.at("others").c_str(), 0755), 0);
    writeFile(dir.at("others/notes.txt"), "");
    ASSERT_EQ(mkdir(dir.at("holds_song").c_str(), 0755), 0);
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("holds_song/frame_000001.png").c_str()), 0);

    const std::string d = dir.path + "/";
    const struct {
        const char* what;
        std::function<void(CaptureOptions&)> set;
        std::string error;  // Empty: allowed
    } cases[] = {
        {"a new video", [&](CaptureOptions& o) { o.videoPath = d + "new.mp4"; }, ""},
        {"the music as the video, by a hard link",
         [&](CaptureOptions& o) { o.videoPath = d + "hard.mp4"; o.overwrite = true; },
         "--video " + d + "hard.mp4 is the file --music reads"},
        {"the music as the video, by a symlink",
         [&](CaptureOptions& o) { o.videoPath = d + "soft.mp4"; o.overwrite = true; },
         "--video " + d + "soft.mp4 is the file --music reads"},
        {"an existing video", [&](CaptureOptions& o) { o.videoPath = d + "old.mp4"; },
         d + "old.mp4 exists: give --overwrite to replace it"},
        {"an existing video, --overwrite", [&](CaptureOptions& o) { o.videoPath = d + "old.mp4"; o.overwrite = true; },
         ""},
        {"a folder as the video", [&](CaptureOptions& o) { o.videoPath = d + "folder.mp4"; o.overwrite = true; },
         "--video wants a file, and " + d + "folder.mp4 is a folder"},
        {"a video in no folder", [&](CaptureOptions& o) { o.videoPath = d + "none/v.mp4"; },
         "no folder " + d + "none for " + d + "none/v.mp4"},
        {"missing music", [&](CaptureOptions& o) { o.musicPath = d + "gone.ogg"; o.pngDir = d + "f"; },
         "--music " + d + "gone.ogg: No such file or directory"},
        {"empty music", [&](CaptureOptions& o) { o.musicPath = d + "empty.ogg"; o.pngDir = d + "f"; },
         "--music " + d + "empty.ogg is empty"},
        {"a folder as music", [&](CaptureOptions& o) { o.musicPath = d + "frames"; o.pngDir = d + "f"; },
         "--music " + d + "frames is not a file"},
        {"the default music missing: a silent show",
         [&](CaptureOptions& o) { o.musicPath = d + "gone.ogg"; o.musicGiven = false; o.pngDir = d + "f"; }, ""},
        {"a frame folder with frames", [&](CaptureOptions& o) { o.pngDir = d + "frames"; },
         d + "frames already holds 2 frames (frame_000010.png to frame_000029.png): give --overwrite to replace them"},
        {"a frame folder with frames, --overwrite",
         [&](CaptureOptions& o) { o.pngDir = d + "frames"; o.overwrite = true; }, ""},
        {"a frame folder with other files", [&](CaptureOptions& o) { o.pngDir = d + "others"; }, ""},
        {"a file as the frame folder", [&](CaptureOptions& o) { o.pngDir = d + "old.png"; o.overwrite = true; },
         "--png wants a folder for the frames, and " + d + "old.png is not one"},
        {"a frame folder holding the music",
         [&](CaptureOptions& o) { o.pngDir = d + "holds_song"; o.overwrite = true; },
         "--png " + d + "holds_song holds frame_000001.png, the file --music reads"},
    };
    for (const auto& c : cases) {
        CaptureOptions o = show(dir);
        c.set(o);
        std::string error;
        EXPECT_EQ(checkFiles(o, error), c.error.empty()) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST(OutputCheck, ASceneCapturesTwoDifferentFilesThatMayNotExistYet) {
    TempDir dir;
    writeFile(dir.at("song.ogg"), "OggS...");
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("alias.txt").c_str()), 0);
    const std::string d = dir.path + "/";
    const struct {
        std::string png, cells;
        bool overwrite;
        std::string error;
    } cases[] = {
        {d + "c.png", d + "c.txt", false, ""},
        {d + "x.png", d + "./x.png", false, "--png and --cells name the same file " + d + "./x.png"},
        {d + "song.ogg", d + "alias.txt", true, "--png and --cells name the same file " + d + "alias.txt"},
        {"", d + "song.ogg", false, d + "song.ogg exists: give --overwrite to replace it"},
        {"", d + "song.ogg", true, ""},  // Scenes read no music: asked for, it is replaced
        {d + "c.png", d, false, "--cells wants a file, and " + d + " is a folder"},
        {d + "c.png", dir.path + "/..", true, "--cells wants a file, and " + dir.path + "/.. is a folder"},
    };
    for (const auto& c : cases) {
        CaptureOptions o = scene();
        o.pngPath = c.png;
        o.cellsPath = c.cells;
        o.overwrite = c.overwrite;
        std::string error;
        EXPECT_EQ(checkFiles(o, error), c.error.empty()) << c.png << " " << c.cells;
        EXPECT_EQ(error, c.error);
    }
}

// Old frames go, and only they: a link planted among them goes itself, its target stays.
TEST(OutputCheck, OverwritingAFrameFolderRemovesItsOldFramesAndNothingElse) {
    TempDir dir;
    ASSERT_EQ(mkdir(dir.at("frames").c_str(), 0755), 0);
    writeFile(dir.at("target"), "precious");
    writeFile(dir.at("frames/frame_000010.png"), "old");
    writeFile(dir.at("frames/notes.txt"), "keep");
    ASSERT_EQ(symlink("../target", dir.at("frames/frame_000003.png").c_str()), 0);

    CaptureOptions o = show(dir);
    o.musicGiven = false;
    o.pngDir = dir.at("frames");
    std::string error;
    EXPECT_FALSE(prepareFrameFolder(o, error));
    EXPECT_TRUE(std::filesystem::exists(dir.at("frames/frame_000010.png")));

    o.overwrite = true;
    ASSERT_TRUE(prepareFrameFolder(o, error)) << error;
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.at("frames"))) {
        left.push_back(e.path().filename().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{"notes.txt"});
    EXPECT_TRUE(std::filesystem::exists(dir.at("target")));

    // A folder that is not there yet is made, parents and all
    o.pngDir = dir.at("new/frames");
    ASSERT_TRUE(prepareFrameFolder(o, error)) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir.at("new/frames")));
}
