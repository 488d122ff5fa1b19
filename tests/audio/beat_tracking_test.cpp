// The beat tracker's parts: the log it compresses with, onset strength on a fixed hop whatever the
// block sizes, the tempo of clicks and of nothing, the ahead pass's grid and its lookup, and the
// live tracker's lock and release. The accuracy over whole tracks is tests/app/beat_accuracy_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "audio/beat_grid.h"
#include "audio/live_beats.h"
#include "audio/onset_strength.h"
#include "audio/tempo_estimate.h"
#include "tests/audio/drum_tracks.h"

namespace {

constexpr int kRate = 22050;
// The ahead pass's grid of a 20 s swing track at 112 bpm (TheAheadPassIsTheSameEverywhere)
constexpr size_t kGridBeats = 37;
constexpr uint64_t kGridHash = 16824461827425849228ull;
constexpr uint32_t kGridBpmBits = 1122101024u;

// Short clicks (a decaying 1 kHz burst) every 60 / bpm seconds from `first`.
std::vector<float> clicks(float bpm, double first, double seconds, int rate = kRate) {
    std::vector<float> s((size_t)(seconds * rate), 0.0f);
    for (double t = first; t < seconds; t += 60.0 / bpm) {
        const size_t at = (size_t)(t * rate);
        for (size_t i = 0; i < (size_t)rate / 50 && at + i < s.size(); ++i)
            s[at + i] = 0.8f * showSin(6.2831855f * 1000.0f * (float)i / (float)rate) * showExp(-(float)i / (float)rate * 200.0f);
    }
    return s;
}

std::vector<float> onsetsOf(const std::vector<float>& samples, int rate, const std::vector<int>& blocks) {
    OnsetDetector d = makeOnsetDetector(rate);
    std::vector<float> out;
    size_t at = 0;
    for (size_t i = 0; at < samples.size(); ++i) {
        const int n = (int)std::min(samples.size() - at, (size_t)blocks[i % blocks.size()]);
        pushSamples(d, samples.data() + at, n, out);
        at += (size_t)n;
    }
    return out;
}

}  // namespace

TEST(BeatTracking, NaturalLogMatchesTheLibraryAndRefusesWhatHasNone) {
    for (float x : {1.0f, 2.0f, 0.5f, 2.7182817f, 10.0f, 1.0e-30f, 3.0e20f, 0.70710677f, 1.4142135f, 123.456f})
        EXPECT_NEAR(naturalLog(x), (float)log((double)x), 2e-6f * fmaxf(1.0f, fabsf((float)log((double)x)))) << x;
    EXPECT_EQ(naturalLog(1.0f), 0.0f);
    for (float x : {0.0f, -1.0f, NAN, INFINITY}) EXPECT_EQ(naturalLog(x), 0.0f) << x;
    EXPECT_NEAR(log2Of(8.0f), 3.0f, 1e-6f);
}

TEST(BeatTracking, OnsetValuesComeOnAFixedHopWhateverTheBlocks) {
    const drum_tracks::Track t = drum_tracks::steadyTrack("t", drum_tracks::Style::Breakbeat, 120.0f, 6.0, kRate, 7);
    const std::vector<float> whole = onsetsOf(t.samples, kRate, {1 << 30});
    EXPECT_EQ(whole, onsetsOf(t.samples, kRate, {1, 367, 2203, 93, 1021}));
    const OnsetDetector d = makeOnsetDetector(kRate);
    // {rate, hop, window}: 100 values a second, about 40 ms transformed
    const int shapes[][3] = {{22050, 221, 1024}, {44100, 441, 2048}, {48000, 480, 2048}, {8000, 80, 512}, {192000, 1920, 8192}};
    for (const auto& s : shapes) {
        const OnsetDetector e = makeOnsetDetector(s[0]);
        EXPECT_TRUE(e.hop == s[1] && e.window == s[2]) << s[0];
    }
    for (int rate : {7999, 192001, 0, -44100}) EXPECT_TRUE(onsetsOf(t.samples, rate, {4096}).empty()) << rate;
    // Value n is centred on sample n * hop: the first comes after half a window
    EXPECT_EQ(whole.size(), (t.samples.size() - (size_t)d.window / 2) / (size_t)d.hop + 1);
    EXPECT_DOUBLE_EQ(onsetSeconds(d, 100.0), 100.0 * 221.0 / 22050.0);
}

