// The music a command line names: folders opened into their music files in name order.
#include <gtest/gtest.h>

#include <unistd.h>  // Required for: getpid()

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "frontends/terminal/term_files.h"

namespace {

namespace fs = std::filesystem;

TEST(TermFiles, MusicNamesInAnyCase) {
    for (const char* name : {"a.flac", "B.MP3", "c.Ogg", "d.opus", "e.wav", "f.aiff", "g.oga", "x.y.mp3"}) {
        EXPECT_TRUE(isMusicFileName(name)) << name;
    }
    for (const char* name : {"notes.txt", "cover.jpg", "mp3", ".mp3", "song.mp3.part", "song.", "flac"}) {
        EXPECT_FALSE(isMusicFileName(name)) << name;
    }
}

// A folder's music files in name order, between the arguments around it; hidden files, other
// files and folders (even one named like music) left out; a name that is no folder kept as it is.
TEST(TermFiles, FoldersOpenIntoTheirMusicFilesInNameOrder) {
    const fs::path folder = fs::temp_directory_path() / ("davur_evi-files-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "album.flac");
    for (const char* name : {"b.mp3", "A.FLAC", "a.wav", "notes.txt", ".hidden.mp3", "c.Ogg", "10.ogg", "9.ogg"}) {
        std::ofstream(folder / name) << "x";
    }
    std::ofstream(folder / "album.flac" / "inner.flac") << "x";
    const std::string f = folder.string();
    const std::vector<std::string> got = musicFiles({"first.wav", f, "missing.mp3", f + "/notes.txt"});
    const std::vector<std::string> want = {"first.wav",     f + "/10.ogg", f + "/9.ogg",  f + "/A.FLAC", f + "/a.wav",
                                           f + "/b.mp3",    f + "/c.Ogg",  "missing.mp3", f + "/notes.txt"};
    EXPECT_EQ(got, want);
    // An empty folder gives nothing
    fs::create_directories(folder / "empty");
    EXPECT_TRUE(musicFiles({(folder / "empty").string()}).empty());
    fs::remove_all(folder);
}

}  // namespace
