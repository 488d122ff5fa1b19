// With a real audio device (a PulseAudio null sink in the test run): a music file plays through the
// device in real time, the analysis follows its play position, and the end of the file is seen.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "audio/source_player.h"
#include "sound_fixtures.h"
#include "source_test_support.h"

using namespace sound_fixtures;
using namespace source_test;

TEST(SourcePlayer, AFilePlaysInRealTimeTheAnalysisFollowsAndItsEndIsSeen) {
    SetTraceLogLevel(LOG_NONE);
    InitAudioDevice();
    ASSERT_TRUE(IsAudioDeviceReady()) << "no audio device: start PulseAudio with a null sink";
    TempDir dir;
    SoundSource source;
    ASSERT_TRUE(openFileSource(source, dir.put("three.flac", writeFile(kFormats[1], 2, 3 * 44100)).c_str()));
    SourcePlayer player;
    const auto start = std::chrono::steady_clock::now();
    const auto now = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    ASSERT_TRUE(startPlayer(player, source, now()));

    double last = 0.0, firstMoving = -1.0, endedAt = -1.0;
    float loudest = 0.0f;
    while (now() < 20.0 && endedAt < 0.0) {
        const double position = updatePlayer(player, source, now());
        EXPECT_GE(position, last);
        EXPECT_LE(position, now() + 0.25);  // Never ahead of the time it has had to play, but for the device's buffer
        last = position;
        if (position > 0.0 && firstMoving < 0.0) firstMoving = now();
        loudest = std::max(loudest, analyseSource(source, position).level);
        if (playerFinished(player, source)) endedAt = now();
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    ASSERT_GT(firstMoving, 0.0) << "the stream never started";
    ASSERT_GT(endedAt, 0.0) << "the end was never seen";
    // Three seconds of music take at least about three seconds of wall time (more on a slow
    // machine, where the stream may run dry now and then), and play to their end
    EXPECT_GT(endedAt - firstMoving, 2.5);
    EXPECT_GT(last, 2.9);
    EXPECT_GT(loudest, 0.05f);
    stopPlayer(player, source);

    // Live sound is not played back
    SoundSource live;
    ASSERT_TRUE(openLiveSource(live, 48000, 2));
    EXPECT_FALSE(startPlayer(player, live, 0.0));
    CloseAudioDevice();
}
