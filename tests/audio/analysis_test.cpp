// The analysis driven by synthetic signals, without an audio device or a stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <complex>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

using AnalysisTest = QuietTest;

constexpr double kPiDouble = 3.14159265358979323846;

// `frames` analyses at 60 fps from `start` seconds.
std::vector<AudioFeatures> run(MusicTrack& track, int frames, float start = 0.0f) {
    std::vector<AudioFeatures> out;
    for (int i = 0; i < frames; ++i) out.push_back(analyseAt(track, start + (float)i * kFrameStep, 10.0f));
    return out;
}

// The reference for the transform: a plain DFT in double precision.
std::vector<std::complex<double>> directDft(const std::vector<std::complex<float>>& x) {
    const size_t n = x.size();
    std::vector<std::complex<double>> out(n);
    for (size_t k = 0; k < n; ++k) {
        for (size_t t = 0; t < n; ++t) out[k] += std::complex<double>(x[t]) * std::polar(1.0, -2.0 * kPiDouble * (double)((k * t) % n) / (double)n);
    }
    return out;
}

double hann(int i) { return 0.5 - 0.5 * cos(2.0 * kPiDouble * i / 1023.0); }

void expectAllBandsZero(const AudioFeatures& a) {
    EXPECT_TRUE(a.valid);
    EXPECT_EQ(a.level, 0.0f);
    EXPECT_EQ(a.beat, 0.0f);
    for (float band : a.bands) EXPECT_EQ(band, 0.0f);
}

}  // namespace

TEST_F(AnalysisTest, SampleAtMixesChannelsReadsSilenceBeforeTheStartAndWrapsPastTheEnd) {
    MusicTrack track;
    // Stereo frames: (1, -1), (0.5, 0.25), (0.25, 0.25), (-1, -0.5)
    attachSignal(track, {1.0f, -1.0f, 0.5f, 0.25f, 0.25f, 0.25f, -1.0f, -0.5f}, 2);
    EXPECT_EQ(sampleAt(track, 0), 0.0f);  // Left 1.0, right -1.0 reads as 0
    EXPECT_EQ(sampleAt(track, 1), 0.375f);
    EXPECT_EQ(sampleAt(track, 3), -0.75f);
    EXPECT_EQ(sampleAt(track, -1), 0.0f);
    EXPECT_EQ(sampleAt(track, INT_MIN), 0.0f);
    EXPECT_EQ(sampleAt(track, 5), 0.375f);  // Frame 1 of the next pass
    EXPECT_EQ(sampleAt(track, INT_MAX), sampleAt(track, INT_MAX % 4));

    MusicTrack six;
    attachSignal(six, {0.6f, 0.6f, 0.6f, 0.0f, 0.0f, 0.0f}, 6);
    EXPECT_FLOAT_EQ(sampleAt(six, 0), 0.3f);
    EXPECT_EQ(sampleAt(MusicTrack(), 0), 0.0f);

    // A copy that reports no channels has no values to read: silence, not a read past its end.
    MusicTrack none;
    attachSamples(none, (float*)MemAlloc(sizeof(float)), 100, 0, kRate);
    EXPECT_EQ(none.channels, 1);
    EXPECT_EQ(sampleAt(none, 50), 0.0f);
    expectAllBandsZero(analyseAt(none, 1.0f, 1.0f));
}

TEST_F(AnalysisTest, TransformMatchesADirectDftAndRefusesOtherSizes) {
    for (int n : {1, 2, 4, 8, 64, 1024}) {
        std::vector<std::complex<float>> x((size_t)n);
        for (int i = 0; i < n; ++i) x[(size_t)i] = {sinf((float)i * 0.37f) + 0.25f * cosf((float)(i * i) * 0.011f), 0.5f * sinf((float)i * 1.3f)};
        const auto expected = directDft(x);
        ASSERT_TRUE(fft(x.data(), n));
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(std::abs(std::complex<double>(x[(size_t)k]) - expected[(size_t)k]), 0.0, 1e-5 * n + 1e-5) << n << " bin " << k;
        }
    }
    // A cosine on bin 5 of 64 points: 32 at bins 5 and 59, nothing elsewhere.
    std::vector<std::complex<float>> wave(64);
    for (int i = 0; i < 64; ++i) wave[(size_t)i] = cosf(2.0f * kPi * 5.0f * (float)i / 64.0f);
    ASSERT_TRUE(fft(wave.data(), 64));
    for (int k = 0; k < 64; ++k) EXPECT_NEAR(std::abs(wave[(size_t)k]), (k == 5 || k == 59) ? 32.0f : 0.0f, 1e-4f) << k;

    for (int n : {3, 6, 12, 1000, 1023}) {
        std::vector<std::complex<float>> x((size_t)n, {1.0f, -2.0f});
        EXPECT_FALSE(fft(x.data(), n)) << n;
        EXPECT_EQ(x, std::vector<std::complex<float>>((size_t)n, {1.0f, -2.0f})) << n;
    }
    EXPECT_FALSE(fft(nullptr, -4));
}

