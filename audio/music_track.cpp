// The thin playback layer of the music track: raylib's stream and decoder calls live here; the
// measurements themselves are in analysis.cpp.
#include "audio/music_track.h"

#include "audio/analysis.h"  // Required for: analyseAt(), kSpectrumBins, kBandCount

namespace {

constexpr float kMusicVolume = 1.0f;
constexpr float kInitialBandPeak = 0.001f;

// raylib can hand back a stream that fails its validity test yet holds an open decoder (an Ogg whose
// length cannot be read); anything it allocated is released, valid or not.
void releaseInvalidMusic(Music& music) {
    if (music.ctxData != nullptr || music.stream.buffer != nullptr) UnloadMusicStream(music);
    music = Music{};
}

void releaseInvalidWave(Wave& wave) {
    if (wave.data != nullptr) UnloadWave(wave);
    wave = Wave{};
}

bool playable(const MusicTrack& track) {
    return track.ready && track.musicLoaded && track.waveLoaded && track.samples != nullptr && track.sampleRate >= 1;
}

}  // namespace

MusicTrack::~MusicTrack() { unload(*this); }

void attachSamples(MusicTrack& track, float* samples, int frameCount, int channels, int sampleRate) {
    if (track.samples != nullptr && track.samples != samples) UnloadWaveSamples(track.samples);
    track.samples = samples;
    track.sampleRate = sampleRate;
    track.channels = channels < 1 ? 1 : channels;
    // A copy that reports no channels holds no values: it reads as silence rather than past its end.
    track.frameCount = channels < 1 ? 0 : frameCount;
    track.spectrum.assign(kSpectrumBins, 0.0f);
    for (int b = 0; b < kBandCount; ++b) {
        track.bandPeak[b] = kInitialBandPeak;
        track.bandLevel[b] = 0.0f;
    }
    track.previousBass = 0.0f;
    track.beatEnvelope = 0.0f;
}

bool load(MusicTrack& track, const char* path) {
    unload(track);
    if (path == nullptr || path[0] == '\0') return false;

    track.music = LoadMusicStream(path);
    track.musicLoaded = IsMusicValid(track.music);
    if (!track.musicLoaded) {
        releaseInvalidMusic(track.music);
        return false;
    }

    track.wave = LoadWave(path);
    track.waveLoaded = IsWaveValid(track.wave);
    float* samples = track.waveLoaded ? LoadWaveSamples(track.wave) : nullptr;
    if (samples == nullptr) {
        releaseInvalidWave(track.wave);
        track.waveLoaded = false;
        UnloadMusicStream(track.music);
        track.music = Music{};
        track.musicLoaded = false;
        return false;
    }

    attachSamples(track, samples, (int)track.wave.frameCount, (int)track.wave.channels, (int)track.wave.sampleRate);
    SetMusicVolume(track.music, kMusicVolume);
    PlayMusicStream(track.music);
    track.ready = true;
    return true;
}

void unload(MusicTrack& track) {
    if (track.musicLoaded) StopMusicStream(track.music);
    if (track.samples != nullptr) {
        UnloadWaveSamples(track.samples);
        track.samples = nullptr;
    }
    if (track.waveLoaded) {
        UnloadWave(track.wave);
        track.wave = Wave{};
        track.waveLoaded = false;
    }
    if (track.musicLoaded) {
        UnloadMusicStream(track.music);
        track.music = Music{};
        track.musicLoaded = false;
    }
    // The analysis state stays as it is; the next load resets it.
    track.spectrum.clear();
    track.sampleRate = 0;
    track.channels = 0;
    track.frameCount = 0;
    track.ready = false;
}

AudioFeatures update(MusicTrack& track) {
    if (!playable(track)) return AudioFeatures{};

    UpdateMusicStream(track.music);
    // A stream that stopped, at its end or from outside, starts again: the music never falls silent.
    if (!IsMusicStreamPlaying(track.music)) PlayMusicStream(track.music);
    const float musicTime = GetMusicTimePlayed(track.music);
    const float musicLength = GetMusicTimeLength(track.music);
    return analyseAt(track, musicTime, musicLength);
}
