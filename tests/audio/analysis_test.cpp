// The analysis driven by synthetic signals, without an audio device or a stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "audio/analysis.h"
#include "audio_test_support.h"

using namespace audio_test;

namespace {

using AnalysisTest = QuietTest;

// Runs `frames` analyses at 60 fps from `start` seconds; returns the records.
std::vector<AudioFeatures> run(MusicTrack& track, int frames, float start = 0.0f) {
    std::vector<AudioFeatures> out;
    for (int i = 0; i < frames; ++i) out.push_back(analyseAt(track, start + (float)i * kFrameStep, 10.0f));
    return out;
}

// Straightforward DFT in double precision, the reference for the transform.
std::vector<std::complex<double>> directDft(const std::vector<std::complex<float>>& x) {
    const size_t n = x.size();
    std::vector<std::complex<double>> out(n);
    for (size_t k = 0; k < n; ++k) {
        std::complex<double> sum = 0.0;
        for (size_t t = 0; t < n; ++t) {
            const double a = -2.0 * 3.14159265358979323846 * (double)((k * t) % n) / (double)n;
            sum += std::complex<double>(x[t]) * std::complex<double>(cos(a), sin(a));
        }
        out[k] = sum;
    }
    return out;
}

void expectMatchesDft(const std::vector<std::complex<float>>& input) {
    std::vector<std::complex<float>> buffer = input;
    ASSERT_TRUE(fft(buffer.data(), (int)buffer.size()));
    const auto expected = directDft(input);
    const double tolerance = 1e-5 * (double)input.size() + 1e-5;
    for (size_t k = 0; k < input.size(); ++k) {
        EXPECT_NEAR(buffer[k].real(), expected[k].real(), tolerance) << "n " << input.size() << " bin " << k;
        EXPECT_NEAR(buffer[k].imag(), expected[k].imag(), tolerance) << "n " << input.size() << " bin " << k;
    }
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
    EXPECT_EQ(sampleAt(track, -2147483647 - 1), 0.0f);
    EXPECT_EQ(sampleAt(track, 5), 0.375f);  // Frame 5 is frame 1 of the next pass
    EXPECT_EQ(sampleAt(track, 2147483647), sampleAt(track, 2147483647 % 4));

    MusicTrack empty;
    EXPECT_EQ(sampleAt(empty, 0), 0.0f);
}

TEST_F(AnalysisTest, SampleAtReadsMonoAndManyChannelTracks) {
    MusicTrack mono;
    attachSignal(mono, {0.1f, -0.2f, 0.3f}, 1);
    EXPECT_EQ(mono.channels, 1);
    EXPECT_EQ(sampleAt(mono, 1), -0.2f);
    EXPECT_EQ(sampleAt(mono, 4), -0.2f);

    MusicTrack six;
    attachSignal(six, {0.6f, 0.6f, 0.6f, 0.0f, 0.0f, 0.0f}, 6);
    EXPECT_EQ(six.frameCount, 1);
    EXPECT_FLOAT_EQ(sampleAt(six, 0), 0.3f);
}

TEST_F(AnalysisTest, ACopyThatReportsNoChannelsReadsAsSilence) {
    MusicTrack track;
    float* samples = (float*)MemAlloc(sizeof(float));
    samples[0] = 1.0f;
    attachSamples(track, samples, 100, 0, kRate);
    EXPECT_EQ(track.channels, 1);
    EXPECT_EQ(track.frameCount, 0);
    EXPECT_EQ(sampleAt(track, 50), 0.0f);
    const AudioFeatures a = analyseAt(track, 1.0f, 1.0f);
    EXPECT_TRUE(a.valid);
    EXPECT_EQ(a.level, 0.0f);
}

TEST_F(AnalysisTest, TransformMatchesADirectDft) {
    for (int n : {1, 2, 4, 8, 64, 1024}) {
        std::vector<std::complex<float>> x((size_t)n);
        for (int i = 0; i < n; ++i) {
            x[(size_t)i] = {sinf((float)i * 0.37f) + 0.25f * cosf((float)(i * i) * 0.011f), 0.5f * sinf((float)i * 1.3f)};
        }
        expectMatchesDft(x);
    }
}

TEST_F(AnalysisTest, TransformOfAnImpulseAndACosineHasTheKnownValues) {
    std::vector<std::complex<float>> impulse(16);
    impulse[0] = 1.0f;
    ASSERT_TRUE(fft(impulse.data(), 16));
    for (const auto& v : impulse) {
        EXPECT_FLOAT_EQ(v.real(), 1.0f);
        EXPECT_FLOAT_EQ(v.imag(), 0.0f);
    }

    // A cosine at bin 5 of 64 points: 32 at bins 5 and 59, nothing elsewhere.
    std::vector<std::complex<float>> wave(64);
    for (int i = 0; i < 64; ++i) wave[(size_t)i] = cosf(2.0f * kPi * 5.0f * (float)i / 64.0f);
    ASSERT_TRUE(fft(wave.data(), 64));
    for (int k = 0; k < 64; ++k) {
        const float expected = (k == 5 || k == 59) ? 32.0f : 0.0f;
        EXPECT_NEAR(std::abs(wave[(size_t)k]), expected, 1e-4f) << "bin " << k;
    }
}

TEST_F(AnalysisTest, TransformLeavesSizesThatAreNotAPowerOfTwoUntouched) {
    for (int n : {3, 5, 6, 12, 1000, 1023}) {
        std::vector<std::complex<float>> x((size_t)n);
        for (int i = 0; i < n; ++i) x[(size_t)i] = {(float)i, -(float)i};
        const auto before = x;
        EXPECT_FALSE(fft(x.data(), n)) << n;
        EXPECT_EQ(x, before) << n;
    }
    EXPECT_FALSE(fft(nullptr, -4));
    EXPECT_TRUE(fft(nullptr, 0));
}

TEST_F(AnalysisTest, SpectrumIsTheTransformOfTheHannWindowedFramesAroundThePosition) {
    MusicTrack track;
    std::vector<float> mono(4096);
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = 0.6f * sinf((float)i * 0.21f) + 0.3f * sinf((float)i * 0.013f);
    attachSignal(track, mono, 1);
    const int centre = 2000;
    computeSpectrum(track, centre);
    ASSERT_EQ(track.spectrum.size(), 512u);

    std::vector<std::complex<float>> windowed(1024);
    for (int i = 0; i < 1024; ++i) {
        const double w = 0.5 - 0.5 * cos(2.0 * 3.14159265358979323846 * i / 1023.0);
        windowed[(size_t)i] = (float)(mono[(size_t)(centre - 512 + i)] * w);
    }
    const auto expected = directDft(windowed);
    for (int k = 0; k < 512; ++k) EXPECT_NEAR(track.spectrum[(size_t)k], std::abs(expected[(size_t)k]), 2e-3) << "bin " << k;
}

TEST_F(AnalysisTest, SpectrumAtTheStartSeesHalfAWindowOfSilence) {
    MusicTrack track;
    attachSignal(track, std::vector<float>(4096, 1.0f), 1);
    computeSpectrum(track, 0);
    // Only frames 0..511 (window points 512..1023) are there: DC is the sum of that half-window.
    double halfWindow = 0.0;
    for (int i = 512; i < 1024; ++i) halfWindow += 0.5 - 0.5 * cos(2.0 * 3.14159265358979323846 * i / 1023.0);
    EXPECT_NEAR(track.spectrum[0], halfWindow, 1e-3);

    computeSpectrum(track, 2048);
    EXPECT_NEAR(track.spectrum[0], 2.0 * halfWindow, 1e-2);  // The whole window over the constant
}

TEST_F(AnalysisTest, SpectrumPeaksAtTheBinOfATone) {
    MusicTrack track;
    attachSignal(track, tone(2000.0f, 0.5f, 1.0f), 1);
    computeSpectrum(track, 20000);
    EXPECT_EQ(loudestBin(track.spectrum), 46);  // 2000 Hz / 43.07 Hz per bin = 46.4
}

TEST_F(AnalysisTest, BandBinsAreThoseOfTheBandEdgesAt44100And48000) {
    const BandBins at44100[8] = {{1, 2}, {1, 3}, {2, 6}, {5, 12}, {11, 23}, {22, 45}, {44, 90}, {89, 279}};
    const BandBins at48000[8] = {{1, 2}, {1, 3}, {2, 6}, {5, 11}, {10, 21}, {20, 41}, {40, 82}, {81, 256}};
    for (int b = 0; b < 8; ++b) {
        EXPECT_EQ(bandBins(b, 44100).lo, at44100[b].lo) << "band " << b;
        EXPECT_EQ(bandBins(b, 44100).hi, at44100[b].hi) << "band " << b;
        EXPECT_EQ(bandBins(b, 48000).lo, at48000[b].lo) << "band " << b;
        EXPECT_EQ(bandBins(b, 48000).hi, at48000[b].hi) << "band " << b;
    }
}

TEST_F(AnalysisTest, BandBinsStayInsideTheSpectrumAtLowAndOddRates) {
    EXPECT_EQ(bandBins(7, 22050).lo, 178);
    EXPECT_EQ(bandBins(7, 22050).hi, 512);  // Cut at bin 511
    for (int rate : {1, 100, 8000, 11025, 22050, 96000, 192000}) {
        for (int b = 0; b < 8; ++b) {
            const BandBins bins = bandBins(b, rate);
            EXPECT_GE(bins.lo, 1) << rate << " band " << b;
            EXPECT_LT(bins.lo, bins.hi) << rate << " band " << b;
            EXPECT_LE(bins.hi, 512) << rate << " band " << b;
        }
    }
}

TEST_F(AnalysisTest, SilenceGivesAValidAllZeroRecord) {
    MusicTrack track;
    attachSignal(track, std::vector<float>(2 * kRate * 2, 0.0f), 2);
    for (const AudioFeatures& a : run(track, 90)) {
        EXPECT_TRUE(a.valid);
        EXPECT_EQ(a.level, 0.0f);
        EXPECT_EQ(a.bass, 0.0f);
        EXPECT_EQ(a.mid, 0.0f);
        EXPECT_EQ(a.treble, 0.0f);
        EXPECT_EQ(a.beat, 0.0f);
        for (float band : a.bands) EXPECT_EQ(band, 0.0f);
    }
}

TEST_F(AnalysisTest, StereoThatCancelsInTheMonoMixIsSilence) {
    std::vector<float> stereo;
    for (float v : tone(440.0f, 0.9f, 1.0f)) stereo.insert(stereo.end(), {v, -v});
    MusicTrack track;
    attachSignal(track, stereo, 2);
    for (const AudioFeatures& a : run(track, 30)) {
        EXPECT_EQ(a.level, 0.0f);
        for (float band : a.bands) EXPECT_EQ(band, 0.0f);
    }
}

TEST_F(AnalysisTest, ASteadyToneSettlesNearOneInItsBandWhateverItsLoudness) {
    // One frequency in the middle of each band.
    const float hz[8] = {45.0f, 86.0f, 170.0f, 340.0f, 680.0f, 1360.0f, 2720.0f, 6800.0f};
    for (int b = 0; b < 8; ++b) {
        for (float amplitude : {0.02f, 0.8f}) {
            MusicTrack track;
            attachSignal(track, tone(hz[b], amplitude, 3.0f), 1);
            const std::vector<AudioFeatures> frames = run(track, 60, 0.5f);
            EXPECT_GT(frames.back().bands[b], 0.97f) << "band " << b << " amplitude " << amplitude;
            EXPECT_LE(frames.back().bands[b], 1.0f);
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
}

TEST_F(AnalysisTest, AtPositionZeroTheLevelSumsOneFrameAndSilence) {
    MusicTrack track;
    attachSignal(track, std::vector<float>((size_t)kRate, 1.0f), 1);
    const AudioFeatures a = analyseAt(track, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(a.level, sqrtf(1.0f / 3528.0f));  // 3528 frames at 44100 Hz, only frame 0 sounds
}

TEST_F(AnalysisTest, PositionsBeforeTheStartReadSilence) {
    MusicTrack track;
    attachSignal(track, tone(300.0f, 0.7f, 1.0f), 1);
    for (const AudioFeatures& a : run(track, 20, -2.0f)) {
        EXPECT_TRUE(a.valid);
        EXPECT_EQ(a.level, 0.0f);
        for (float band : a.bands) EXPECT_EQ(band, 0.0f);
    }
}

TEST_F(AnalysisTest, PositionsPastTheEndWrapToTheStart) {
    const std::vector<float> signal = tone(700.0f, 0.6f, 1.0f);
    MusicTrack first;
    MusicTrack later;
    attachSignal(first, signal, 1);
    attachSignal(later, signal, 1);
    // 1.5 s is frame 66150 = 44100 + 22050: the same frame as 0.5 s on the next pass.
    const AudioFeatures a = analyseAt(first, 0.5f, 1.0f);
    const AudioFeatures b = analyseAt(later, 1.5f, 1.0f);
    EXPECT_EQ(first.spectrum, later.spectrum);
    EXPECT_EQ(a.level, b.level);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(a.bands[i], b.bands[i]);
    EXPECT_GT(b.level, 0.3f);
}

TEST_F(AnalysisTest, WildPlayPositionsStayInsideTheTrack) {
    MusicTrack track;
    attachSignal(track, tone(500.0f, 0.5f, 0.5f), 1);
    for (float t : {1.0e9f, -1.0e9f, INFINITY, -INFINITY, NAN}) {
        const AudioFeatures a = analyseAt(track, t, 0.5f);
        EXPECT_TRUE(a.valid);
        EXPECT_GE(a.level, 0.0f);
        EXPECT_LE(a.level, 1.0f);
    }
}

TEST_F(AnalysisTest, ABassKickMakesBeatJumpByFourAndAHalfTimesTheRiseThenDecayByATenth) {
    // Silence, then a steady 60 Hz bass note from 0.5 s.
    MusicTrack track;
    attachSignal(track, tone(60.0f, 0.8f, 3.0f, kRate, 0.5f), 1);
    const std::vector<AudioFeatures> frames = run(track, 150);
    float previousBass = 0.0f;
    float previousBeat = 0.0f;
    int jumps = 0;
    int decays = 0;
    for (const AudioFeatures& a : frames) {
        const float rise = std::min(std::max(a.bass - previousBass, 0.0f) * 4.5f, 1.0f);
        EXPECT_FLOAT_EQ(a.beat, std::max(rise, previousBeat * 0.9f));
        if (rise > previousBeat * 0.9f) ++jumps;
        if (a.beat > 0.0f && a.beat == previousBeat * 0.9f) ++decays;
        previousBass = a.bass;
        previousBeat = a.beat;
    }
    EXPECT_EQ(frames[29].beat, 0.0f);  // Silent up to the note
    EXPECT_EQ(frames[30].beat, 1.0f);  // 4.5 times the first rise is past 1
    EXPECT_GT(frames[45].bass, 0.8f);
    EXPECT_GE(jumps, 1);
    EXPECT_GE(decays, 20);
}

TEST_F(AnalysisTest, APartialBassRiseGivesAnUnclampedJumpThenTheDecay) {
    // A bass note centred on bin 2, so that bins 1 and 2 hold steady magnitudes.
    MusicTrack track;
    attachSignal(track, tone(2.0f * 44100.0f / 1024.0f, 0.5f, 3.0f), 1);
    run(track, 90);  // Settled: both bass bands near 1
    track.bandLevel[0] = track.bandLevel[1] = 0.5f;
    track.previousBass = 0.5f;
    track.beatEnvelope = 0.0f;

    const std::vector<AudioFeatures> after = run(track, 4, 1.6f);
    const float rise = after[0].bass - 0.5f;
    EXPECT_NEAR(rise, 0.15f, 0.01f);  // 30 % of the distance to ~1
    EXPECT_FLOAT_EQ(after[0].beat, rise * 4.5f);
    EXPECT_FLOAT_EQ(after[1].beat, after[0].beat * 0.9f);
    EXPECT_FLOAT_EQ(after[2].beat, after[1].beat * 0.9f);
}

TEST_F(AnalysisTest, BandsReleaseByATenthPerFrameWhenTheMusicStops) {
    // A tone for 1 s, then silence.
    std::vector<float> signal = tone(340.0f, 0.7f, 1.0f);
    signal.resize((size_t)(2 * kRate), 0.0f);
    MusicTrack track;
    attachSignal(track, signal, 1);
    const std::vector<AudioFeatures> frames = run(track, 100);
    // From 1.1 s on the window holds only silence.
    for (int i = 67; i < 100; ++i) {
        const float previous = frames[(size_t)i - 1].bands[3];
        EXPECT_FLOAT_EQ(frames[(size_t)i].bands[3], previous + (0.0f - previous) * 0.1f) << "frame " << i;
    }
    EXPECT_GT(frames[59].bands[3], 0.95f);
    EXPECT_LT(frames[99].bands[3], 0.1f);
}

TEST_F(AnalysisTest, BandPeaksFollowRisesAtOnceAndDecayByPointEightPercent) {
    MusicTrack track;
    attachSignal(track, tone(340.0f, 0.7f, 1.0f), 1);
    EXPECT_EQ(track.bandPeak[3], 0.001f);
    analyseAt(track, 0.5f, 1.0f);
    // Band 3 averages bins 5..11 at 44100 Hz: the peak is that mean at once.
    float sum = 0.0f;
    for (int k = 5; k < 12; ++k) sum += track.spectrum[(size_t)k];
    EXPECT_FLOAT_EQ(track.bandPeak[3], sum / 7.0f);

    MusicTrack silent;
    attachSignal(silent, std::vector<float>(100, 0.0f), 1);
    analyseAt(silent, 0.0f, 1.0f);
    analyseAt(silent, 0.0f, 1.0f);
    EXPECT_FLOAT_EQ(silent.bandPeak[3], 0.001f * 0.992f * 0.992f);
}

TEST_F(AnalysisTest, ATrackWithoutSamplesGivesAZeroRecordAndKeepsItsState) {
    MusicTrack track;
    track.bandPeak[2] = 0.5f;
    track.bandLevel[4] = 0.25f;
    track.previousBass = 0.125f;
    track.beatEnvelope = 0.75f;
    track.sampleRate = kRate;
    expectSilentRecord(analyseAt(track, 1.0f, 2.0f));
    expectSilentRecord(update(track));
    EXPECT_EQ(track.bandPeak[2], 0.5f);
    EXPECT_EQ(track.bandLevel[4], 0.25f);
    EXPECT_EQ(track.previousBass, 0.125f);
    EXPECT_EQ(track.beatEnvelope, 0.75f);
    EXPECT_TRUE(track.spectrum.empty());
}

TEST_F(AnalysisTest, UpdateAnalysesNothingOnATrackThatIsNotPlaying) {
    // Samples but no stream: update leaves everything as it was.
    MusicTrack track;
    attachSignal(track, tone(100.0f, 0.5f, 1.0f), 1);
    track.spectrum[7] = 3.0f;
    expectSilentRecord(update(track));
    EXPECT_EQ(track.spectrum[7], 3.0f);
    EXPECT_EQ(track.bandPeak[0], 0.001f);

    unload(track);
    expectSilentRecord(update(track));
    expectSilentRecord(analyseAt(track, 0.5f, 1.0f));
    EXPECT_EQ(track.samples, nullptr);
}

TEST_F(AnalysisTest, SameSequenceOfPositionsGivesTheSameFeatures) {
    const std::vector<float> signal = tone(90.0f, 0.5f, 2.0f, kRate, 0.3f);
    MusicTrack a;
    MusicTrack b;
    attachSignal(a, signal, 1);
    attachSignal(b, signal, 1);
    const auto first = run(a, 80);
    const auto second = run(b, 80);
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].beat, second[i].beat);
        EXPECT_EQ(first[i].level, second[i].level);
        for (int k = 0; k < 8; ++k) EXPECT_EQ(first[i].bands[k], second[i].bands[k]);
    }
}