TEST(BeatTracking, AClickShowsAtItsTimeAndSilenceOrNanShowsNothing) {
    std::vector<float> s(kRate * 2, 0.0f);
    const std::vector<float> click = clicks(60.0f, 0.0, 0.05);
    std::copy(click.begin(), click.end(), s.begin() + kRate);  // One click at 1.0 s
    const std::vector<float> o = onsetsOf(s, kRate, {512});
    const OnsetDetector d = makeOnsetDetector(kRate);
    const size_t peak = (size_t)(std::max_element(o.begin(), o.end()) - o.begin());
    EXPECT_NEAR(onsetSeconds(d, (double)peak), 1.0, 0.03);
    EXPECT_GT(o[peak], 0.0f);
    std::vector<float> quiet(kRate, 0.0f);
    quiet[100] = NAN;
    for (float v : onsetsOf(quiet, kRate, {333})) EXPECT_EQ(v, 0.0f);
}

TEST(BeatTracking, TheTempoOfClicksAndOfNothing) {
    const OnsetDetector d = makeOnsetDetector(kRate);
    const float rate = onsetValueRate(d);
    // {clicks, tempo found}: above 185 bpm the half is kept, as the comb prefers it
    const float cases[][2] = {{66.0f, 66.0f}, {97.0f, 97.0f}, {123.0f, 123.0f}, {150.0f, 150.0f}, {178.0f, 178.0f}, {192.0f, 96.0f}};
    for (const auto& c : cases) {
        const std::vector<float> o = onsetsOf(clicks(c[0], 0.2, 12.0), kRate, {4096});
        const TempoEstimate e = estimateTempo(o.data(), (int)o.size(), rate, 0.0f);
        EXPECT_NEAR(e.bpm, c[1], c[1] * 0.01f) << c[0];
        EXPECT_GT(e.confidence, 0.5f) << c[0];
        // A tempo heard so far holds its level: the same clicks at twice or half of it keep it
        EXPECT_NEAR(inOctaveOf(e.bpm * 2.0f, e.bpm), e.bpm, 1e-3f);
    }
    EXPECT_EQ(inOctaveOf(100.0f, 130.0f), 100.0f);
    EXPECT_EQ(inOctaveOf(61.0f, 120.0f), 122.0f);
    const std::vector<float> silence(1200, 0.0f);
    const TempoEstimate none = estimateTempo(silence.data(), (int)silence.size(), rate, 0.0f);
    EXPECT_TRUE(none.bpm == 0.0f && none.confidence == 0.0f);
    drum_tracks::Noise noise{3};
    std::vector<float> hiss(kRate * 10);
    for (float& v : hiss) v = 0.3f * noise.next();
    const std::vector<float> o = onsetsOf(hiss, kRate, {4096});
    EXPECT_LT(estimateTempo(o.data(), (int)o.size(), rate, 0.0f).confidence, 0.2f);
    EXPECT_EQ(estimateTempo(o.data(), 1, rate, 0.0f).bpm, 0.0f);
}