TEST_F(AnalysisTest, SpectrumIsTheHannWindowedTransformAroundThePosition) {
    std::vector<float> mono(4096);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = 0.6f * sinf((float)i * 0.21f) + 0.3f * sinf((float)i * 0.013f);
    MusicTrack track;
    attachSignal(track, mono, 1);
    computeSpectrum(track, 2000);
    ASSERT_EQ(track.spectrum.size(), 512u);
    std::vector<std::complex<float>> windowed(1024);
    for (int i = 0; i < 1024; ++i) windowed[(size_t)i] = (float)(mono[(size_t)(2000 - 512 + i)] * hann(i));
    const auto expected = directDft(windowed);
    for (int k = 0; k < 512; ++k) EXPECT_NEAR(track.spectrum[(size_t)k], std::abs(expected[(size_t)k]), 2e-3) << k;

    // At position 0 only frames 0..511 are there: the DC bin sums half the window.
    MusicTrack constant;
    attachSignal(constant, std::vector<float>(4096, 1.0f), 1);
    double halfWindow = 0.0;
    for (int i = 512; i < 1024; ++i) halfWindow += hann(i);
    computeSpectrum(constant, 0);
    EXPECT_NEAR(constant.spectrum[0], halfWindow, 1e-3);
    computeSpectrum(constant, 2048);
    EXPECT_NEAR(constant.spectrum[0], 2.0 * halfWindow, 1e-2);
}

TEST_F(AnalysisTest, BandBinsAreThoseOfTheBandEdgesAndStayInsideTheSpectrum) {
    const BandBins at44100[8] = {{1, 2}, {1, 3}, {2, 6}, {5, 12}, {11, 23}, {22, 45}, {44, 90}, {89, 279}};
    const BandBins at48000[8] = {{1, 2}, {1, 3}, {2, 6}, {5, 11}, {10, 21}, {20, 41}, {40, 82}, {81, 256}};
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(bandBins(b, 44100).lo, at44100[b].lo) << b;
        EXPECT_EQ(bandBins(b, 44100).hi, at44100[b].hi) << b;
        EXPECT_EQ(bandBins(b, 48000).lo, at48000[b].lo) << b;
        EXPECT_EQ(bandBins(b, 48000).hi, at48000[b].hi) << b;
    }
    EXPECT_EQ(bandBins(7, 22050).lo, 178);
    EXPECT_EQ(bandBins(7, 22050).hi, 512);  // Cut at bin 511
    for (int rate : {0, 1, 8000, 11025, 96000, 192000}) {
        for (int b = 0; b < 8; ++b) {
            const BandBins bins = bandBins(b, rate);
            EXPECT_TRUE(bins.lo >= 1 && bins.lo < bins.hi && bins.hi <= 512) << rate << " band " << b;
        }
    }
}

TEST_F(AnalysisTest, SilenceAndStereoThatCancelsGiveAValidAllZeroRecord) {
    MusicTrack silent;
    attachSignal(silent, std::vector<float>(2 * kRate * 2, 0.0f), 2);
    for (const AudioFeatures& a : run(silent, 90)) {
        expectAllBandsZero(a);
        EXPECT_EQ(a.bass + a.mid + a.treble, 0.0f);
    }
    std::vector<float> opposite;
    for (float v : tone(440.0f, 0.9f, 1.0f)) opposite.insert(opposite.end(), {v, -v});
    MusicTrack cancelled;
    attachSignal(cancelled, opposite, 2);
    for (const AudioFeatures& a : run(cancelled, 30)) expectAllBandsZero(a);
}

