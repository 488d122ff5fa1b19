// Music files made to be wrong, as a careless or hostile user would hand them over: every one is
// either refused (the silent show) or loaded with exactly what it holds; never a crash, a hang or a
// huge buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "audio/analysis.h"
#include "audio/track_decoder.h"
#include "audio/track_on_clock.h"
#include "audio_test_support.h"
#include "ogg_fixtures.h"

using namespace audio_test;
using namespace ogg_fixtures;

namespace {

using CraftedTrackTest = QuietTest;

// Bytes + bytes: files of several links.
Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

enum class Verdict { Refused, Loads, Either };

struct Case {
    const char* name;
    Bytes bytes;
    Verdict verdict;
    int frames = 0, channels = 0, rate = 0;  // What a file that loads holds (frames 0: any length)
};

constexpr int kFrames = 88200;  // Two seconds at 44.1 kHz: several audio pages

Pages stereo() { return encode(2, 44100, kFrames); }

// The stereo file with one edit made to its pages.
Bytes edited(const std::function<void(Pages&)>& edit) {
    Pages pages = stereo();
    edit(pages);
    return join(pages);
}
Bytes withRate(uint32_t rate) { return edited([rate](Pages& p) { setRate(p, rate); }); }
Bytes withChannels(unsigned char n) { return edited([n](Pages& p) { setChannels(p, n); }); }
Bytes declaring(int64_t frames) { return edited([frames](Pages& p) { setGranule(p.back(), frames); }); }

// The first bytes of the show's own track
Bytes showTrack(size_t size) {
    Bytes b(size);
    EXPECT_EQ(std::ifstream(kShowTrack, std::ios::binary).read((char*)b.data(), (std::streamsize)size).gcount(), (long)size);
    return b;
}

// The body of the audio page halfway between the headers and the last page zeroed.
Bytes zeroedPage(bool fixed) {
    return edited([fixed](Pages& p) {
        Bytes& page = p[(headerPageCount(p) + p.size() - 1) / 2];
        std::fill(page.begin() + (long)(kPageHeader + page[26]), page.end(), 0);
        if (fixed) fixChecksum(page);
    });
}

// Four audio pages, the second of them left out.
Bytes middlePageMissing() {
    Pages pages = encode(2, 44100, 8 * 44100);
    pages.erase(pages.begin() + (long)headerPageCount(pages) + 1);
    return join(pages);
}

// Made when the test runs, not before main.
std::vector<Case> cases() {
    return {
        {"two seconds of stereo", join(stereo()), Verdict::Loads, kFrames, 2, 44100},
        {"a tiny mono file of 100 frames", join(encode(1, 8000, 100)), Verdict::Loads, 100, 1, 8000},
        {"8 channels at 192 kHz", join(encode(8, 192000, 3000)), Verdict::Loads, 3000, 8, 192000},
        {"two links of the same format", join(stereo()) + join(encode(2, 44100, 1000, 2)), Verdict::Loads,
         kFrames + 1000, 2, 44100},
        // Refused by the bounds (the fuzz target's corpus holds rate 0xFFFFFFFF, 255 channels, 2^32
        // frames declared and a junk page among the headers)
        {"9 channels", join(encode(9, 8000, 1000)), Verdict::Refused},
        {"a second link at another rate", join(stereo()) + join(encode(2, 22050, 1000, 2)), Verdict::Refused},
        {"rate 0", withRate(0), Verdict::Refused},
        {"rate 7999", withRate(7999), Verdict::Refused},
        {"rate 8000, the lowest", withRate(8000), Verdict::Loads, kFrames, 2, 8000},
        {"rate 192000, the highest", withRate(192000), Verdict::Loads, kFrames, 2, 192000},
        {"rate 192001", withRate(192001), Verdict::Refused},
        {"channels 0", withChannels(0), Verdict::Refused},
        {"channels 1 in a stereo file", withChannels(1), Verdict::Either, kFrames, 1, 44100},
        // Lengths declared by the last page's granule position
        {"declares just over 30 minutes", declaring(44100LL * 1800 + 1), Verdict::Refused},
        {"declares a second more than it holds", declaring(kFrames + 44100), Verdict::Refused},
        {"declares 1000 frames less than it holds", declaring(kFrames - 1000), Verdict::Either, kFrames - 1000, 2, 44100},
        // Damaged audio
        {"a middle audio page missing", middlePageMissing(), Verdict::Refused},
        {"an audio page's body zeroed, checksum left", zeroedPage(false), Verdict::Refused},
        {"an audio page's body zeroed, checksum fixed", zeroedPage(true), Verdict::Either, kFrames, 2, 44100},
        // Not Ogg Vorbis at all (noise is the fuzz target's)
        {"empty", Bytes{}, Verdict::Refused},
        {"the first page alone", stereo().front(), Verdict::Refused},
        // The show's track cut in the headers and part-way into the audio (other cuts and edits whose
        // outcome is not fixed are the fuzz target's: it starts from the same kinds of files)
        {"the show's track cut to 3000 bytes", showTrack(3000), Verdict::Refused},
        {"the show's track cut to 20000 bytes", showTrack(20000), Verdict::Either},
    };
}

}  // namespace

