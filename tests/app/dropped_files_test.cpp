// Dropped music: the order it plays in and the notice about a file that cannot be played.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/dropped_files.h"
#include "app/notice.h"
#include "app/visualizer.h"
#include "framebuffer/cell_hash.h"
#include "tests/app/fake_platform.h"
#include "tests/sources/sound_fixtures.h"
#include "tests/sources/source_test_support.h"

namespace {

// The row of the grid as text, trailing blanks kept.
std::string rowText(const AsciiFramebuffer& fb, int y) {
    std::string text;
    for (int x = 0; x < fb.cols; ++x) text += (char)fb.at(x, y).codepoint;
    return text;
}

bool rowUntouched(const AsciiFramebuffer& fb, int y) {
    for (int x = 0; x < fb.cols; ++x) {
        if (fb.at(x, y) != Cell{}) return false;
    }
    return true;
}

// A WAV file of `seconds` of music, titled by its tags as its name says.
std::string wavFile(const source_test::TempDir& dir, const std::string& name, double seconds) {
    const auto& wav = sound_fixtures::kFormats[0];
    return dir.put(name + ".wav", sound_fixtures::writeFile(wav, 1, (long long)(seconds * wav.rate), name.c_str()));
}

// Whether any row of the grid reads `text`.
bool gridShows(const AsciiFramebuffer& fb, const std::string& text) {
    for (int y = 0; y < fb.rows; ++y) {
        if (rowText(fb, y).find(text) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

TEST(DroppedFiles, NameOrderIsAFileManagersByNameCaseAndDigitRunsByValueThenThePath) {
    std::vector<std::string> paths = {"/m/b/Track 10.flac", "/m/a/track 2.wav", "/m/c/TRACK 1.ogg",
                                      "/m/Intro.mp3",       "/m/z/01 outro.wav", "/m/y/1 outro.wav",
                                      "C:\\Music\\track 3.mp3", "/m/x/track 02.wav"};
    sortByName(paths);
    const std::vector<std::string> want = {"/m/y/1 outro.wav", "/m/z/01 outro.wav", "/m/Intro.mp3",
                                           "/m/c/TRACK 1.ogg", "/m/a/track 2.wav", "/m/x/track 02.wav",
                                           "C:\\Music\\track 3.mp3", "/m/b/Track 10.flac"};
    EXPECT_EQ(paths, want);

    // Digit runs longer than any integer, and names that are a prefix of another
    std::vector<std::string> long_ = {"a100000000000000000000", "a99999999999999999999", "a", "a0", "ab", ""};
    sortByName(long_);
    EXPECT_EQ(long_, (std::vector<std::string>{"", "a", "a0", "a99999999999999999999", "a100000000000000000000", "ab"}));
}

TEST(Notice, TheNoticeIsCentredOnItsRowForFiveSecondsInPrintableCells) {
    AsciiFramebuffer fb(40, 14, 10, 18, FramebufferBacking::CellsOnly);
    const Notice notice{cannotPlayText("/home/me/K\xC3\xB6ln.txt", "not a sound file"), 10.0f};
    EXPECT_EQ(cannotPlayText("C:\\m\\x.mp3", ""), "Cannot play x.mp3");

    EXPECT_FALSE(drawNotice(fb, notice, 9.99f));  // Not yet, and no longer: nothing written
    EXPECT_FALSE(drawNotice(fb, notice, 15.0f));
    EXPECT_FALSE(drawNotice(fb, Notice{}, 10.0f));
    for (int y = 0; y < fb.rows; ++y) ASSERT_TRUE(rowUntouched(fb, y)) << y;

    ASSERT_TRUE(drawNotice(fb, notice, 14.99f));
    // 34 cells of room: the text (one '?' for the two bytes of the o-umlaut) cut to 31 and "...",
    // a blank either side, centred from column 2, on the third row from the bottom
    EXPECT_EQ(rowText(fb, 11), "   Cannot play K?ln.txt: not a sou...   ");
    EXPECT_TRUE(fb.at(2, 11).bg != kSceneBackground && fb.at(2, 11).bg == fb.at(37, 11).bg);
    EXPECT_TRUE(fb.at(1, 11) == Cell{} && fb.at(38, 11) == Cell{});
    EXPECT_TRUE(fb.at(3, 11).fg != kDefaultGlyphColor);
    for (int y = 0; y < fb.rows; ++y) {
        if (y != 11) EXPECT_TRUE(rowUntouched(fb, y)) << y;
    }

    // A short text sits in the middle; odd room puts the extra cell on the right
    AsciiFramebuffer wide(41, 14, 10, 18, FramebufferBacking::CellsOnly);
    ASSERT_TRUE(drawNotice(wide, Notice{"ab", 0.0f}, 0.0f));
    EXPECT_EQ(rowText(wide, 11).substr(17, 6), "  ab  ");
    EXPECT_TRUE(wide.at(17, 11) == Cell{} && wide.at(22, 11) == Cell{});
    EXPECT_TRUE(wide.at(18, 11).bg == fb.at(2, 11).bg && wide.at(21, 11).bg == fb.at(2, 11).bg);
}

TEST(DroppedFiles, ADropPlaysWhatCanBePlayedInNameOrderAndNamesTheRestForAWhile) {
    source_test::TempDir dir;
    const std::string second = wavFile(dir, "Track 10", 30.0), first = wavFile(dir, "track 9", 30.0);
    const std::string notMusic = dir.put("notes.wav", {'j', 'u', 's', 't', ' ', 't', 'e', 'x', 't'});
    FakeShow s;
    s.frameAt(3.0f);
    EXPECT_EQ(windowTitle(s.show), "davur_evi");

    s.fake.drops = {second, notMusic, first};
    takeDroppedFiles(s.show, s.platform);
    s.frameAt(3.5f);
    ASSERT_TRUE(s.show.visualizer);
    EXPECT_EQ(s.show.visualizer->files, (std::vector<std::string>{first, second}));
    EXPECT_EQ(s.fake.musicUnloads, 1);  // The show's own music stopped
    const VisualizerStatus status = visualizerStatus(s.show);
    EXPECT_TRUE(status.title == "track 9" && status.fileIndex == 0 && status.fileCount == 2) << status.title;
    EXPECT_EQ(windowTitle(s.show), "track 9 - davur_evi");
    EXPECT_EQ(s.show.notice.text, "Cannot play notes.wav: not a sound file");
    // In the cells, cut to the grid's width: the zoom follows the music, down to 36 columns
    EXPECT_TRUE(gridShows(*s.show.fb, "Cannot play notes.wav"));
    s.frameAt(3.0f + kNoticeSeconds - 0.01f);
    EXPECT_TRUE(gridShows(*s.show.fb, "Cannot play notes.wav"));
    s.frameAt(3.0f + kNoticeSeconds + 0.01f);
    EXPECT_FALSE(gridShows(*s.show.fb, "Cannot play"));

    // A second drop replaces the list
    s.fake.drops = {second};
    takeDroppedFiles(s.show, s.platform);
    s.frameAt(9.0f);
    EXPECT_EQ(s.show.visualizer->files, std::vector<std::string>{second});
    EXPECT_EQ(windowTitle(s.show), "Track 10 - davur_evi");
    stopShow(s.show, s.platform);
}

TEST(DroppedFiles, WhenNothingDroppedCanBePlayedTheShowGoesOnAndSaysWhy) {
    source_test::TempDir dir;
    FakeShow s;
    s.frameAt(20.0f);  // Into the second scene
    const int scene = s.show.timeline.currentScene;
    const float sceneStart = s.show.timeline.sceneStart;
    s.fake.drops = {dir.put("x.txt", {'x'}), dir.file("missing.flac"), dir.path};
    takeDroppedFiles(s.show, s.platform);
    s.frameAt(20.5f);
    EXPECT_FALSE(s.show.visualizer);
    EXPECT_TRUE(s.show.timeline.currentScene == scene && s.show.timeline.sceneStart == sceneStart);
    EXPECT_EQ(s.fake.musicUnloads, 0);
    // The first by name ("davur_evi_audio_..." the folder, then "missing.flac", "x.txt"), and the rest counted
    EXPECT_EQ(s.show.notice.text.rfind("Cannot play davur_evi_audio_", 0), 0u) << s.show.notice.text;
    EXPECT_NE(s.show.notice.text.find("(and 2 more)"), std::string::npos) << s.show.notice.text;
    EXPECT_TRUE(gridShows(*s.show.fb, "Cannot play davur_evi_audio"));
    EXPECT_EQ(windowTitle(s.show), "davur_evi");
}

TEST(DroppedFiles, WithoutADropTheShowIsCellForCellTheShowWithoutTheHook) {
    FakeShow taking, plain;
    plain.platform.droppedFiles = nullptr;
    for (float t = 2.0f; t < 30.0f; t += 0.25f) {
        takeDroppedFiles(taking.show, taking.platform);
        taking.frameAt(t);
        plain.frameAt(t);
        ASSERT_EQ(cellHash(*taking.show.fb), cellHash(*plain.show.fb)) << t;
    }
    EXPECT_TRUE(taking.show.notice.text.empty() && !taking.show.visualizer);
}
