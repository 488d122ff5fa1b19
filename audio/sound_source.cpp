#include "audio/sound_source.h"

#include <algorithm>  // Required for: std::min(), std::max(), std::fill(), std::clamp()
#include <cmath>      // Required for: std::isnan()
#include <cstdio>     // Required for: snprintf()
#include <cstdlib>    // Required for: free()
#include <cstring>    // Required for: memmove()

#include "audio/file_stream.h"    // Required for: openFileStream(), heldFrame()...
#include "audio/track_decoder.h"  // Required for: kMinTrackRate, kMaxTrackRate...

namespace {

constexpr double kLiveRingSeconds = 1.0;
constexpr double kLiveSlackSeconds = 0.1;  // Live sound this late still counts; later is silence

bool plausibleFormat(int channels, int sampleRate) {
    return channels >= kMinTrackChannels && channels <= kMaxTrackChannels && sampleRate >= kMinTrackRate &&
           sampleRate <= kMaxTrackRate;
}

// One frame's interleaved values, or null where there is none to read.
const float* frameAt(const SoundSource& source, long long frame, long long decoded) {
    if (frame < 0) return nullptr;
    if (source.kind == SourceKind::Decoded) {
        return frame < source.frameCount ? source.samples + frame * source.channels : nullptr;
    }
    return heldFrame(*source.file, frame, decoded);
}

long long decodedNow(const SoundSource& source) {
    return source.file != nullptr ? framesDecoded(*source.file) : source.frameCount;
}

// Mono frames [first, first + count) of a file or decoded track: the mean of the channels.
void readMono(const SoundSource& source, long long first, int count, float* mono) {
    const long long decoded = decodedNow(source);
    for (int i = 0; i < count; ++i) {
        const float* frame = frameAt(source, first + i, decoded);
        float sum = 0.0f;
        for (int c = 0; frame != nullptr && c < source.channels; ++c) sum += frame[c];
        mono[i] = frame != nullptr ? sum / (float)source.channels : 0.0f;
    }
}

// Appends `count` frames (silence when `mono` is null) to the end of the window.
void appendToWindow(std::vector<float>& window, const float* mono, int count) {
    const int size = (int)window.size();
    count = std::min(count, size);
    memmove(window.data(), window.data() + count, sizeof(float) * (size_t)(size - count));
    for (int i = 0; i < count; ++i) window[(size_t)(size - count + i)] = mono != nullptr ? mono[i] : 0.0f;
}

AudioFeatures analyseLive(SoundSource& source, double clock) {
    const int rate = source.sampleRate;
    // Everything since the last call is taken (a slow frame brings many windows' worth, and the
    // caller's beat tracker hears them all); the window keeps the newest
    const int room = (int)source.liveTaken.size();
    const long long received = takeLiveMono(*source.live, source.liveTaken.data(), room);
    const int kept = (int)std::min<long long>(received, room);
    const int fresh = std::min(kept, (int)source.window.size());
    appendToWindow(source.window, source.liveTaken.data() + (kept - fresh), fresh);
    source.liveEnd += received;

    // What the clock says should have come in and did not is silence, past a little slack for the
    // producer's own blocks: a stalled producer never leaves old sound on screen.
    if (source.liveClock >= 0.0 && clock > source.liveClock) source.liveOwed += (clock - source.liveClock) * rate;
    source.liveOwed = std::max(source.liveOwed - (double)received, 0.0);
    const double slack = kLiveSlackSeconds * rate;
    if (source.liveOwed > slack) {
        const long long silence = (long long)(source.liveOwed - slack);
        const int size = (int)source.window.size();
        appendToWindow(source.window, nullptr, (int)std::min<long long>(silence, size));
        source.liveEnd += silence;
        source.liveOwed -= (double)silence;
    }
    source.liveClock = clock;

    // Frames are counted from the window's start, so that hours of live sound stay in range
    const int pos = windowFramesBefore(rate);
    const MonoWindow window{source.window.data(), 0, (int)source.window.size()};
    const double seconds = (double)(source.liveEnd - 1 - kWindowAfter) / rate;
    return analyseWindow(source.analysis, window, rate, pos, (float)seconds, 0.0f);
}

void startAnalysis(SoundSource& source) {
    resetAnalysis(source.analysis);
    source.window.assign((size_t)windowFrames(source.sampleRate), 0.0f);
}

}  // namespace

SoundSource::~SoundSource() { closeSource(*this); }

bool openFileSource(SoundSource& source, const char* path) {
    closeSource(source);
    source.error.clear();
    FileFormat format;
    FileStream* stream = openFileStream(path, format, source.error);
    if (stream == nullptr) return false;
    source.kind = SourceKind::File;
    source.sampleRate = format.sampleRate;
    source.channels = format.channels;
    source.frameCount = format.declaredFrames;
    source.title = format.title;
    source.file = stream;
    startAnalysis(source);
    return true;
}