// The show's load and the capture tool's wave read a file through the checked decode alike.
TEST_F(CraftedTrackTest, EveryCraftedFileIsRefusedOrLoadsWithExactlyWhatItHolds) {
    TempDir dir;
    int index = 0;
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.put(std::to_string(index++) + ".ogg", c.bytes);
        MusicTrack track;
        const bool accepted = load(track, path.c_str());
        EXPECT_TRUE(c.verdict == Verdict::Either || accepted == (c.verdict == Verdict::Loads));
        if (accepted) {
            EXPECT_TRUE(c.frames == 0 || (track.frameCount == c.frames && track.channels == c.channels &&
                                          track.sampleRate == c.rate))
                << track.frameCount << " frames, " << track.channels << " channels at " << track.sampleRate;
            const long long values = (long long)track.frameCount * track.channels;
            for (long long i = 0; i < values; ++i) ASSERT_TRUE(std::fabs(track.samples[i]) <= 1.0f) << i;
            EXPECT_TRUE(update(track).valid);  // Records in range whatever the bytes: the fuzz target's
        } else {
            EXPECT_TRUE(track.samples == nullptr && track.spectrum.empty() && track.frameCount == 0);
            expectSilentRecord(update(track));
        }
        TrackClock clock;  // The tools' load without a stream takes the same files
        MusicTrack onClock;
        EXPECT_EQ(loadOnClock(clock, onClock, path.c_str(), 0.0), accepted);
        EXPECT_TRUE(!accepted || (onClock.frameCount == track.frameCount && onClock.channels == track.channels));
    }
}

TEST_F(CraftedTrackTest, BadPathsAndPrefixesAreRefusedAndAnotherCopyOrAFailedLoadDropsTheStream) {
    TempDir dir;
    const Bytes good = join(encode(1, 8000, 100));
    DecodedTrack decoded;
    MusicTrack track;
    EXPECT_FALSE(decodeTrackFile(dir.file("missing.ogg").c_str(), 0, decoded) || decodeTrackFile(nullptr, 0, decoded));
    EXPECT_FALSE(load(track, nullptr) || load(track, "") || load(track, dir.path.c_str()));
    EXPECT_FALSE(decodeTrackMemory(nullptr, 10, 0, decoded));
    EXPECT_FALSE(decodeTrackMemory(good.data(), good.size(), 2, decoded));  // Samples would be misaligned
    EXPECT_EQ(decoded.block, nullptr);
    // A reserved prefix comes before the samples and is left to the caller.
    ASSERT_TRUE(decodeTrackMemory(good.data(), good.size(), 44, decoded));
    EXPECT_EQ((unsigned char*)decoded.samples, decoded.block + 44);
    releaseDecodedTrack(decoded);
    EXPECT_EQ(decoded.block, nullptr);

    // A loaded track given another copy drops its stream, but keeps it when given its own
    const std::string path = dir.put("tiny.ogg", good);
    ASSERT_TRUE(load(track, path.c_str()));
    float* own = track.samples;
    attachSamples(track, own, 100, 1, 8000);  // Its own copy again: the stream stays
    EXPECT_TRUE(track.ready && track.musicLoaded && track.samples == own && update(track).valid);
    attachSignal(track, tone(340.0f, 0.7f, 1.0f), 1);
    EXPECT_FALSE(track.ready || track.musicLoaded || track.waveLoaded || track.streamImage != nullptr);
    expectSilentRecord(update(track));  // No stream to play, and the analysis state untouched
    EXPECT_TRUE(track.spectrum[7] == 0.0f && track.bandPeak[0] == 0.001f);

    // A load resets the analysis; a failed load after a good one leaves nothing behind
    analyseAt(track, 0.5f, 1.0f);
    ASSERT_GT(track.bandLevel[3], 0.1f);
    ASSERT_TRUE(load(track, path.c_str()));
    EXPECT_TRUE(track.bandPeak[3] == 0.001f && track.bandLevel[3] == 0.0f && track.beatEnvelope == 0.0f);
    EXPECT_FALSE(load(track, dir.file("missing.ogg").c_str()));
    EXPECT_TRUE(track.samples == nullptr && !track.ready && track.music.ctxData == nullptr && track.wave.data == nullptr);
    unload(track);  // Nothing left to unload: harmless
}
