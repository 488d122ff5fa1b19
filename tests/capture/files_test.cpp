// A capture's files: checked before anything is drawn (inputs never outputs, outputs never each
// other, nothing replaced without --overwrite), then written whole under a new hidden name or not
// at all, never through a link, and renamed into place.
#include <gtest/gtest.h>

#include <sys/stat.h>  // Required for: mkdir()

#include <cerrno>
#include <functional>

#include "capture_fixture.h"
#include "tools/capture/output_check.h"
#include "tools/capture/output_files.h"

namespace {

// A disk that takes this many bytes and then is full; or one that takes nothing and says nothing.
size_t diskLeft = 0;
ssize_t fullDiskWrite(int fd, const void* data, size_t size) {
    const size_t n = size < diskLeft ? size : diskLeft;
    diskLeft -= n;
    errno = ENOSPC;
    return n == 0 ? -1 : write(fd, data, n);
}
ssize_t silentWrite(int, const void*, size_t) { return 0; }

}  // namespace

TEST(OutputCheck, EachCaseIsAllowedOrRefusedWithItsLine) {
    TempDir dir;
    writeFile(dir.at("song.ogg"), "OggS...");
    writeFile(dir.at("empty.ogg"), "");
    writeFile(dir.at("old.mp4"), "a video");
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("hard.mp4").c_str()), 0);
    ASSERT_EQ(symlink("song.ogg", dir.at("soft.mp4").c_str()), 0);
    for (const char* folder : {"folder.mp4", "frames", "others", "holds_song"}) mkdir(dir.at(folder).c_str(), 0755);
    writeFile(dir.at("frames/frame_000010.png"), "");
    writeFile(dir.at("frames/frame_000029.png"), "");
    writeFile(dir.at("others/notes.txt"), "");
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("holds_song/frame_000001.png").c_str()), 0);

    const std::string d = dir.path + "/";
    typedef std::function<void(CaptureOptions&)> Set;
    const auto video = [&](const char* name, bool overwrite) -> Set {
        return [=](CaptureOptions& o) { o.videoPath = d + name; o.overwrite = overwrite; };
    };
    const auto frames = [&](const char* name, bool overwrite) -> Set {
        return [=](CaptureOptions& o) { o.pngDir = d + name; o.overwrite = overwrite; };
    };
    const auto music = [&](const char* name, bool given) -> Set {
        return [=](CaptureOptions& o) { o.musicPath = d + name; o.musicGiven = given; o.pngDir = d + "f"; };
    };
    const auto scene = [&](std::string png, std::string cells, bool overwrite) -> Set {  // Scenes read no music
        return [=](CaptureOptions& o) {
            o.mode = CaptureMode::Scene;
            o.pngPath = png.empty() ? png : d + png;
            o.cellsPath = d + cells;
            o.overwrite = overwrite;
        };
    };
    const std::pair<Set, std::string> cases[] = {  // Each with its error, none when allowed
        {video("new.mp4", false), ""},
        {video("hard.mp4", true), "--video " + d + "hard.mp4 is the file --music reads"},
        {video("soft.mp4", true), "--video " + d + "soft.mp4 is the file --music reads"},
        {video("old.mp4", false), d + "old.mp4 exists: give --overwrite to replace it"},
        {video("old.mp4", true), ""},
        {video("folder.mp4", true), "--video wants a file, and " + d + "folder.mp4 is a folder"},
        {video("none/v.mp4", false), "no folder " + d + "none for " + d + "none/v.mp4"},
        {music("gone.ogg", true), "--music " + d + "gone.ogg: No such file or directory"},
        {music("empty.ogg", true), "--music " + d + "empty.ogg is empty"},
        {music("frames", true), "--music " + d + "frames is not a file"},
        {music("gone.ogg", false), ""},  // The default music missing: a silent show
        {frames("frames", false),
         d + "frames already holds 2 frames (frame_000010.png to frame_000029.png): give --overwrite to replace them"},
        {frames("frames", true), ""},
        {frames("others", false), ""},
        {frames("old.mp4", true), "--png wants a folder for the frames, and " + d + "old.mp4 is not one"},
        {frames("holds_song", true), "--png " + d + "holds_song holds frame_000001.png, the file --music reads"},
        {scene("c.png", "c.txt", false), ""},
        {scene("x.png", "./x.png", false), "--png and --cells name the same file " + d + "./x.png"},  // Neither exists
        {scene("song.ogg", "sub/../hard.mp4", true), "--png and --cells name the same file " + d + "sub/../hard.mp4"},
        {scene("", "song.ogg", false), d + "song.ogg exists: give --overwrite to replace it"},
        {scene("", "song.ogg", true), ""},
        {scene("c.png", "..", true), "--cells wants a file, and " + d + ".. is a folder"},
    };
    mkdir(dir.at("sub").c_str(), 0755);
    for (const auto& c : cases) {
        CaptureOptions o;
        o.musicPath = dir.at("song.ogg");
        o.musicGiven = true;
        c.first(o);
        std::string error;
        EXPECT_EQ(checkFiles(o, error), c.second.empty()) << c.second;
        EXPECT_EQ(error, c.second);
    }
}

