// Music files made to be wrong, as a careless or hostile user would hand them over: every one is
// either refused (the silent show) or loaded with exactly what it holds, by the checked decode, by
// the track's load and by the capture tool's wave alike; never a crash, a hang or a huge buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "audio/analysis.h"
#include "audio/track_decoder.h"
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
    std::function<Bytes()> make;
    Verdict verdict;
    int frames = 0, channels = 0, rate = 0;  // What a file that loads holds (frames 0: any length)
};

constexpr int kFrames = 88200;  // Two seconds at 44.1 kHz: several audio pages

Pages stereo() { return encode(2, 44100, kFrames); }

// The stereo file with one edit made to its pages.
std::function<Bytes()> edited(const std::function<void(Pages&)>& edit) {
    return [edit] {
        Pages pages = stereo();
        edit(pages);
        return join(pages);
    };
}

std::function<Bytes()> withRate(uint32_t rate) { return edited([rate](Pages& p) { setRate(p, rate); }); }
std::function<Bytes()> withChannels(unsigned char n) { return edited([n](Pages& p) { setChannels(p, n); }); }
std::function<Bytes()> declaring(int64_t frames) { return edited([frames](Pages& p) { setGranule(p.back(), frames); }); }

// The first bytes of the show's own track
Bytes showTrack(size_t size) {
    Bytes b(size);
    EXPECT_EQ(std::ifstream(kShowTrack, std::ios::binary).read((char*)b.data(), (std::streamsize)size).gcount(), (long)size);
    return b;
}

// Deterministic noise, after the first `prefix` bytes of an Ogg page signature
Bytes noise(size_t prefix) {
    Bytes b = {'O', 'g', 'g', 'S', 0};
    b.resize(prefix);
    std::mt19937 random(7);
    for (int i = 0; i < 10000; ++i) b.push_back((unsigned char)random());
    return b;
}

// The body of the audio page halfway between the headers and the last page zeroed.
std::function<Bytes()> zeroedPage(bool fixed) {
    return edited([fixed](Pages& p) {
        Bytes& page = p[(headerPageCount(p) + p.size() - 1) / 2];
        std::fill(page.begin() + (long)(kPageHeader + page[26]), page.end(), 0);
        if (fixed) fixChecksum(page);
    });
}

void expectInRange(const AudioFeatures& a) {
    EXPECT_TRUE(a.valid);
    for (float v : a.bands) EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << v;
    for (float v : {a.level, a.bass, a.mid, a.treble, a.beat}) EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << v;
}