TEST(BeatTracking, TheAheadPassPutsItsBeatsOnTheClicksAndLooksThemUp) {
    const std::vector<float> s = clicks(100.0f, 0.5, 20.0);
    const BeatGrid grid = analyseBeats(s.data(), (long long)s.size(), kRate);
    EXPECT_NEAR(grid.bpm, 100.0f, 0.5f);
    EXPECT_GT(grid.confidence, 0.8f);
    ASSERT_GE(grid.beats.size(), 30u);
    for (double b : grid.beats) {
        const double k = (b - 0.5) / 0.6;
        EXPECT_NEAR(k, floor(k + 0.5), 0.03) << b;  // 18 ms
    }
    EXPECT_LT(grid.beats.front(), 0.6);
    // Silence and nothing have no grid
    const std::vector<float> silence(kRate * 5, 0.0f);
    EXPECT_TRUE(analyseBeats(silence.data(), (long long)silence.size(), kRate).beats.empty());
    EXPECT_TRUE(analyseBeats(nullptr, 0, kRate).beats.empty());
    EXPECT_FALSE(gridReference(BeatGrid{}, 1.0).locked);

    BeatGrid g;
    g.beats = {1.0, 1.5, 2.1};
    // {time, beat, bpm}: before the first, on one, between, after the last
    const double cases[][3] = {{0.2, 1.0, 120.0}, {1.5, 1.5, 100.0}, {1.7, 1.5, 100.0}, {9.0, 1.5, 100.0}};
    for (const auto& c : cases) {
        const BeatReference r = gridReference(g, c[0]);
        EXPECT_TRUE(r.locked && r.beatTime == c[1]) << c[0];
        EXPECT_NEAR(r.bpm, c[2], 1e-3) << c[0];
    }
}

// The same samples give the same grid on every platform: these bits were found on Linux x86-64.
TEST(BeatTracking, TheAheadPassIsTheSameEverywhere) {
    const drum_tracks::Track t = drum_tracks::steadyTrack("t", drum_tracks::Style::Swing, 112.0f, 20.0, kRate, 11);
    const BeatGrid grid = analyseBeats(t.samples.data(), (long long)t.samples.size(), kRate);
    uint64_t hash = 14695981039346656037ull;
    for (double b : grid.beats) {
        uint64_t bits;
        memcpy(&bits, &b, sizeof bits);
        hash = (hash ^ bits) * 1099511628211ull;
    }
    uint32_t bpmBits;
    memcpy(&bpmBits, &grid.bpm, sizeof bpmBits);
    EXPECT_EQ(grid.beats.size(), kGridBeats);
    EXPECT_EQ(hash, kGridHash);
    EXPECT_EQ(bpmBits, kGridBpmBits);
}

TEST(BeatTracking, TheLiveTrackerLocksOnAPulseNotOnSilenceAndLetsGoWhenItStops) {
    LiveBeatTracker quiet = makeLiveBeatTracker(kRate);
    const std::vector<float> silence(kRate * 12, 0.0f);
    pushLiveSamples(quiet, silence.data(), (int)silence.size());
    EXPECT_FALSE(liveReference(quiet).locked);

    const std::vector<float> s = clicks(128.0f, 0.1, 8.0);
    LiveBeatTracker one = makeLiveBeatTracker(kRate);
    LiveBeatTracker odd = makeLiveBeatTracker(kRate);
    pushLiveSamples(one, s.data(), (int)s.size());
    for (size_t at = 0, i = 0; at < s.size(); ++i) {
        const int n = (int)std::min(s.size() - at, (size_t)(i % 2 ? 733 : 61));
        pushLiveSamples(odd, s.data() + at, n);
        at += (size_t)n;
    }
    const BeatReference r = liveReference(one);
    ASSERT_TRUE(r.locked);
    EXPECT_NEAR(r.bpm, 128.0f, 1.0f);
    const double k = (r.beatTime - 0.1) * 128.0 / 60.0;
    EXPECT_NEAR(k, floor(k + 0.5), 0.1);
    const BeatReference o = liveReference(odd);
    EXPECT_TRUE(o.locked && o.bpm == r.bpm && o.beatTime == r.beatTime);  // The blocks do not matter

    pushLiveSamples(one, silence.data(), kRate * 12);  // Its history empties, then 4 s without a pulse
    EXPECT_FALSE(liveReference(one).locked);
}
