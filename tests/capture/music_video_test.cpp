// A music video with no display at all (no DISPLAY, no Xvfb, the CPU renderer by default): a few
// seconds of a generated track become an upload-ready video (H.264 High, yuv420p, AAC, the index
// at the front) as long as the music and the closing screen, with the track's sound in it and
// pictures that follow the music; the same files give the same frames. And its sound as the
// frames take it: resampled and made stereo.
#include <gtest/gtest.h>

#include <sys/wait.h>  // Required for: WIFEXITED(), WEXITSTATUS()

#include <algorithm>  // Required for: std::find()
#include <cmath>
#include <cstdint>
#include <cstdlib>  // Required for: system(), strtod()
#include <cstring>  // Required for: memcpy()

#include "app/outro.h"  // Required for: kOutroSeconds
#include "capture_fixture.h"
#include "frontends/capture/process.h"  // Required for: findProgram()
#include "frontends/capture/track_capture.h"

namespace {

const std::string kTool = DAVUR_EVI_CAPTURE;
constexpr int kRate = 44100;
constexpr double kSeconds = 3.0;
constexpr double kPi = 3.14159265358979323846;
constexpr int kFps = 20;

// 16-bit stereo WAV: a bass note and a noise burst on every beat at 120 bpm, or silence.
std::string trackWav(bool music) {
    const int frames = (int)(kSeconds * kRate);
    std::string data;
    uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        const double t = (double)i / kRate, sinceBeat = std::fmod(t, 0.5);
        noise = noise * 1664525u + 1013904223u;
        const double hit = ((double)(noise >> 8) / (1 << 24) - 0.5) * std::exp(-sinceBeat * 30.0);
        const double v = music ? 0.5 * std::sin(2.0 * kPi * 55.0 * t) * std::exp(-sinceBeat * 6.0) + 0.6 * hit : 0.0;
        const int16_t s = (int16_t)std::lround(v * 30000.0);
        for (int c = 0; c < 2; ++c) data.append(reinterpret_cast<const char*>(&s), 2);
    }
    auto le = [](uint32_t v, int n) { std::string b; for (int i = 0; i < n; ++i) b += (char)((v >> (8 * i)) & 255); return b; };
    return "RIFF" + le(36 + (uint32_t)data.size(), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(2, 2) + le(kRate, 4) +
           le(kRate * 4, 4) + le(4, 2) + le(16, 2) + "data" + le((uint32_t)data.size(), 4) + data;
}

int runWithoutDisplay(const std::string& args, const TempDir& dir) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY '" + kTool + "' " + args + " 2>>" + (dir / "err") + " >/dev/null";
    const int rc = system(command.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

std::string shell(const std::string& command, const TempDir& dir) {
    EXPECT_EQ(system((command + " >" + (dir / "out")).c_str()), 0) << command;
    return readFile(dir.at("out"));
}

// The top-level boxes of an MP4 file, in order.
std::vector<std::string> boxes(const std::string& mp4) {
    std::vector<std::string> names;
    for (size_t at = 0; at + 8 <= mp4.size();) {
        uint64_t size = 0;
        for (int i = 0; i < 4; ++i) size = size << 8 | (unsigned char)mp4[at + i];
        names.push_back(mp4.substr(at + 4, 4));
        if (size == 1 && at + 16 <= mp4.size()) {
            size = 0;
            for (int i = 8; i < 16; ++i) size = size << 8 | (unsigned char)mp4[at + i];
        }
        if (size < 8) break;
        at += size;
    }
    return names;
}

std::vector<float> floats(const std::string& bytes) {
    std::vector<float> v(bytes.size() / sizeof(float));
    memcpy(v.data(), bytes.data(), v.size() * sizeof(float));
    return v;
}

double rms(const std::vector<float>& v, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to && i < v.size(); ++i) sum += (double)v[i] * v[i];
    return to > from ? std::sqrt(sum / (double)(to - from)) : 0.0;
}

}  // namespace

