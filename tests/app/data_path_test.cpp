// Where the track is read from: the working directory first, the program's folder second, and a
// file found in neither stays the relative path (the show then runs silent). The program's own
// folder on Windows is checked by the show's run under wine.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/data_path.h"

namespace {

constexpr const char* kTrack = "assets/audio/output.ogg";
std::set<std::string> gFiles;  // The files the fake file system has
bool inFakeFiles(const char* path) { return gFiles.count(path) != 0; }

TEST(DataPath, WorkingDirectoryThenProgramFolder) {
    const struct { const char* what; std::set<std::string> files; const char* programFolder; const char* expected; } cases[] = {
        {"in the working directory", {kTrack, "C:\\Demo\\assets/audio/output.ogg"}, "C:\\Demo\\", kTrack},
        {"beside the program", {"C:\\Demo\\assets/audio/output.ogg"}, "C:\\Demo\\", "C:\\Demo\\assets/audio/output.ogg"},
        {"folder without a trailing separator", {"C:/Demo/assets/audio/output.ogg"}, "C:/Demo",
         "C:/Demo/assets/audio/output.ogg"},
        {"in neither place", {"D:\\elsewhere\\output.ogg"}, "C:\\Demo\\", kTrack},
        {"no program folder (Linux): the working directory only", {"/opt/show/assets/audio/output.ogg"}, "", kTrack},
    };
    for (const auto& c : cases) {
        gFiles = c.files;
        EXPECT_EQ(chooseDataPath(kTrack, c.programFolder, inFakeFiles), c.expected) << c.what;
    }
}

}  // namespace
