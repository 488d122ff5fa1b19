// Where the track is read from: the working directory first, the program's folder second, and a
// file found in neither stays the relative path (the show then runs silent).
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/data_path.h"

namespace {

std::set<std::string> gFiles;  // The files the fake file system has
bool inFakeFiles(const char* path) { return gFiles.count(path) != 0; }

TEST(DataPath, WorkingDirectoryThenProgramFolder) {
    const struct {
        const char* what;
        std::set<std::string> files;
        const char* programFolder;
        const char* expected;
    } cases[] = {
        {"found in the working directory", {"assets/audio/output.ogg", "C:\\Demo\\assets/audio/output.ogg"},
         "C:\\Demo\\", "assets/audio/output.ogg"},
        {"beside the program", {"C:\\Demo\\assets/audio/output.ogg"}, "C:\\Demo\\", "C:\\Demo\\assets/audio/output.ogg"},
        {"folder without a trailing separator", {"C:/Demo/assets/audio/output.ogg"}, "C:/Demo",
         "C:/Demo/assets/audio/output.ogg"},
        {"in neither place", {"D:\\elsewhere\\output.ogg"}, "C:\\Demo\\", "assets/audio/output.ogg"},
        {"no program folder (Linux): the working directory only", {"/opt/show/assets/audio/output.ogg"}, "",
         "assets/audio/output.ogg"},
    };
    for (const auto& c : cases) {
        gFiles = c.files;
        EXPECT_EQ(chooseDataPath("assets/audio/output.ogg", c.programFolder, inFakeFiles), c.expected) << c.what;
    }
    const std::string folder = programDataFolder();
#if defined(_WIN32)
    EXPECT_TRUE(!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) << folder;
#else
    EXPECT_TRUE(folder.empty()) << "only the working directory is a base here, not " << folder;
#endif
}

}  // namespace
