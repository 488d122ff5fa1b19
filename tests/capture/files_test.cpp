// A capture's files: checked before anything is drawn (inputs never outputs, outputs never each
// other, nothing replaced without --overwrite), then written whole under a new hidden name or not
// at all, never through a link, and renamed into place.
#include <gtest/gtest.h>

#include <sys/stat.h>  // Required for: mkdir()

#include <cerrno>

#include "capture_fixture.h"
#include "frontends/capture/output_check.h"
#include "frontends/capture/output_files.h"

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

// Each command line, run in a folder of inputs and old outputs, with the error it is refused with.
TEST(OutputCheck, EachCaseIsAllowedOrRefusedWithItsLine) {
    TempDir dir;
    const std::string home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    writeFile("song.ogg", "OggS...");
    writeFile("empty.ogg", "");
    writeFile("old.mp4", "a video");
    ASSERT_EQ(link("song.ogg", "hard.mp4") + symlink("song.ogg", "soft.mp4"), 0);
    for (const char* folder : {"folder.mp4", "frames", "others", "holds_song", "sub"}) mkdir(folder, 0755);
    for (const char* file : {"frames/frame_000010.png", "frames/frame_000029.png", "others/notes.txt"}) {
        writeFile(file, "");
    }
    ASSERT_EQ(link("song.ogg", "holds_song/frame_000001.png"), 0);
    const std::string music = " --music song.ogg";
    const std::pair<std::string, std::string> cases[] = {
        {"--video new.mp4" + music, ""},
        {"--video hard.mp4 --overwrite" + music, "--video hard.mp4 is the file --music reads"},
        {"--video soft.mp4 --overwrite" + music, "--video soft.mp4 is the file --music reads"},
        {"--video old.mp4" + music, "old.mp4 exists: give --overwrite to replace it"},
        {"--video old.mp4 --overwrite" + music, ""},
        {"--video folder.mp4 --overwrite", "--video wants a file, and folder.mp4 is a folder"},
        {"--video none/v.mp4", "no folder none for none/v.mp4"},
        {"--png f --music gone.ogg", "--music gone.ogg: No such file or directory"},
        {"--png f --music empty.ogg", "--music empty.ogg is empty"},
        {"--png f --music frames", "--music frames is not a file"},
        {"--png f", ""},  // The default music missing: a silent show
        {"--png frames" + music,
         "frames already holds 2 frames (frame_000010.png to frame_000029.png): give --overwrite to replace them"},
        {"--png frames --overwrite" + music, ""},
        {"--png others" + music, ""},
        {"--png old.mp4 --overwrite", "--png wants a folder for the frames, and old.mp4 is not one"},
        {"--png holds_song --overwrite" + music, "--png holds_song holds frame_000001.png, the file --music reads"},
        // Scenes read no music
        {"--scene cube --png c.png --cells c.txt", ""},
        {"--scene cube --png x.png --cells ./x.png", "--png and --cells name the same file ./x.png"},  // Neither exists
        {"--scene cube --png song.ogg --cells sub/../hard.mp4 --overwrite",
         "--png and --cells name the same file sub/../hard.mp4"},
        {"--scene cube --cells song.ogg", "song.ogg exists: give --overwrite to replace it"},
        {"--scene cube --cells song.ogg --overwrite", ""},
        {"--scene cube --png c.png --cells .. --overwrite", "--cells wants a file, and .. is a folder"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {"davur_evi_capture"};
        std::vector<const char*> args;
        for (size_t at = 0, end; at <= c.first.size(); at = end + 1) {
            end = std::min(c.first.find(' ', at), c.first.size());
            words.push_back(c.first.substr(at, end - at));
        }
        for (const std::string& w : words) args.push_back(w.c_str());
        const ParseResult parsed = parseOptions((int)args.size(), args.data());
        ASSERT_TRUE(parsed.ok) << c.first << ": " << parsed.error;
        std::string error;
        EXPECT_EQ(checkFiles(parsed.options, error), c.second.empty()) << c.first;
        EXPECT_EQ(error, c.second) << c.first;
    }
    std::filesystem::current_path(home);
}

TEST(OutputFiles, AFileIsWrittenWholeOrNotAtAllAndNoTemporaryFileStays) {
    const std::string data(5000, 'x');
    const std::pair<WriteCall, size_t> cases[] = {
        {nullptr, 0}, {fullDiskWrite, 1000}, {fullDiskWrite, 0}, {silentWrite, 0}};
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
    ASSERT_TRUE(openTemp(dir.at("x.txt"), a, error) && openTemp(dir.at("x.txt"), b, error));
    ASSERT_TRUE(writeTemp(a, "half", 4, error));
    const std::vector<std::string> temps = entries(dir.path);
    ASSERT_EQ(temps.size(), 2u);
    EXPECT_TRUE(temps[0][0] == '.' && temps[1][0] == '.');
    for (TempFile* t : {&a, &b, &b}) discardTemp(*t);  // Twice is harmless
    EXPECT_TRUE(entries(dir.path).empty());
    EXPECT_FALSE(openTemp(dir.at("none/x.txt"), a, error));
    EXPECT_EQ(error, "could not write " + dir.at("none/x.txt") + ": No such file or directory");

    EXPECT_EQ(frameName(0) + frameName(20736000), "frame_000000.pngframe_20736000.png");
    for (const std::string& temp : temps) writeFile(dir.at(temp), "");  // Only the first two are frames, in order
    for (const char* name : {"frame_000002.png", "frame_000001.png", "frame_00003.png", "frame_00000a.png",
                             "frame_000003.png.part", "Frame_000003.png", "frame_.png", "frame_000003.PNG"}) {
        writeFile(dir.at(name), "");
    }
    std::vector<std::string> listed;
    ASSERT_TRUE(listFrames(dir.path, listed, error));
    EXPECT_EQ(listed, (std::vector<std::string>{"frame_000001.png", "frame_000002.png"}));
    EXPECT_FALSE(listFrames(dir.at("none"), listed, error));
}