bool openDecodedSource(SoundSource& source, float* samples, long long frameCount, int channels, int sampleRate,
                       const char* title) {
    closeSource(source);
    source.error.clear();
    if (samples == nullptr || frameCount < 1 || !plausibleFormat(channels, sampleRate)) {
        free(samples);
        source.error = samples == nullptr || frameCount < 1 ? "no sound in it" : "absurd channels or rate";
        return false;
    }
    source.kind = SourceKind::Decoded;
    source.samples = samples;
    source.frameCount = frameCount;
    source.channels = channels;
    source.sampleRate = sampleRate;
    source.title = title != nullptr ? title : "";
    startAnalysis(source);
    return true;
}

bool openLiveSource(SoundSource& source, int sampleRate, int channels) {
    closeSource(source);
    source.error.clear();
    if (!plausibleFormat(channels, sampleRate)) {
        source.error = "absurd channels or rate";
        return false;
    }
    source.kind = SourceKind::Live;
    source.sampleRate = sampleRate;
    source.channels = channels;
    source.live = new LiveRing;
    initLiveRing(*source.live, channels, (long long)(kLiveRingSeconds * sampleRate));
    startAnalysis(source);
    source.liveTaken.assign((size_t)source.live->capacity, 0.0f);  // All the ring can hold
    return true;
}

void closeSource(SoundSource& source) {
    closeFileStream(source.file);
    delete source.live;
    free(source.samples);
    const std::string error = source.error;
    source.kind = SourceKind::None;
    source.sampleRate = source.channels = 0;
    source.frameCount = -1;
    source.title.clear();
    source.samples = nullptr;
    source.file = nullptr;
    source.live = nullptr;
    source.liveEnd = 0;
    source.liveClock = -1.0;
    source.liveOwed = 0.0;
    source.playFrom = -1;
    source.error = error;  // Kept: it says why the source closed or was refused
}

long long framesReady(const SoundSource& source) {
    switch (source.kind) {
    case SourceKind::File: return framesDecoded(*source.file);
    case SourceKind::Decoded: return source.frameCount;
    case SourceKind::Live: return source.live->written.load(std::memory_order_acquire);
    default: return 0;
    }
}

bool decodingSettled(const SoundSource& source) {
    return source.kind != SourceKind::File || source.file == nullptr || decodingSettled(*source.file);
}

bool decodingDone(SoundSource& source) {
    if (source.kind == SourceKind::Decoded) return true;
    bool damaged = false;
    if (source.kind != SourceKind::File || !decodingFinished(*source.file, damaged)) return false;
    source.frameCount = framesDecoded(*source.file);
    if (source.frameCount == 0 && source.error.empty()) source.error = "no sound could be decoded";
    if (damaged && source.error.empty()) {
        char at[32];
        snprintf(at, sizeof at, "%.1f", (double)source.frameCount / source.sampleRate);
        source.error = std::string("damaged after ") + at + " s";
    }
    return true;
}

void releaseBefore(SoundSource& source, long long frame) {
    if (source.file == nullptr) return;
    if (source.playFrom >= 0) frame = std::min(frame, source.playFrom);
    releaseFramesBefore(*source.file, frame);
}

long long bufferFrames(const SoundSource& source) { return source.file != nullptr ? ringFrames(*source.file) : 0; }

void readFrames(SoundSource& source, long long first, int count, float* out) {
    if (source.kind != SourceKind::File && source.kind != SourceKind::Decoded) {
        std::fill(out, out + (size_t)std::max(count, 0) * std::max(source.channels, 1), 0.0f);
        return;
    }
    const long long decoded = decodedNow(source);
    for (int i = 0; i < count; ++i) {
        const float* frame = frameAt(source, first + i, decoded);
        float* to = out + (size_t)i * source.channels;
        for (int c = 0; c < source.channels; ++c) to[c] = frame != nullptr ? frame[c] : 0.0f;
    }
}

AudioFeatures analyseSource(SoundSource& source, double seconds) {
    if (source.kind == SourceKind::None) return AudioFeatures{};
    if (source.kind == SourceKind::Live) return analyseLive(source, seconds);
    decodingDone(source);
    const int rate = source.sampleRate;
    // The play frame as the show's track takes it (the float product, truncated), in 64 bits:
    // a file of hours at a high rate runs past an int's frames
    const float product = (float)rate * (float)seconds;
    const long long pos = std::isnan(product) ? 0 : (long long)std::clamp(product, -1.0e18f, 1.0e18f);
    const int before = windowFramesBefore(rate);
    readMono(source, pos - before, (int)source.window.size(), source.window.data());
    releaseBefore(source, pos - before);
    const float length = source.frameCount > 0 ? (float)((double)source.frameCount / rate) : 0.0f;
    // Frames counted from the window's start
    const MonoWindow window{source.window.data(), 0, (int)source.window.size()};
    return analyseWindow(source.analysis, window, rate, before, (float)seconds, length);
}