TEST(OutputFiles, AFileIsWrittenWholeOrNotAtAllAndNoTemporaryFileStays) {
    const std::string data(5000, 'x');
    const std::pair<WriteCall, size_t> cases[] = {{nullptr, 0}, {fullDiskWrite, 1000}, {fullDiskWrite, 0}, {silentWrite, 0}};
    for (const auto& c : cases) {
        TempDir dir;
        diskLeft = c.second;
        std::string error;
        const bool ok = c.first == nullptr;
        EXPECT_EQ(writeWholeFile(dir.at("out.png"), data.data(), data.size(), false, error, c.first), ok);
        EXPECT_EQ(entries(dir.path), ok ? std::vector<std::string>{"out.png"} : std::vector<std::string>{});
        EXPECT_EQ(ok ? readFile(dir.at("out.png")) : error,
                  ok ? data : "could not write " + dir.at("out.png") + ": No space left on device");
    }
}

// A file or a link at the output's path: replaced only when asked, and a link is never followed.
TEST(OutputFiles, AnExistingFileOrLinkIsReplacedOnlyWhenAskedAndALinkIsNeverFollowed) {
    for (const bool isLink : {false, true}) {
        for (const bool replace : {false, true}) {
            TempDir dir;
            writeFile(dir.at("target"), "precious");
            if (isLink) ASSERT_EQ(symlink("target", dir.at("out").c_str()), 0);
            else writeFile(dir.at("out"), "mine");
            std::string error;
            EXPECT_EQ(writeWholeFile(dir.at("out"), "new", 3, replace, error), replace);
            EXPECT_EQ(readFile(dir.at("target")), "precious");
            EXPECT_EQ(std::filesystem::is_symlink(dir.at("out")), isLink && !replace);
            EXPECT_EQ(readFile(dir.at("out")), replace ? "new" : (isLink ? "precious" : "mine"));
            EXPECT_EQ(error, replace ? "" : dir.at("out") + " exists: give --overwrite to replace it");
            EXPECT_EQ(entries(dir.path).size(), 2u);  // No temporary file left
        }
    }
}

// Temporary files are new (two at once never share a name), hidden and never taken for frames;
// discarding them leaves nothing. Frames have six digits or more and are listed in order.
TEST(OutputFiles, TemporaryFilesAreNewAndHiddenAndFramesHaveSixDigitsOrMore) {
    TempDir dir;
    TempFile a, b;
    std::string error;
    ASSERT_TRUE(openTemp(dir.at("x.txt"), a, error) && openTemp(dir.at("x.txt"), b, error) && writeTemp(a, "half", 4, error));
    const std::vector<std::string> temps = entries(dir.path);
    ASSERT_EQ(temps.size(), 2u);
    EXPECT_TRUE(temps[0][0] == '.' && temps[1][0] == '.');
    for (TempFile* t : {&a, &b, &b}) discardTemp(*t);  // Twice is harmless
    EXPECT_TRUE(entries(dir.path).empty());
    EXPECT_FALSE(openTemp(dir.at("none/x.txt"), a, error));
    EXPECT_EQ(error, "could not write " + dir.at("none/x.txt") + ": No such file or directory");

    EXPECT_EQ(frameName(0) + frameName(20736000), "frame_000000.pngframe_20736000.png");
    for (const std::string& name : {temps[0], temps[1], std::string("frame_000002.png"), std::string("frame_000001.png")}) {
        writeFile(dir.at(name), "");
    }
    for (const char* name : {"frame_00003.png", "frame_00000a.png", "frame_000003.png.part", "Frame_000003.png",
                             "frame_.png", "frame_000003.PNG"}) {
        writeFile(dir.at(name), "");
    }
    std::vector<std::string> listed;
    ASSERT_TRUE(listFrames(dir.path, listed, error));
    EXPECT_EQ(listed, (std::vector<std::string>{"frame_000001.png", "frame_000002.png"}));
    EXPECT_FALSE(listFrames(dir.at("none"), listed, error));
}
