// Where the track is read from: the working directory first, the program's folder second, an
// installed copy's ../share/davur_evi/ third, and a file found in none stays the relative path (the
// show then runs silent). The program's own folder on Windows is checked by the show's run under
// wine, the installed folder by the Debian package's run.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "app/data_path.h"

namespace {

constexpr const char* kTrack = "assets/audio/output.ogg";
std::set<std::string> gFiles;  // The files the fake file system has
bool inFakeFiles(const char* path) { return gFiles.count(path) != 0; }

TEST(DataPath, WorkingDirectoryThenProgramFolderThenInstalledFolder) {
    const struct { const char* what; std::set<std::string> files; const char* programFolder; const char* expected; } cases[] = {
        {"in the working directory", {kTrack, "C:\\Demo\\assets/audio/output.ogg"}, "C:\\Demo\\", kTrack},
        {"beside the program", {"C:\\Demo\\assets/audio/output.ogg"}, "C:\\Demo\\", "C:\\Demo\\assets/audio/output.ogg"},
        {"folder without a trailing separator", {"C:/Demo/assets/audio/output.ogg"}, "C:/Demo",
         "C:/Demo/assets/audio/output.ogg"},
        {"in neither place", {"D:\\elsewhere\\output.ogg"}, "C:\\Demo\\", kTrack},
        {"installed", {"/usr/bin/../share/davur_evi/assets/audio/output.ogg"}, "/usr/bin/",
         "/usr/bin/../share/davur_evi/assets/audio/output.ogg"},
        {"installed, folder without a trailing separator", {"/opt/de/bin/../share/davur_evi/assets/audio/output.ogg"},
         "/opt/de/bin", "/opt/de/bin/../share/davur_evi/assets/audio/output.ogg"},
        {"beside the program before installed", {"/usr/bin/assets/audio/output.ogg",
         "/usr/bin/../share/davur_evi/assets/audio/output.ogg"}, "/usr/bin/", "/usr/bin/assets/audio/output.ogg"},
        {"working directory before installed", {kTrack, "/usr/bin/../share/davur_evi/assets/audio/output.ogg"},
         "/usr/bin/", kTrack},
        {"installed data not under share/davur_evi", {"/usr/share/assets/audio/output.ogg"}, "/usr/bin/", kTrack},
        {"no program folder (the web): the working directory only", {"/opt/show/assets/audio/output.ogg"}, "", kTrack},
    };
    for (const auto& c : cases) {
        gFiles = c.files;
        EXPECT_EQ(chooseDataPath(kTrack, c.programFolder, inFakeFiles), c.expected) << c.what;
    }
}

// This program's own folder, as the installed show finds it: an absolute path ending in a separator
// whose folder holds the running test program, and the data found from it.
TEST(DataPath, ThisProgramsFolder) {
    const std::string folder = programDataFolder();
#ifdef __linux__
    ASSERT_TRUE(folder.size() > 1 && folder.front() == '/' && folder.back() == '/') << folder;
    FILE* self = std::fopen((folder + "app_tests").c_str(), "rb");
    EXPECT_NE(self, nullptr) << folder;
    if (self != nullptr) std::fclose(self);
#endif
    EXPECT_EQ(findDataFile("no/such/file.ogg"), "no/such/file.ogg");
}

}  // namespace