TEST(MusicVideo, AnyTrackBecomesAnUploadableVideoWithItsSoundAndPicturesThatFollowIt) {
    const std::string ffprobe = findProgram("ffprobe"), ffmpeg = findProgram("ffmpeg");
    if (ffprobe.empty() || ffmpeg.empty()) GTEST_SKIP() << "ffmpeg is not installed";
    TempDir dir;
    std::filesystem::create_directories(dir.at("music"));
    std::filesystem::create_directories(dir.at("silence"));
    writeFile(dir.at("music/track.wav"), trackWav(true));  // One name: the effects' order follows it
    writeFile(dir.at("silence/track.wav"), trackWav(false));
    const std::string small = " --size 160x90 --fps " + std::to_string(kFps);
    ASSERT_EQ(runWithoutDisplay("--track " + (dir / "music/track.wav") + " --video " + (dir / "v.mp4") + " --png " +
                                    (dir / "a") + small, dir), 0) << readFile(dir.at("err"));
    ASSERT_EQ(runWithoutDisplay("--track " + (dir / "music/track.wav") + " --png " + (dir / "b") + small, dir), 0);
    ASSERT_EQ(runWithoutDisplay("--track " + (dir / "silence/track.wav") + " --png " + (dir / "s") + small, dir), 0);
    EXPECT_EQ(readFile(dir.at("err")), "");

    // Format, and the index before the media for players that stream it
    const std::string probe = "'" + ffprobe + "' -v error -of csv=p=0 -select_streams ";
    EXPECT_EQ(shell(probe + "v -show_entries stream=codec_name,profile,pix_fmt " + (dir / "v.mp4"), dir), "h264,High,yuv420p\n");
    EXPECT_EQ(shell(probe + "a -show_entries stream=codec_name,sample_rate,channels " + (dir / "v.mp4"), dir), "aac,44100,2\n");
    const std::vector<std::string> top = boxes(readFile(dir.at("v.mp4")));
    const auto moov = std::find(top.begin(), top.end(), "moov"), mdat = std::find(top.begin(), top.end(), "mdat");
    EXPECT_TRUE(moov != top.end() && mdat != top.end() && moov < mdat) << "+faststart";

    // The music, then the closing screen; every frame as a PNG too, the same frames again
    const std::vector<std::string> frames = entries(dir.at("a"));
    const double music = kSeconds + kOutroSeconds;
    EXPECT_NEAR((double)frames.size() / kFps, music, 0.6);
    const double duration = strtod(shell("'" + ffprobe + "' -v error -of csv=p=0 -show_entries format=duration " + (dir / "v.mp4"), dir).c_str(), nullptr);
    EXPECT_NEAR(duration, (double)frames.size() / kFps, 0.1);
    ASSERT_EQ(entries(dir.at("b")), frames);
    for (const std::string& f : frames) ASSERT_EQ(readFile(dir.at("a/" + f)), readFile(dir.at("b/" + f))) << f;

    // The sound: the track while it plays (its beats louder than between them), silence after it
    shell("'" + ffmpeg + "' -v error -i " + (dir / "v.mp4") + " -map 0:a -ac 1 -ar 8000 -f f32le " + (dir / "pcm"), dir);
    const std::vector<float> pcm = floats(readFile(dir.at("pcm")));
    EXPECT_GT(rms(pcm, 8000, 8000 + 400), 0.1);          // The beat at 1 s
    EXPECT_LT(rms(pcm, 8000 + 3000, 8000 + 3600), rms(pcm, 8000, 8000 + 400) / 3);  // Before the next one
    EXPECT_LT(rms(pcm, (size_t)(8000 * (kSeconds + 1.0)), pcm.size()), 0.001);

    // The pictures follow the music: the same file name in silence draws other frames
    const std::vector<std::string> quiet = entries(dir.at("s"));
    EXPECT_EQ(quiet.size(), frames.size());
    int differing = 0;
    for (size_t i = 0; i < frames.size() && i < quiet.size() && i < (size_t)(kSeconds * kFps); ++i) {
        differing += readFile(dir.at("a/" + frames[i])) != readFile(dir.at("s/" + quiet[i]));
    }
    EXPECT_GT(differing, (int)(kSeconds * kFps) / 2);
}

// The video's sound from a file's frames: copied at the same rate, interpolated between rates, and
// stereo from mono or from more channels.
TEST(MusicVideo, ItsSoundIsTheFilesFramesInStereoAtTheVideosRate) {
    const std::vector<float> mono = {0.0f, 0.5f, 1.0f, 0.5f};
    auto read = [&](const std::vector<float>& values, int channels) {
        return [&values, channels](long long first, int count, float* out) {
            for (long long i = 0; i < (long long)count * channels; ++i) {
                const long long at = first * channels + i;
                out[i] = at >= 0 && at < (long long)values.size() ? values[(size_t)at] : 0.0f;
            }
        };
    };
    std::vector<float> scratch, out(8);
    double cursor = 1.0;
    resampleStereo(read(mono, 1), 1, 100, 100, cursor, 3, scratch, out.data());
    EXPECT_EQ(out, (std::vector<float>{0.5f, 0.5f, 1.0f, 1.0f, 0.5f, 0.5f, 0.0f, 0.0f}));  // Past the end: silence
    EXPECT_EQ(cursor, 4.0);
    cursor = 0.0;
    resampleStereo(read(mono, 1), 1, 100, 200, cursor, 4, scratch, out.data());  // Twice the rate: halfway points
    EXPECT_EQ(out, (std::vector<float>{0.0f, 0.0f, 0.25f, 0.25f, 0.5f, 0.5f, 0.75f, 0.75f}));
    EXPECT_EQ(cursor, 2.0);
    const std::vector<float> surround = {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f};  // One frame of six channels
    cursor = 0.0;
    resampleStereo(read(surround, 6), 6, 48000, 48000, cursor, 1, scratch, out.data());
    EXPECT_EQ(std::make_pair(out[0], out[1]), std::make_pair(0.1f, 0.2f));
    EXPECT_EQ(videoSoundRate(44100), 44100);
    EXPECT_EQ(videoSoundRate(192000), 48000);  // Beyond AAC
    EXPECT_EQ(videoSoundRate(96000), 96000);
}
