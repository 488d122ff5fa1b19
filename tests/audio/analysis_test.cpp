// The analysis driven by synthetic signals, without an audio device or a stream.
#include <gtest/gtest.h>

#include <climits>
#include <complex>
#include <numeric>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

using AnalysisTest = QuietTest;

// `frames` analyses at 60 fps from `start` seconds.
std::vector<AudioFeatures> run(MusicTrack& track, int frames, float start = 0.0f) {
    std::vector<AudioFeatures> out;
    for (int i = 0; i < frames; ++i) out.push_back(analyseAt(track, start + (float)i * kFrameStep, 10.0f));
    return out;
}

// Silence analysed: a valid record with nothing in it.
void expectValidZeros(const AudioFeatures& a) {
    EXPECT_TRUE(a.valid);
    EXPECT_EQ(a.level + a.beat, 0.0f);
    for (float band : a.bands) EXPECT_EQ(band, 0.0f);
}

}  // namespace

TEST_F(AnalysisTest, SampleAtMixesChannelsReadsSilenceBeforeTheStartWrapsPastTheEndAndNeedsValues) {
    MusicTrack track;
    attachSignal(track, {1.0f, -1.0f, 0.5f, 0.25f, 0.25f, 0.25f, -1.0f, -0.5f}, 2);  // Four stereo frames
    const int frames[] = {0, 3, -1, INT_MIN, 5, INT_MAX};  // INT_MAX % 4 == 3
    const float want[] = {0.0f, -0.75f, 0.0f, 0.0f, 0.375f, -0.75f};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(sampleAt(decodedSamples(track), frames[i]), want[i]) << frames[i];
    // A copy that reports no channels has no values to read: silence, not a read past its end.
    MusicTrack none;
    attachSamples(none, (float*)MemAlloc(sizeof(float)), 100, 0, kRate);
    EXPECT_TRUE(none.channels == 1 && sampleAt(decodedSamples(none), 50) == 0.0f);
    expectValidZeros(analyseAt(none, 1.0f, 1.0f));
    MusicTrack bare;  // No samples at all: nothing analysed and nothing changed
    bare.beatEnvelope = 0.75f;
    bare.sampleRate = kRate;
    expectSilentRecord(analyseAt(bare, 1.0f, 2.0f));
    EXPECT_TRUE(bare.beatEnvelope == 0.75f && bare.spectrum.empty());
}

TEST_F(AnalysisTest, TransformWorkedValuesAndTheHannWindowedSpectrum) {
    std::complex<float> one[1] = {{5.0f, 1.0f}}, two[2] = {{1.0f, 0.0f}, {2.0f, 0.0f}}, eight[8];
    for (int t = 0; t < 8; ++t) eight[t] = std::polar(1.0f, 2.0f * 3.14159265f * 3.0f * (float)t / 8.0f);
    ASSERT_TRUE(fft(one, 1) && fft(two, 2) && fft(eight, 8));
    EXPECT_TRUE(one[0] == std::complex<float>(5.0f, 1.0f) && two[0] == 3.0f && two[1] == -1.0f);
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(std::abs(eight[k] - (k == 3 ? 8.0f : 0.0f)), 0.0f, 1e-5f) << k;
    std::vector<std::complex<float>> twelve(12, {1.0f, -2.0f});
    EXPECT_FALSE(fft(twelve.data(), 12));
    EXPECT_EQ(twelve, std::vector<std::complex<float>>(12, {1.0f, -2.0f}));  // Untouched

    // A constant 1 reads as the window's own transform: 511.5 at DC for 1024 points over 1023
    // intervals, worked in double precision; centred on frame 300 the frames before the start are silent.
    MusicTrack track;
    attachSignal(track, std::vector<float>(4096, 1.0f), 1);
    AnalysisState state;
    computeSpectrum(state, decodedSamples(track), 2000);
    ASSERT_EQ(state.spectrum.size(), 512u);
    EXPECT_NEAR(state.spectrum[0], 511.5f, 0.02f);
    EXPECT_NEAR(state.spectrum[1], 256.1247f, 0.02f);
    EXPECT_NEAR(state.spectrum[2], 0.1671f, 0.002f);
    computeSpectrum(state, decodedSamples(track), 300);
    EXPECT_NEAR(state.spectrum[0], 484.1698f, 0.02f);
}

TEST_F(AnalysisTest, BandBinsAreThoseOfTheBandEdgesAndStayInsideTheSpectrum) {
    // [lo, hi): neighbours share their edge bins, and the DC bin 0 is never used.
    using Bins = std::pair<int, int>;
    const Bins at44100[8] = {{1, 2}, {1, 3}, {2, 6}, {5, 12}, {11, 23}, {22, 45}, {44, 90}, {89, 279}};
    const Bins at48000[8] = {{1, 2}, {1, 3}, {2, 6}, {5, 11}, {10, 21}, {20, 41}, {40, 82}, {81, 256}};
    const auto bins = [](int band, int rate) { return Bins{bandBins(band, rate).lo, bandBins(band, rate).hi}; };
    for (int b = 0; b < 8; ++b) EXPECT_TRUE(bins(b, 44100) == at44100[b] && bins(b, 48000) == at48000[b]) << b;
    EXPECT_EQ(bins(7, 22050), Bins(178, 512));                         // Cut at bin 511
    for (int rate : {0, 1}) EXPECT_EQ(bins(0, rate), Bins(511, 512));  // Held inside the spectrum
}