TEST_F(AnalysisTest, ASteadyToneSettlesNearOneInItsBandWhateverItsLoudness) {
    const float hz[8] = {45.0f, 86.0f, 170.0f, 340.0f, 680.0f, 1360.0f, 2720.0f, 6800.0f};  // One per band
    for (int b = 0; b < 8; ++b) {
        for (float amplitude : {0.02f, 0.8f}) {
            MusicTrack track;
            attachSignal(track, tone(hz[b], amplitude, 3.0f), 1);
            const float settled = run(track, 60, 0.5f).back().bands[b];
            EXPECT_GT(settled, 0.97f) << "band " << b << " amplitude " << amplitude;
            EXPECT_LE(settled, 1.0f);
        }
    }
}

TEST_F(AnalysisTest, LevelIsTheRmsOfTheLast80Milliseconds) {
    std::vector<float> square((size_t)kRate);
    for (size_t i = 0; i < square.size(); ++i) square[i] = (i / 50) % 2 ? 0.5f : -0.5f;
    MusicTrack track;
    attachSignal(track, square, 1);
    EXPECT_NEAR(analyseAt(track, 0.5f, 1.0f).level, 0.5f, 1e-4f);

    MusicTrack sine;
    attachSignal(sine, tone(441.0f, 0.8f, 1.0f), 1);
    EXPECT_NEAR(analyseAt(sine, 0.5f, 1.0f).level, 0.8f / sqrtf(2.0f), 1e-3f);

    // At position 0 the 3528 frames (44.1 kHz) are frame 0 and 3527 silent ones.
    MusicTrack constant;
    attachSignal(constant, std::vector<float>((size_t)kRate, 1.0f), 1);
    EXPECT_FLOAT_EQ(analyseAt(constant, 0.0f, 1.0f).level, sqrtf(1.0f / 3528.0f));
}

TEST_F(AnalysisTest, PositionsBeforeTheStartAreSilentAndPastTheEndWrap) {
    const std::vector<float> signal = tone(700.0f, 0.6f, 1.0f);
    MusicTrack before;
    attachSignal(before, signal, 1);
    for (const AudioFeatures& a : run(before, 20, -2.0f)) expectAllBandsZero(a);

    // 1.5 s is frame 66150 = 44100 + 22050: the same frame as 0.5 s, one pass later.
    MusicTrack first;
    MusicTrack later;
    attachSignal(first, signal, 1);
    attachSignal(later, signal, 1);
    const AudioFeatures a = analyseAt(first, 0.5f, 1.0f);
    const AudioFeatures b = analyseAt(later, 1.5f, 1.0f);
    EXPECT_EQ(first.spectrum, later.spectrum);
    EXPECT_EQ(a.level, b.level);
    EXPECT_GT(b.level, 0.3f);

    // Positions too far out for the frame arithmetic are held inside it.
    for (float t : {1.0e9f, -1.0e9f, INFINITY, -INFINITY, NAN}) {
        const AudioFeatures wild = analyseAt(first, t, 1.0f);
        EXPECT_TRUE(wild.valid && wild.level >= 0.0f && wild.level <= 1.0f) << t;
    }
}

