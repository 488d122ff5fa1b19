// The CPU renderer needs no display: the program runs with neither DISPLAY nor WAYLAND_DISPLAY
// set, to a picture of a scene and to a short video with its sound, twice to the same bytes.
#include <gtest/gtest.h>

#include <sys/wait.h>  // Required for: WIFEXITED(), WEXITSTATUS()

#include <cstdlib>  // Required for: system()

#include "capture_fixture.h"
#include "frontends/capture/process.h"  // Required for: findProgram()
#include "raylib.h"                      // Required for: LoadImage()

namespace {

const std::string kTool = DAVUR_EVI_CAPTURE;

int runWithoutDisplay(const std::string& args, const TempDir& dir) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY '" + kTool + "' --renderer cpu " + args + " 2>>" +
                                (dir / "err") + " >/dev/null";
    const int rc = system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

}  // namespace

TEST(NoDisplay, TheCpuRendererCapturesASceneAndAVideoTwiceAlike) {
    TempDir dir;
    ASSERT_EQ(runWithoutDisplay("--scene plasma_storm --time 3 --png " + (dir / "a.png"), dir), 0) << readFile(dir.at("err"));
    ASSERT_EQ(runWithoutDisplay("--scene plasma_storm --time 3 --png " + (dir / "b.png"), dir), 0);
    const std::string a = readFile(dir.at("a.png"));
    EXPECT_EQ(a, readFile(dir.at("b.png")));
    SetTraceLogLevel(LOG_NONE);
    Image picture = LoadImage(dir.at("a.png").c_str());
    EXPECT_EQ(std::make_pair(picture.width, picture.height), std::make_pair(1200, 756));  // The 120 x 42 grid
    UnloadImage(picture);
    EXPECT_EQ(readFile(dir.at("err")), "");

    const std::string ffprobe = findProgram("ffprobe");
    if (ffprobe.empty() || findProgram("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    const std::string music = " --music assets/audio/output.ogg";
    ASSERT_EQ(runWithoutDisplay("--video " + (dir / "v.mp4") + " --from 7 --to 8 --fps 30 --size 320x180" + music, dir), 0)
        << readFile(dir.at("err"));
    ASSERT_EQ(runWithoutDisplay("--png " + (dir / "frames") + " --from 7 --to 7.2 --fps 30 --size 320x180" + music, dir), 0);
    ASSERT_EQ(runWithoutDisplay("--png " + (dir / "again") + " --from 7 --to 7.2 --fps 30 --size 320x180" + music, dir), 0);
    const std::vector<std::string> frames = entries(dir.at("frames"));
    ASSERT_EQ(frames.size(), 6u);
    for (const std::string& f : frames) EXPECT_EQ(readFile(dir.at("frames/" + f)), readFile(dir.at("again/" + f))) << f;
    EXPECT_NE(readFile(dir.at("frames/" + frames.front())), readFile(dir.at("frames/" + frames.back())));

    const std::string probe = "'" + ffprobe + "' -v error -count_frames -of csv=p=0 -show_entries stream=";
    ASSERT_EQ(system((probe + "codec_name,width,height,nb_read_frames -select_streams v " + (dir / "v.mp4") + " >" +
                      (dir / "vs") + ";" + probe + "codec_name -select_streams a " + (dir / "v.mp4") + " >" + (dir / "as"))
                         .c_str()),
              0);
    EXPECT_EQ(readFile(dir.at("vs")), "h264,320,180,30\n");
    EXPECT_EQ(readFile(dir.at("as")), "aac\n");
}
