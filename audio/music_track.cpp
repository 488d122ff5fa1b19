// The thin playback layer of the music track: raylib's stream calls live here; the checked decode
// is in track_decoder.cpp and the measurements in analysis.cpp.
#include "audio/music_track.h"

#include <cstdlib>  // Required for: free()

#include "audio/track_decoder.h"  // Required for: decodeTrackFile()

namespace {

constexpr float kMusicVolume = 1.0f;
constexpr size_t kWavHeaderBytes = 44;   // RIFF, "fmt " and "data" chunk headers
constexpr unsigned kWavFloatFormat = 3;  // WAVE_FORMAT_IEEE_FLOAT

// raylib can hand back a stream that fails its validity test yet holds an open decoder; anything it
// allocated is released, valid or not.
void releaseInvalidMusic(Music& music) {
    if (music.ctxData != nullptr || music.stream.buffer != nullptr) UnloadMusicStream(music);
    music = Music{};
}

bool playable(const MusicTrack& track) {
    return track.ready && track.musicLoaded && track.waveLoaded && track.samples != nullptr && track.sampleRate >= 1;
}

unsigned char* putU16(unsigned char* at, unsigned v) {
    at[0] = (unsigned char)(v & 0xFF);
    at[1] = (unsigned char)((v >> 8) & 0xFF);
    return at + 2;
}

unsigned char* putU32(unsigned char* at, unsigned v) {
    return putU16(putU16(at, v & 0xFFFF), v >> 16);
}

unsigned char* putTag(unsigned char* at, const char* tag) {
    for (int i = 0; i < 4; ++i) at[i] = (unsigned char)tag[i];
    return at + 4;
}

// Turns the reserved prefix of a decoded track into the header of a 32-bit float WAV file, so that
// raylib streams the decoded copy from memory. Returns the size of the whole image.
size_t writeWavHeader(const DecodedTrack& track) {
    const unsigned frameBytes = (unsigned)track.channels * 4u;
    const unsigned dataBytes = (unsigned)track.frameCount * frameBytes;  // Bounded far below 4 GB
    unsigned char* at = track.block;
    at = putTag(at, "RIFF");
    at = putU32(at, 36u + dataBytes);
    at = putTag(at, "WAVE");
    at = putTag(at, "fmt ");
    at = putU32(at, 16u);
    at = putU16(at, kWavFloatFormat);
    at = putU16(at, (unsigned)track.channels);
    at = putU32(at, (unsigned)track.sampleRate);
    at = putU32(at, (unsigned)track.sampleRate * frameBytes);
    at = putU16(at, frameBytes);
    at = putU16(at, 32u);
    at = putTag(at, "data");
    putU32(at, dataBytes);
    return kWavHeaderBytes + dataBytes;
}

// The track keeps the analysis state in fields of its own; the analysis works on its record.
AnalysisState takeAnalysis(MusicTrack& track) {
    AnalysisState state;
    state.spectrum.swap(track.spectrum);
    for (int b = 0; b < kBandCount; ++b) {
        state.bandPeak[b] = track.bandPeak[b];
        state.bandLevel[b] = track.bandLevel[b];
    }
    state.previousBass = track.previousBass;
    state.beatEnvelope = track.beatEnvelope;
    return state;
}

void keepAnalysis(MusicTrack& track, AnalysisState& state) {
    track.spectrum.swap(state.spectrum);
    for (int b = 0; b < kBandCount; ++b) {
        track.bandPeak[b] = state.bandPeak[b];
        track.bandLevel[b] = state.bandLevel[b];
    }
    track.previousBass = state.previousBass;
    track.beatEnvelope = state.beatEnvelope;
}

void resetTrackAnalysis(MusicTrack& track) {
    AnalysisState state;
    resetAnalysis(state);
    keepAnalysis(track, state);
}

// The size of a loaded track's stream image: its WAV header and the decoded copy.
size_t streamImageBytes(const MusicTrack& track) {
    return kWavHeaderBytes + (size_t)track.frameCount * (size_t)track.channels * sizeof(float);
}

}  // namespace

