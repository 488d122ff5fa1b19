// The show's music: a raylib stream that plays, and a decoded copy of all its samples that the
// per-frame analysis reads around the play position. The file is decoded and checked once
// (audio/track_decoder.h); the stream then plays that decoded copy from memory, so no other
// decoder ever reads the file.
#pragma once

#include <vector>

#include "audio/analysis.h"  // Required for: AnalysisState, DecodedSamples, kBandCount
#include "audio/audio_features.h"
#include "raylib.h"  // Required for: Music, Wave

struct MusicTrack {
    Music music = {};
    Wave wave = {};               // The decoded copy as a raylib Wave (32-bit floats); its data is `samples`
    float* samples = nullptr;     // frameCount * channels interleaved values [-1..1]; owned
    unsigned char* streamImage = nullptr;  // A loaded file: WAV header + the decoded copy that `music`
                                           // plays and `samples` points into; owned instead of `samples`
    std::vector<float> spectrum;  // 512 magnitudes of the last spectrum
    int sampleRate = 0;
    int channels = 0;
    int frameCount = 0;
    bool ready = false;
    bool musicLoaded = false;
    bool waveLoaded = false;
    float bandPeak[kBandCount] = {};
    float bandLevel[kBandCount] = {};
    float previousBass = 0.0f;
    float beatEnvelope = 0.0f;

    MusicTrack() = default;
    ~MusicTrack();
    MusicTrack(const MusicTrack&) = delete;
    MusicTrack& operator=(const MusicTrack&) = delete;
};

// Loads the stream and the decoded copy and starts playing; false leaves the track empty (silent).
bool load(MusicTrack& track, const char* path);
// Releases everything; safe on an empty or half-loaded track and more than once.
void unload(MusicTrack& track);
// Hands the track a decoded copy, which it then owns (allocated as raylib's LoadWaveSamples does;
// unload releases it), and resets the analysis state as a load does. The load uses it; so can code
// that analyses samples of its own without a stream.
void attachSamples(MusicTrack& track, float* samples, int frameCount, int channels, int sampleRate);
// The decoded copy as the analysis reads it.
DecodedSamples decodedSamples(const MusicTrack& track);
// The analysis half of update: measures the music at musicTime without touching the stream, so an
// offline caller can compute the same features at virtual times. A track without samples gives an
// all-zero record and keeps its state.
AudioFeatures analyseAt(MusicTrack& track, float musicTime, float musicLength);
// Once per frame: keeps the stream fed and playing, then analyses the music at the play position.
AudioFeatures update(MusicTrack& track);
// The audio device the stream played on was lost and a new one is open: the old stream is released
// and a new one of the same decoded copy plays from `position` seconds. False leaves the track
// empty (silent).
bool resumeStream(MusicTrack& track, float position);