TEST_F(AnalysisTest, ABassKickMakesBeatJumpByFourAndAHalfTimesTheRiseThenDecayByATenth) {
    MusicTrack track;
    attachSignal(track, tone(60.0f, 0.8f, 3.0f, kRate, 0.5f), 1);  // Silence, then a bass note at 0.5 s
    const std::vector<AudioFeatures> frames = run(track, 150);
    float previousBass = 0.0f;
    float previousBeat = 0.0f;
    int decays = 0;
    for (const AudioFeatures& a : frames) {
        const float rise = std::min(std::max(a.bass - previousBass, 0.0f) * 4.5f, 1.0f);
        EXPECT_FLOAT_EQ(a.beat, std::max(rise, previousBeat * 0.9f));
        if (a.beat > 0.0f && a.beat == previousBeat * 0.9f) ++decays;
        previousBass = a.bass;
        previousBeat = a.beat;
    }
    EXPECT_EQ(frames[29].beat, 0.0f);  // Silent up to the note
    EXPECT_EQ(frames[30].beat, 1.0f);  // 4.5 times the first rise is past 1
    EXPECT_GT(frames[45].bass, 0.8f);
    EXPECT_GE(decays, 20);

    // A bass note centred on bin 2 holds bins 1 and 2 steady; from levels of 0.5 it rises by
    // 30 % of the distance to ~1, and beat is 4.5 times that, then decays.
    MusicTrack steady;
    attachSignal(steady, tone(2.0f * 44100.0f / 1024.0f, 0.5f, 3.0f), 1);
    run(steady, 90);
    steady.bandLevel[0] = steady.bandLevel[1] = 0.5f;
    steady.previousBass = 0.5f;
    steady.beatEnvelope = 0.0f;
    const std::vector<AudioFeatures> after = run(steady, 3, 1.6f);
    EXPECT_NEAR(after[0].bass - 0.5f, 0.15f, 0.01f);
    EXPECT_FLOAT_EQ(after[0].beat, (after[0].bass - 0.5f) * 4.5f);
    EXPECT_FLOAT_EQ(after[1].beat, after[0].beat * 0.9f);
    EXPECT_FLOAT_EQ(after[2].beat, after[1].beat * 0.9f);
}

TEST_F(AnalysisTest, PeaksFollowAtOnceAndBandsReleaseByATenthWhenTheMusicStops) {
    std::vector<float> signal = tone(340.0f, 0.7f, 1.0f);  // A second of tone, then silence
    signal.resize((size_t)(2 * kRate), 0.0f);
    MusicTrack track;
    attachSignal(track, signal, 1);
    EXPECT_EQ(track.bandPeak[3], 0.001f);
    const std::vector<AudioFeatures> frames = run(track, 100);
    EXPECT_GT(frames[59].bands[3], 0.95f);
    for (int i = 67; i < 100; ++i) {  // From 1.1 s on the window holds only silence
        const float previous = frames[(size_t)i - 1].bands[3];
        EXPECT_FLOAT_EQ(frames[(size_t)i].bands[3], previous + (0.0f - previous) * 0.1f) << i;
    }
    // The peak takes a new mean at once (band 3: bins 5..11 at 44.1 kHz) and loses 0.8 % a quiet frame.
    MusicTrack fresh;
    attachSignal(fresh, signal, 1);
    analyseAt(fresh, 0.5f, 2.0f);
    float sum = 0.0f;
    for (int k = 5; k < 12; ++k) sum += fresh.spectrum[(size_t)k];
    EXPECT_FLOAT_EQ(fresh.bandPeak[3], sum / 7.0f);
    analyseAt(fresh, 1.5f, 2.0f);
    EXPECT_FLOAT_EQ(fresh.bandPeak[3], sum / 7.0f * 0.992f);
}

TEST_F(AnalysisTest, WithoutSamplesOrPlaybackNothingIsAnalysedAndNothingChanges) {
    MusicTrack bare;
    bare.bandPeak[2] = 0.5f;
    bare.bandLevel[4] = 0.25f;
    bare.previousBass = 0.125f;
    bare.beatEnvelope = 0.75f;
    bare.sampleRate = kRate;
    expectSilentRecord(analyseAt(bare, 1.0f, 2.0f));
    expectSilentRecord(update(bare));
    EXPECT_EQ(bare.bandPeak[2], 0.5f);
    EXPECT_EQ(bare.bandLevel[4], 0.25f);
    EXPECT_EQ(bare.previousBass, 0.125f);
    EXPECT_EQ(bare.beatEnvelope, 0.75f);
    EXPECT_TRUE(bare.spectrum.empty());

    // Samples but no stream: update leaves the spectrum and the state as they were.
    MusicTrack track;
    attachSignal(track, tone(100.0f, 0.5f, 1.0f), 1);
    track.spectrum[7] = 3.0f;
    expectSilentRecord(update(track));
    EXPECT_EQ(track.spectrum[7], 3.0f);
    EXPECT_EQ(track.bandPeak[0], 0.001f);
    unload(track);
    expectSilentRecord(update(track));
    expectSilentRecord(analyseAt(track, 0.5f, 1.0f));
}
