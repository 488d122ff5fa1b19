// Per-frame measurements of the music from its decoded copy: the mono signal around the play
// position, its spectrum, eight self-normalised band levels, bass/mid/treble and a beat pulse.
// Plain code over a decoded copy's samples and an analysis state: no audio device, no stream.
#pragma once

#include <complex>
#include <vector>

#include "audio/audio_features.h"

constexpr int kSpectrumWindow = 1024;              // Frames transformed per analysis
constexpr int kSpectrumBins = kSpectrumWindow / 2;  // Magnitudes kept in AnalysisState::spectrum
constexpr int kBandCount = 8;
constexpr float kInitialBandPeak = 0.001f;          // Every band's running peak after a load

// What the analysis carries from frame to frame, for the show's track and every other source.
struct AnalysisState {
    std::vector<float> spectrum;        // 512 magnitudes of the last spectrum
    float bandPeak[kBandCount] = {};    // Running peak per band
    float bandLevel[kBandCount] = {};   // Smoothed level per band
    float previousBass = 0.0f;          // bass of the previous analysed frame
    float beatEnvelope = 0.0f;          // The decaying beat value
};

// The state a load gives: peaks at kInitialBandPeak, levels 0, 512 zero magnitudes.
void resetAnalysis(AnalysisState& state);

// A whole decoded track: frameCount * channels interleaved values [-1..1].
struct DecodedSamples {
    const float* samples = nullptr;
    int frameCount = 0;
    int channels = 0;
    int sampleRate = 0;
};

// Bins [lo, hi) of the spectrum that one band averages.
struct BandBins {
    int lo;
    int hi;
};

// Mono sample of one frame: the mean of its channels; 0 before the start, wraps past the end.
float sampleAt(const DecodedSamples& track, int frame);

// In-place forward, unnormalised radix-2 transform. Sizes that are not a power of two are left
// untouched and give false.
bool fft(std::complex<float>* buffer, int count);

// Fills state.spectrum with the 512 magnitudes of the Hann-windowed 1024 frames around centreFrame.
void computeSpectrum(AnalysisState& state, const DecodedSamples& track, int centreFrame);

// The spectrum bins that band 0..7 averages at the given sample rate (at least 1).
BandBins bandBins(int band, int sampleRate);

// Measures a decoded track at musicTime, so an offline caller can compute the features the show
// computes at virtual times. A track without samples gives an all-zero record and keeps the state.
AudioFeatures analyseAt(AnalysisState& state, const DecodedSamples& track, float musicTime, float musicLength);

// The frame at the play position: the float product truncated toward zero, within +-1e9.
int playFrame(int sampleRate, float musicTime);

// Frames the level sums up to the play position: 80 ms, within [8, 15360].
int levelFrames(int sampleRate);

// Mono samples of frames [first, first + count); frames outside read as silence.
struct MonoWindow {
    const float* samples = nullptr;
    long long first = 0;
    int count = 0;
};

// The frames a window must hold for an analysis at a play frame: those the level sums before it,
// or the spectrum's half window if more, the frame itself and the spectrum's frames after it.
constexpr int kWindowAfter = kSpectrumWindow / 2 - 1;
int windowFramesBefore(int sampleRate);
int windowFrames(int sampleRate);

// analyseAt for any source: the same measurements at play frame `pos`, read from a window of mono
// samples that holds every frame it needs (pos - windowFramesBefore to pos + kWindowAfter). Same samples,
// same state, same position: same features.
AudioFeatures analyseWindow(AnalysisState& state, const MonoWindow& window, int sampleRate, int pos, float musicTime,
                            float musicLength);