MusicTrack::~MusicTrack() { unload(*this); }

void attachSamples(MusicTrack& track, float* samples, int frameCount, int channels, int sampleRate) {
    // The stream of a loaded file plays the copy it holds: stream and copy go together, and a
    // different copy replaces both.
    if (track.streamImage != nullptr && samples != track.samples) unload(track);
    if (track.samples != nullptr && track.samples != samples) UnloadWaveSamples(track.samples);
    track.samples = samples;
    track.sampleRate = sampleRate;
    track.channels = channels < 1 ? 1 : channels;
    // A copy that reports no channels holds no values: it reads as silence rather than past its end.
    track.frameCount = channels < 1 ? 0 : frameCount;
    resetTrackAnalysis(track);
}

bool load(MusicTrack& track, const char* path) {
    unload(track);
    if (path == nullptr || path[0] == '\0') return false;

    DecodedTrack decoded;
    if (!decodeTrackFile(path, kWavHeaderBytes, decoded)) return false;
    const size_t imageBytes = writeWavHeader(decoded);
    track.music = LoadMusicStreamFromMemory(".wav", decoded.block, (int)imageBytes);
    track.musicLoaded = IsMusicValid(track.music);
    if (!track.musicLoaded) {
        releaseInvalidMusic(track.music);
        releaseDecodedTrack(decoded);
        return false;
    }

    track.streamImage = decoded.block;
    track.samples = decoded.samples;
    track.wave = Wave{(unsigned int)decoded.frameCount, (unsigned int)decoded.sampleRate, 32,
                      (unsigned int)decoded.channels, decoded.samples};
    track.waveLoaded = true;
    track.sampleRate = decoded.sampleRate;
    track.channels = decoded.channels;
    track.frameCount = decoded.frameCount;
    resetTrackAnalysis(track);
    SetMusicVolume(track.music, kMusicVolume);
    PlayMusicStream(track.music);
    track.ready = true;
    return true;
}

void unload(MusicTrack& track) {
    if (track.musicLoaded) StopMusicStream(track.music);
    // The stream reads the image until it is unloaded.
    if (track.musicLoaded) {
        UnloadMusicStream(track.music);
        track.music = Music{};
        track.musicLoaded = false;
    }
    if (track.streamImage != nullptr) {
        free(track.streamImage);
        track.streamImage = nullptr;
    } else if (track.samples != nullptr) {
        UnloadWaveSamples(track.samples);
    }
    track.samples = nullptr;
    track.wave = Wave{};
    track.waveLoaded = false;
    // The analysis state stays as it is; the next load resets it.
    track.spectrum.clear();
    track.sampleRate = 0;
    track.channels = 0;
    track.frameCount = 0;
    track.ready = false;
}

bool resumeStream(MusicTrack& track, float position) {
    if (!playable(track) || track.streamImage == nullptr) return false;
    UnloadMusicStream(track.music);
    track.music = LoadMusicStreamFromMemory(".wav", track.streamImage, (int)streamImageBytes(track));
    track.musicLoaded = IsMusicValid(track.music);
    if (!track.musicLoaded) {
        releaseInvalidMusic(track.music);
        unload(track);
        return false;
    }
    SetMusicVolume(track.music, kMusicVolume);
    PlayMusicStream(track.music);
    SeekMusicStream(track.music, position);  // After playing, which starts the stream at 0
    return true;
}

DecodedSamples decodedSamples(const MusicTrack& track) {
    return DecodedSamples{track.samples, track.frameCount, track.channels, track.sampleRate};
}

AudioFeatures analyseAt(MusicTrack& track, float musicTime, float musicLength) {
    AnalysisState state = takeAnalysis(track);
    const AudioFeatures features = analyseAt(state, decodedSamples(track), musicTime, musicLength);
    keepAnalysis(track, state);
    return features;
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