const Case kCases[] = {
    {"two seconds of stereo", [] { return join(stereo()); }, Verdict::Loads, kFrames, 2, 44100},
    {"a tiny mono file of 100 frames", [] { return join(encode(1, 8000, 100)); }, Verdict::Loads, 100, 1, 8000},
    {"8 channels at 192 kHz", [] { return join(encode(8, 192000, 3000)); }, Verdict::Loads, 3000, 8, 192000},
    {"two links of the same format", [] { return join(stereo()) + join(encode(2, 44100, 1000, 2)); },
     Verdict::Loads, kFrames + 1000, 2, 44100},
    // Refused by the bounds
    {"9 channels", [] { return join(encode(9, 8000, 1000)); }, Verdict::Refused},
    {"a second link at another rate", [] { return join(stereo()) + join(encode(2, 22050, 1000, 2)); }, Verdict::Refused},
    {"rate 0", withRate(0), Verdict::Refused},
    {"rate 7999", withRate(7999), Verdict::Refused},
    {"rate 8000, the lowest", withRate(8000), Verdict::Loads, kFrames, 2, 8000},
    {"rate 192000, the highest", withRate(192000), Verdict::Loads, kFrames, 2, 192000},
    {"rate 192001", withRate(192001), Verdict::Refused},
    {"rate 0xFFFFFFFF", withRate(0xFFFFFFFF), Verdict::Refused},
    {"channels 0", withChannels(0), Verdict::Refused},
    {"channels 255", withChannels(255), Verdict::Refused},
    {"channels 1 in a stereo file", withChannels(1), Verdict::Either, kFrames, 1, 44100},
    // Lengths declared by the last page's granule position
    {"declares 2^32 frames", declaring(int64_t{1} << 32), Verdict::Refused},
    {"declares just over 30 minutes", declaring(44100LL * 1800 + 1), Verdict::Refused},
    {"declares a second more than it holds", declaring(kFrames + 44100), Verdict::Refused},
    {"declares 1000 frames less than it holds", declaring(kFrames - 1000), Verdict::Either, kFrames - 1000, 2, 44100},
    // Damaged audio
    {"headers, 1000 zero bytes, the last page", [] {
         Pages pages = stereo();
         Pages damaged(pages.begin(), pages.begin() + (long)headerPageCount(pages));
         damaged.push_back(Bytes(1000, 0));
         damaged.push_back(pages.back());
         return join(damaged);
     }, Verdict::Refused},
    {"a middle audio page missing", [] {
         Pages pages = encode(2, 44100, 8 * 44100);  // Four audio pages
         pages.erase(pages.begin() + (long)headerPageCount(pages) + 1);
         return join(pages);
     }, Verdict::Refused},
    // Without its first audio page the stream reads as one joined late: what is left, or nothing.
    {"the first audio page missing", edited([](Pages& p) { p.erase(p.begin() + (long)headerPageCount(p)); }), Verdict::Either},
    {"an audio page's body zeroed, checksum left", zeroedPage(false), Verdict::Refused},
    {"an audio page's body zeroed, checksum fixed", zeroedPage(true), Verdict::Either, kFrames, 2, 44100},
    // Not Ogg Vorbis at all
    {"empty", [] { return Bytes{}; }, Verdict::Refused},
    {"the first page alone", [] { return stereo().front(); }, Verdict::Refused},
    // The show's track cut in its first page, in the headers, just past them (a decoder opens but
    // finds no length) and part-way into the audio
    {"the show's track cut to 20 bytes", [] { return showTrack(20); }, Verdict::Refused},
    {"the show's track cut to 3000 bytes", [] { return showTrack(3000); }, Verdict::Refused},
    {"the show's track cut to 6000 bytes", [] { return showTrack(6000); }, Verdict::Either},
    {"the show's track cut to 20000 bytes", [] { return showTrack(20000); }, Verdict::Either},
    {"10000 bytes of noise", [] { return noise(0); }, Verdict::Refused},
    {"an Ogg page signature in front of noise", [] { return noise(5); }, Verdict::Either},
};

}  // namespace

TEST_F(CraftedTrackTest, EveryCraftedFileIsRefusedOrLoadsWithExactlyWhatItHolds) {
    TempDir dir;
    int index = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = c.make();
        DecodedTrack decoded;
        const bool accepted = decodeTrackMemory(bytes.data(), bytes.size(), 0, decoded);
        EXPECT_TRUE(c.verdict == Verdict::Either || accepted == (c.verdict == Verdict::Loads));
        if (accepted) {
            if (c.frames > 0) {
                EXPECT_TRUE(decoded.frameCount == c.frames && decoded.channels == c.channels && decoded.sampleRate == c.rate)
                    << decoded.frameCount << " frames, " << decoded.channels << " channels at " << decoded.sampleRate;
            }
            const long long values = (long long)decoded.frameCount * decoded.channels;
            for (long long i = 0; i < values; ++i) ASSERT_TRUE(std::fabs(decoded.samples[i]) <= 1.0f) << i;
        } else {
            EXPECT_EQ(decoded.block, nullptr);
        }

        // The same verdict from a file: the show's load and the capture tool's wave.
        const std::string path = dir.put(std::to_string(index++) + ".ogg", bytes);
        MusicTrack track;
        EXPECT_EQ(load(track, path.c_str()), accepted);
        if (accepted) {
            EXPECT_EQ(track.frameCount, decoded.frameCount);
            expectInRange(update(track));
            expectInRange(analyseAt(track, 0.25f, 0.5f));
        } else {
            EXPECT_TRUE(track.samples == nullptr && track.spectrum.empty() && track.frameCount == 0);
            expectSilentRecord(update(track));
        }
        Wave wave = loadCheckedWave(path.c_str());
        EXPECT_EQ(IsWaveValid(wave), accepted);
        EXPECT_TRUE(!accepted || (wave.frameCount == (unsigned)decoded.frameCount && wave.sampleSize == 32));
        UnloadWave(wave);
        releaseDecodedTrack(decoded);
    }
}

