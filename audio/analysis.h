// Per-frame measurements of the music from its decoded copy: the mono signal around the play
// position, its spectrum, eight self-normalised band levels, bass/mid/treble and a beat pulse.
// Plain code over the track's samples and analysis state: no audio device, no stream.
#pragma once

#include <complex>

#include "audio/audio_features.h"
#include "audio/music_track.h"

constexpr int kSpectrumWindow = 1024;              // Frames transformed per analysis
constexpr int kSpectrumBins = kSpectrumWindow / 2;  // Magnitudes kept in MusicTrack::spectrum
constexpr int kBandCount = 8;

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