TEST_F(AnalysisTest, ASteadyToneSettlesNearOneInItsBandWhateverItsLoudness) {
    const float hz[8] = {45.0f, 86.0f, 170.0f, 340.0f, 680.0f, 1360.0f, 2720.0f, 6800.0f};  // One per band
    for (int b = 0; b < 8; ++b) {
        for (float amplitude : {0.02f, 0.8f}) {
            MusicTrack track;
            attachSignal(track, tone(hz[b], amplitude, 3.0f), 1);
            const AudioFeatures a = run(track, 60, 0.5f).back();
            EXPECT_TRUE(a.bands[b] > 0.97f && a.bands[b] <= 1.0f) << "band " << b << " amplitude " << amplitude << ": " << a.bands[b];
            // With one band near 1 and its neighbours below, the summaries show which bands they average.
            EXPECT_FLOAT_EQ(a.bass, (a.bands[0] + a.bands[1]) * 0.5f);
            EXPECT_FLOAT_EQ(a.mid, (a.bands[2] + a.bands[3] + a.bands[4]) / 3.0f);
            EXPECT_FLOAT_EQ(a.treble, (a.bands[5] + a.bands[6] + a.bands[7]) / 3.0f);
        }
    }
}

TEST_F(AnalysisTest, LevelIsTheRmsOfTheLast80Milliseconds) {
    MusicTrack constant;
    attachSignal(constant, std::vector<float>((size_t)kRate, 0.5f), 1);
    EXPECT_FLOAT_EQ(analyseAt(constant, 0.5f, 1.0f).level, 0.5f);
    // At position 0 the 3528 frames (80 ms at 44.1 kHz) are frame 0 and 3527 silent ones.
    EXPECT_FLOAT_EQ(analyseAt(constant, 0.0f, 1.0f).level, 0.5f * sqrtf(1.0f / 3528.0f));

    // At 192 kHz, the highest rate a file may have, 80 ms are 15360 frames: after silence, the last
    // 15359 frames loud read as 15359 of 15360. The position lands on the last frame.
    std::vector<float> tail(100000, 0.0f);
    std::fill(tail.end() - 15359, tail.end(), 1.0f);
    MusicTrack fast;
    attachSignal(fast, tail, 1, 192000);
    EXPECT_FLOAT_EQ(analyseAt(fast, 99999.5f / 192000.0f, 1.0f).level, sqrtf(15359.0f / 15360.0f));
}

TEST_F(AnalysisTest, SilenceCancellingStereoAndTimeBeforeTheStartGiveValidZerosAndWildTimesStayInRange) {
    std::vector<float> opposite;
    for (float v : tone(440.0f, 0.9f, 1.0f)) opposite.insert(opposite.end(), {v, -v});
    for (const std::vector<float>& signal : {std::vector<float>(opposite.size(), 0.0f), opposite}) {
        MusicTrack track;
        attachSignal(track, signal, 2);
        for (const AudioFeatures& a : run(track, 60)) expectValidZeros(a);
    }
    MusicTrack track;
    attachSignal(track, tone(700.0f, 0.6f, 1.0f), 1);
    for (const AudioFeatures& a : run(track, 20, -2.0f)) expectValidZeros(a);
    // Positions too far out for the frame arithmetic are held inside it.
    for (float t : {1.0e9f, -1.0e9f, INFINITY, -INFINITY, NAN}) {
        const AudioFeatures wild = analyseAt(track, t, 1.0f);
        EXPECT_TRUE(wild.valid && wild.level >= 0.0f && wild.level <= 1.0f) << t;
    }
}

TEST_F(AnalysisTest, ABassKickMakesBeatJumpByFourAndAHalfTimesTheRiseThenDecayByATenth) {
    MusicTrack track;
    attachSignal(track, tone(60.0f, 0.8f, 3.0f, 0.5f), 1);  // Silence, then a bass note at 0.5 s
    const std::vector<AudioFeatures> f = run(track, 41);
    EXPECT_EQ(f[29].beat, 0.0f);  // Silent up to the note
    // Bands 0 and 1 climb 30 % of the way to ~1 a frame: bass 0.3, then 0.51.
    EXPECT_NEAR(f[30].bass, 0.3f, 1e-3f);
    EXPECT_EQ(f[30].beat, 1.0f);  // 4.5 x 0.3 is cut at 1
    EXPECT_NEAR(f[31].bass, 0.51f, 1e-3f);
    EXPECT_FLOAT_EQ(f[31].beat, 4.5f * (f[31].bass - f[30].bass));  // 0.945, above 0.9 x 1
    for (int i = 32; i <= 40; ++i) EXPECT_FLOAT_EQ(f[i].beat, 0.9f * f[i - 1].beat) << i;  // The rise slows: decay
}

TEST_F(AnalysisTest, BandsReleaseByATenthWhenTheMusicStopsAndPeaksFollowAtOnce) {
    std::vector<float> signal = tone(340.0f, 0.7f, 1.0f);  // A second of tone in band 3, then silence
    signal.resize((size_t)(2 * kRate), 0.0f);
    MusicTrack track;
    attachSignal(track, signal, 1);
    const std::vector<AudioFeatures> frames = run(track, 100);
    EXPECT_GT(frames[59].bands[3], 0.95f);
    for (size_t i = 67; i < 100; ++i) {  // From 1.1 s on the window holds only silence
        EXPECT_FLOAT_EQ(frames[i].bands[3], frames[i - 1].bands[3] * 0.9f) << i;
    }
    // The peak, decayed by then, takes the tone's mean (band 3: bins 5..11) at once, then loses
    // 0.8 % in a quiet frame.
    analyseAt(track, 0.5f, 2.0f);
    const float mean = std::accumulate(track.spectrum.begin() + 5, track.spectrum.begin() + 12, 0.0f) / 7.0f;
    EXPECT_FLOAT_EQ(track.bandPeak[3], mean);
    analyseAt(track, 1.5f, 2.0f);
    EXPECT_FLOAT_EQ(track.bandPeak[3], mean * 0.992f);
}