TEST_F(CraftedTrackTest, AMissingFileADirectoryAndABadPrefixAreRefused) {
    TempDir dir;
    const Bytes good = join(encode(1, 8000, 100));
    DecodedTrack decoded;
    EXPECT_FALSE(decodeTrackFile(dir.file("missing.ogg").c_str(), 0, decoded));
    EXPECT_FALSE(decodeTrackFile(dir.path.c_str(), 0, decoded));
    EXPECT_FALSE(decodeTrackFile(nullptr, 0, decoded));
    MusicTrack track;
    EXPECT_FALSE(load(track, nullptr) || load(track, "") || load(track, dir.path.c_str()));
    EXPECT_FALSE(decodeTrackMemory(nullptr, 10, 0, decoded));
    EXPECT_FALSE(decodeTrackMemory(good.data(), good.size(), 2, decoded));  // Samples would be misaligned
    EXPECT_EQ(decoded.block, nullptr);
    // A reserved prefix comes before the samples and is left to the caller.
    ASSERT_TRUE(decodeTrackMemory(good.data(), good.size(), 44, decoded));
    EXPECT_EQ((unsigned char*)decoded.samples, decoded.block + 44);
    releaseDecodedTrack(decoded);
    EXPECT_EQ(decoded.block, nullptr);
}

TEST_F(CraftedTrackTest, ALoadedTrackGivenAnotherCopyDropsItsStreamButKeepsItWhenGivenItsOwn) {
    TempDir dir;
    const std::string path = dir.put("tiny.ogg", join(encode(1, 8000, 100)));
    MusicTrack track;
    ASSERT_TRUE(load(track, path.c_str()));
    float* own = track.samples;
    attachSamples(track, own, 100, 1, 8000);  // Its own copy again: the stream stays
    EXPECT_TRUE(track.ready && track.musicLoaded && track.samples == own && update(track).valid);
    attachSignal(track, std::vector<float>(1000, 0.5f), 1, 8000);
    EXPECT_FALSE(track.ready || track.musicLoaded || track.waveLoaded || track.streamImage != nullptr);
    expectSilentRecord(update(track));  // No stream to play
    EXPECT_FLOAT_EQ(analyseAt(track, 0.1f, 0.125f).level, 0.5f);

    // A load resets the analysis; unloading twice is harmless; a failed load leaves nothing behind
    attachSignal(track, tone(340.0f, 0.7f, 1.0f), 1);
    analyseAt(track, 0.5f, 1.0f);
    ASSERT_GT(track.bandLevel[3], 0.1f);
    ASSERT_TRUE(load(track, path.c_str()));
    EXPECT_TRUE(track.bandPeak[3] == 0.001f && track.bandLevel[3] == 0.0f && track.beatEnvelope == 0.0f);
    unload(track);
    unload(track);
    EXPECT_TRUE(track.samples == nullptr && !track.ready && track.music.ctxData == nullptr);
    ASSERT_TRUE(load(track, kShowTrack));
    EXPECT_FALSE(load(track, dir.file("missing.ogg").c_str()));
    EXPECT_TRUE(track.samples == nullptr && !track.ready && track.music.ctxData == nullptr && track.wave.data == nullptr);
}
