// Per-frame measurements of the music from its decoded copy: the mono signal around the play
// position, its spectrum, eight self-normalised band levels, bass/mid/treble and a beat pulse.
// Plain code over the track's samples and analysis state: no audio device, no stream.
#pragma once

#include <complex>
#include <vector>

#include "audio/audio_features.h"
#include "audio/music_track.h"

constexpr int kSpectrumWindow = 1024;              // Frames transformed per analysis
constexpr int kSpectrumBins = kSpectrumWindow / 2;  // Magnitudes kept in MusicTrack::spectrum
constexpr int kBandCount = 8;
constexpr float kInitialBandPeak = 0.001f;          // Every band's running peak after a load

// Bins [lo, hi) of the spectrum that one band averages.
struct BandBins {
    int lo;
    int hi;
};

// Mono sample of one frame: the mean of its channels; 0 before the start, wraps past the end.
float sampleAt(const MusicTrack& track, int frame);

// In-place forward, unnormalised radix-2 transform. Sizes that are not a power of two are left
// untouched and give false.
bool fft(std::complex<float>* buffer, int count);

// Fills track.spectrum with the 512 magnitudes of the Hann-windowed 1024 frames around centreFrame.
void computeSpectrum(MusicTrack& track, int centreFrame);

// The spectrum bins that band 0..7 averages at the given sample rate (at least 1).
BandBins bandBins(int band, int sampleRate);

// The analysis half of update: measures the music at musicTime without touching the stream, so an
// offline caller can compute the same features at virtual times. A track without samples gives an
// all-zero record and keeps its state.
AudioFeatures analyseAt(MusicTrack& track, float musicTime, float musicLength);

// The frame at the play position: the float product truncated toward zero, within +-1e9.
int playFrame(int sampleRate, float musicTime);

// Frames the level sums up to the play position: 80 ms, within [8, 15360].
int levelFrames(int sampleRate);

// The analysis state of a source other than the show's track (which keeps it in its MusicTrack).
struct AnalysisState {
    std::vector<float> spectrum;
    float bandPeak[kBandCount] = {};
    float bandLevel[kBandCount] = {};
    float previousBass = 0.0f;
    float beatEnvelope = 0.0f;
};

// The state a load gives: peaks at kInitialBandPeak, levels 0, 512 zero magnitudes.
void resetAnalysis(AnalysisState& state);

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
