// Output files: written whole under a temporary name or not at all, never through a link, never
// over an existing file unless asked; frame names; when two paths are the same file.
#include <gtest/gtest.h>

#include <sys/stat.h>  // Required for: mkdir()
#include <unistd.h>    // Required for: mkdtemp(), symlink(), link()

#include <algorithm>  // Required for: std::sort()
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/capture/output_files.h"

namespace {

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/davur_evi_output_test.XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string at(const std::string& name) const { return path + "/" + name; }
};

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A disk that takes 1000 bytes and then is full; or one that takes nothing and says nothing.
size_t diskLeft = 0;
ssize_t fullDiskWrite(int fd, const void* data, size_t size) {
    if (diskLeft == 0) {
        errno = ENOSPC;
        return -1;
    }
    const size_t n = size < diskLeft ? size : diskLeft;
    diskLeft -= n;
    return write(fd, data, n);
}
ssize_t silentWrite(int, const void*, size_t) { return 0; }

}  // namespace

TEST(OutputFiles, AFileIsWrittenWholeOrNotAtAllAndNoTemporaryFileStays) {
    const std::string data(5000, 'x');
    const struct {
        const char* what;
        WriteCall write;
        size_t disk;
        bool ok;
        const char* reason;
    } cases[] = {
        {"room enough", nullptr, 0, true, ""},
        {"full after 1000 bytes", fullDiskWrite, 1000, false, "No space left on device"},
        {"full from the start", fullDiskWrite, 0, false, "No space left on device"},
        {"writes nothing without an error", silentWrite, 0, false, "No space left on device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        diskLeft = c.disk;
        std::string error;
        EXPECT_EQ(writeWholeFile(dir.at("out.png"), data.data(), data.size(), false, error, c.write), c.ok);
        if (c.ok) {
            EXPECT_EQ(readFile(dir.at("out.png")), data);
            EXPECT_EQ(entries(dir.path), std::vector<std::string>{"out.png"});
        } else {
            EXPECT_EQ(error, "could not write " + dir.at("out.png") + ": " + c.reason);
            EXPECT_TRUE(entries(dir.path).empty());
        }
    }
}

// What is at the output's path beforehand, and whether it may be replaced.
TEST(OutputFiles, AnExistingFileOrLinkIsReplacedOnlyWhenAskedAndALinkIsNeverFollowed) {
    const struct {
        const char* what;
        bool link;
        bool replace;
        bool ok;
    } cases[] = {
        {"a file, kept", false, false, false},
        {"a file, replaced", false, true, true},
        {"a link, kept", true, false, false},
        {"a link, replaced by a file", true, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeFile(dir.at("target"), "precious");
        if (c.link) ASSERT_EQ(symlink("target", dir.at("out").c_str()), 0);
        else writeFile(dir.at("out"), "mine");
        std::string error;
        EXPECT_EQ(writeWholeFile(dir.at("out"), "new", 3, c.replace, error), c.ok);
        EXPECT_EQ(readFile(dir.at("target")), "precious");  // Never written through the link
        EXPECT_EQ(std::filesystem::is_symlink(dir.at("out")), c.link && !c.ok);
        EXPECT_EQ(readFile(dir.at("out")), c.ok ? "new" : (c.link ? "precious" : "mine"));
        if (!c.ok) {
            EXPECT_EQ(error, dir.at("out") + " exists: give --overwrite to replace it");
        }
        EXPECT_EQ(entries(dir.path).size(), 2u);  // No temporary file left
    }
}

TEST(OutputFiles, ATemporaryFileIsNewAndHiddenAndDiscardingItLeavesNothing) {
    TempDir dir;
    TempFile a, b;
    std::string error;
    ASSERT_TRUE(openTemp(dir.at("x.txt"), a, error));
    ASSERT_TRUE(openTemp(dir.at("x.txt"), b, error));
    EXPECT_NE(a.tempPath, b.tempPath);
    EXPECT_EQ(std::filesystem::path(a.tempPath).filename().string()[0], '.');
    EXPECT_FALSE(isFrameName(std::filesystem::path(a.tempPath).filename().string()));
    ASSERT_TRUE(writeTemp(a, "half", 4, error));
    discardTemp(a);
    discardTemp(b);
    discardTemp(b);  // Twice is harmless
    EXPECT_TRUE(entries(dir.path).empty());

    EXPECT_FALSE(openTemp(dir.at("no/such/folder/x.txt"), a, error));
    EXPECT_EQ(error, "could not write " + dir.at("no/such/folder/x.txt") + ": No such file or directory");
}

TEST(OutputFiles, AWorkFolderIsPrivateAndGoesWithEverythingInIt) {
    TempDir dir;
    std::string folder, error;
    ASSERT_TRUE(makeWorkFolder(dir.at("v.mp4"), folder, error));
    EXPECT_EQ(std::filesystem::status(folder).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    writeFile(folder + "/picture.mp4", "x");
    writeFile(folder + "/video", "y");
    removeWorkFolder(folder);
    EXPECT_TRUE(entries(dir.path).empty());
}

TEST(OutputFiles, FrameNamesHaveSixDigitsOrMore) {
    EXPECT_EQ(frameName(0), "frame_000000.png");
    EXPECT_EQ(frameName(20736000), "frame_20736000.png");
    const struct {
        const char* name;
        bool frame;
    } cases[] = {
        {"frame_000003.png", true}, {"frame_12345678.png", true}, {"frame_00003.png", false},
        {"frame_00000a.png", false}, {"frame_000003.png.part", false}, {"Frame_000003.png", false},
        {".frame_000003.png", false}, {"frame_.png", false}, {"frame_000003.PNG", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isFrameName(c.name), c.frame) << c.name;

    TempDir dir;
    for (const char* name : {"frame_000002.png", "frame_000001.png", "notes.txt", "frame_1.png"}) {
        writeFile(dir.at(name), "");
    }
    std::vector<std::string> frames;
    std::string error;
    ASSERT_TRUE(listFrames(dir.path, frames, error));
    EXPECT_EQ(frames, (std::vector<std::string>{"frame_000001.png", "frame_000002.png"}));
    EXPECT_FALSE(listFrames(dir.at("none"), frames, error));
}

TEST(OutputFiles, TwoPathsAreTheSameFileByIdentityNotBySpelling) {
    TempDir dir;
    writeFile(dir.at("song.ogg"), "ogg");
    writeFile(dir.at("other.ogg"), "ogg");
    ASSERT_EQ(link(dir.at("song.ogg").c_str(), dir.at("hard.ogg").c_str()), 0);
    ASSERT_EQ(symlink("song.ogg", dir.at("soft.mp4").c_str()), 0);
    ASSERT_EQ(symlink("nowhere", dir.at("dangling").c_str()), 0);
    ASSERT_EQ(mkdir(dir.at("sub").c_str(), 0755), 0);
    const struct {
        std::string a, b;
        bool same;
    } cases[] = {
        {dir.at("song.ogg"), dir.at("sub/../song.ogg"), true},
        {dir.at("song.ogg"), dir.at("hard.ogg"), true},
        {dir.at("song.ogg"), dir.at("soft.mp4"), true},
        {dir.at("song.ogg"), dir.at("other.ogg"), false},
        {dir.at("new.png"), dir.at("./new.png"), true},  // Neither exists yet: same folder, same name
        {dir.at("new.png"), dir.at("sub/../new.png"), true},
        {dir.at("new.png"), dir.at("new.txt"), false},
        {dir.at("new.png"), dir.at("sub/new.png"), false},
        {dir.at("dangling"), dir.at("./dangling"), true},
        {dir.at("dangling"), dir.at("nowhere"), false},
    };
    for (const auto& c : cases) {
        FileIdentity a, b;
        std::string error;
        ASSERT_TRUE(identify(c.a, a, error)) << c.a << ": " << error;
        ASSERT_TRUE(identify(c.b, b, error)) << c.b << ": " << error;
        EXPECT_EQ(sameFile(a, b), c.same) << c.a << " and " << c.b;
    }
    FileIdentity id;
    std::string error;
    EXPECT_FALSE(identify(dir.at("none/x.png"), id, error));
    EXPECT_EQ(error, "no folder " + dir.at("none") + " for " + dir.at("none/x.png"));
}
