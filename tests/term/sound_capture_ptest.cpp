// Hearing the system's sound, against a private PulseAudio server with a null sink
// (scripts/headless.sh --private starts it; this program stops and starts it again): what the sink
// plays reaches the ring, sources are listed and picked by name, no server is refused at the start,
// and a server that goes away and comes back brings the sound back without a busy loop. It prints
// how long a sound handed to the server takes to reach the ring.
#include <gtest/gtest.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/sound_capture.h"

extern char** environ;

namespace {

constexpr const char* kSink = "davur_evi_null";
constexpr const char* kMonitor = "davur_evi_null.monitor";
constexpr double kToneAmplitude = 0.5f;  // RMS 0.35 in each channel
constexpr double kHeardRms = 0.2;        // Well above the silence of an idle null sink
constexpr double kQuietRms = 0.01;
constexpr double kDeadline = 20.0;       // Seconds a state may take on a busy machine

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
void sleepSeconds(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

// A tone written as raw stereo floats, played into the null sink by pacat in the background.
struct Player {
    pid_t pid = -1;
    std::string path;
};

Player playTone(double toneSeconds) {
    Player player;
    char path[] = "/tmp/davur_evi-tone.XXXXXX";
    const int fd = mkstemp(path);
    player.path = path;
    const int frames = (int)(toneSeconds * kCaptureRate);
    std::vector<float> values((size_t)frames * 2);
    for (int f = 0; f < frames; ++f) {
        values[(size_t)f * 2] = values[(size_t)f * 2 + 1] = (float)(kToneAmplitude * sin(2.0 * M_PI * 440.0 * f / kCaptureRate));
    }
    EXPECT_EQ(write(fd, values.data(), values.size() * sizeof(float)), (ssize_t)(values.size() * sizeof(float)));
    close(fd);
    const std::string device = std::string("--device=") + kSink;
    const char* argv[] = {"pacat", "--playback", "--latency-msec=20", "--raw", "--format=float32le", "--rate=44100", "--channels=2",
                          device.c_str(), path, nullptr};
    EXPECT_EQ(posix_spawnp(&player.pid, "pacat", nullptr, nullptr, (char* const*)argv, environ), 0);
    return player;
}

void stopPlaying(Player& player) {
    if (player.pid > 0) {
        kill(player.pid, SIGTERM);
        waitpid(player.pid, nullptr, 0);
    }
    if (!player.path.empty()) unlink(player.path.c_str());
    player = Player{};
}

// Runs a program to its end and returns its exit status.
int runCommand(std::vector<const char*> argv) {
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, (char* const*)argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The RMS of what came into the ring since the last look; negative when nothing came.
double recentRms(LiveRing& ring) {
    std::vector<float> mono((size_t)ring.capacity);
    const long long received = takeLiveMono(ring, mono.data(), (int)mono.size());
    const long long n = std::min<long long>(received, (long long)mono.size());
    if (n < 1) return -1.0;
    double sum = 0.0;
    for (long long i = 0; i < n; ++i) sum += (double)mono[(size_t)i] * mono[(size_t)i];
    return sqrt(sum / (double)n);
}

// Waits for the ring to hear the tone (true) within the deadline.
bool hearsTone(LiveRing& ring) {
    const double until = seconds() + kDeadline;
    while (seconds() < until) {
        if (recentRms(ring) > kHeardRms) return true;
        sleepSeconds(0.05);
    }
    return false;
}

SoundCapture* startCapture(const std::string& source, LiveRing& ring, std::string& error) {
    SoundCapture* capture = startSoundCapture(source, error);
    if (capture != nullptr) {
        EXPECT_TRUE(attachCaptureRing(capture, &ring));
    }
    return capture;
}

bool waitConnected(const SoundCapture* capture, bool connected) {
    const double until = seconds() + kDeadline;
    while (seconds() < until) {
        if (captureStatus(capture).connected == connected) return true;
        sleepSeconds(0.05);
    }
    return false;
}

class SoundCaptureTest : public testing::Test {
protected:
    void SetUp() override {
        // Never the machine's own server: this program stops the one it talks to
        const char* runtime = getenv("XDG_RUNTIME_DIR");
        ASSERT_TRUE(runtime != nullptr && strstr(runtime, "davur_evi-pulse") != nullptr)
            << "run under scripts/headless.sh --private";
        initLiveRing(ring, kCaptureChannels, kCaptureRate);
    }
    LiveRing ring;
};

TEST_F(SoundCaptureTest, ListsTheSourcesWithTheDefaultOutputsMonitorMarked) {
    std::vector<CaptureSourceInfo> sources;
    std::string error;
    ASSERT_TRUE(listCaptureSources(sources, error)) << error;
    int marked = 0;
    bool found = false;
    for (const CaptureSourceInfo& s : sources) {
        marked += s.listenDefault ? 1 : 0;
        if (s.name == kMonitor) {
            found = true;
            EXPECT_TRUE(s.monitor && s.listenDefault);
            EXPECT_FALSE(s.description.empty());
        }
    }
    EXPECT_TRUE(found);
    EXPECT_EQ(marked, 1);
}

// Silence, then once a second of it was heard a tone, written to the default output through a
// playback stream of 10 ms: the ring hears the silence as silence and the tone as soon as it plays. The time from the tone's first
// samples entering the server to their arrival in the ring is printed (a measurement, not a test).
void playSilenceThenTone(const std::atomic<bool>& wantTone, std::atomic<double>& toneWritten, const std::atomic<bool>& stop) {
    const pa_sample_spec sampleFormat = {PA_SAMPLE_FLOAT32NE, (uint32_t)kCaptureRate, 2};
    pa_buffer_attr attributes;
    attributes.maxlength = attributes.prebuf = attributes.minreq = attributes.fragsize = (uint32_t)-1;
    attributes.tlength = (uint32_t)pa_usec_to_bytes(10000, &sampleFormat);
    int code = 0;
    pa_simple* out = pa_simple_new(nullptr, "capture test", PA_STREAM_PLAYBACK, kSink, "silence then a tone",
                                   &sampleFormat, nullptr, &attributes, &code);
    ASSERT_NE(out, nullptr) << pa_strerror(code);
    constexpr int kBlock = 441;  // 10 ms
    std::vector<float> block(kBlock * 2);
    long long frame = 0;
    while (!stop.load()) {
        const bool tone = wantTone.load();
        for (int f = 0; f < kBlock; ++f, ++frame) {
            const float v = tone ? (float)(kToneAmplitude * sin(2.0 * M_PI * 440.0 * frame / kCaptureRate)) : 0.0f;
            block[(size_t)f * 2] = block[(size_t)f * 2 + 1] = v;
        }
        if (tone && toneWritten.load() < 0.0) toneWritten.store(seconds());
        if (pa_simple_write(out, block.data(), block.size() * sizeof(float), &code) < 0) break;
    }
    pa_simple_free(out);
}

TEST_F(SoundCaptureTest, HearsWhatTheDefaultOutputPlays) {
    std::string error;
    SoundCapture* capture = startCapture("", ring, error);
    ASSERT_NE(capture, nullptr) << error;
    EXPECT_TRUE(captureStatus(capture).connected);
    std::atomic<double> toneWritten{-1.0};
    std::atomic<bool> stop{false}, wantTone{false};
    std::thread player(playSilenceThenTone, std::cref(wantTone), std::ref(toneWritten), std::cref(stop));

    // Each new value looked at as it comes, every millisecond
    std::vector<float> mono((size_t)ring.capacity);
    double quietSum = 0.0, heardAt = -1.0;
    long long quietCount = 0;
    const double until = seconds() + kDeadline;
    while (seconds() < until && heardAt < 0.0) {
        const long long n = std::min<long long>(takeLiveMono(ring, mono.data(), (int)mono.size()), ring.capacity);
        for (long long i = 0; i < n && heardAt < 0.0; ++i) {
            const float v = mono[(size_t)i];
            if (fabsf(v) > kHeardRms) {
                heardAt = seconds();
            } else if (toneWritten.load() < 0.0) {
                quietSum += (double)v * v;
                ++quietCount;
            }
            if (quietCount >= kCaptureRate) wantTone.store(true);  // A second of silence heard
        }
        sleepSeconds(0.001);
    }
    stop.store(true);
    player.join();
    ASSERT_GT(heardAt, 0.0) << "the tone was not heard";
    ASSERT_GE(quietCount, kCaptureRate) << "the silence before it was not heard";
    EXPECT_LT(sqrt(quietSum / (double)quietCount), kQuietRms);
    const CaptureStatus status = captureStatus(capture);
    printf("from the server to the ring: %.1f ms\n", (heardAt - toneWritten.load()) * 1e3);
    EXPECT_EQ(status.connections, 1);
    stopSoundCapture(capture);
}

TEST_F(SoundCaptureTest, PicksASourceByNameAndRefusesAnUnknownOne) {
    std::string error;
    SoundCapture* capture = startCapture(kMonitor, ring, error);
    ASSERT_NE(capture, nullptr) << error;
    Player player = playTone(30.0);
    EXPECT_TRUE(hearsTone(ring));
    stopPlaying(player);
    stopSoundCapture(capture);

    EXPECT_EQ(startCapture("no_such_source", ring, error), nullptr);
    EXPECT_NE(error.find("no_such_source"), std::string::npos) << error;
}

// Only a ring of the capture's channels is taken.
TEST_F(SoundCaptureTest, TakesOnlyARingOfItsChannels) {
    std::string error;
    SoundCapture* capture = startSoundCapture("", error);
    ASSERT_NE(capture, nullptr) << error;
    LiveRing mono;
    initLiveRing(mono, 1, kCaptureRate);
    EXPECT_FALSE(attachCaptureRing(capture, &mono));
    EXPECT_FALSE(attachCaptureRing(capture, nullptr));
    EXPECT_FALSE(attachCaptureRing(nullptr, &ring));
    EXPECT_TRUE(attachCaptureRing(capture, &ring));
    stopSoundCapture(capture);
}

TEST_F(SoundCaptureTest, NoServerIsRefusedAtTheStart) {
    const std::string dir = getenv("XDG_RUNTIME_DIR");
    setenv("PULSE_SERVER", ("unix:" + dir + "/no-server-here").c_str(), 1);
    std::string error;
    EXPECT_EQ(startCapture("", ring, error), nullptr);
    EXPECT_NE(error.find("no sound server"), std::string::npos) << error;
    std::vector<CaptureSourceInfo> sources;
    error.clear();
    EXPECT_FALSE(listCaptureSources(sources, error));
    EXPECT_NE(error.find("no sound server"), std::string::npos) << error;
    unsetenv("PULSE_SERVER");
}

// The server stops under the capture and starts again: attempts now and then, not in a loop, and
// the sound comes back.
TEST_F(SoundCaptureTest, SoundComesBackWithTheServer) {
    std::string error;
    SoundCapture* capture = startCapture("", ring, error);
    ASSERT_NE(capture, nullptr) << error;
    ASSERT_EQ(runCommand({"pulseaudio", "--kill"}), 0);
    EXPECT_TRUE(waitConnected(capture, false));
    const long long attempts = captureStatus(capture).attempts;
    sleepSeconds(3.0);
    const long long tried = captureStatus(capture).attempts - attempts;
    EXPECT_LE(tried, (long long)(3.0 / kCaptureRetrySeconds) + 1) << "tries too often";

    ASSERT_EQ(runCommand({"bash", "-c", "start_sound_server"}), 0);  // The function scripts/headless.sh exports
    ASSERT_TRUE(waitConnected(capture, true));
    EXPECT_EQ(captureStatus(capture).connections, 2);
    recentRms(ring);
    Player player = playTone(30.0);
    EXPECT_TRUE(hearsTone(ring));
    stopPlaying(player);
    stopSoundCapture(capture);
}

}  // namespace
