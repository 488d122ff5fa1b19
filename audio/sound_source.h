// Sound from outside the show for the analysis to read: a music file of any length, a whole track
// a front end decoded itself (the browser does), or live sound pushed in blocks. Every kind is read
// the same way, as mono frames around a play position, so the same samples give the same
// AudioFeatures whatever brought them. The show's own track is not one of these: it keeps its
// MusicTrack.
#pragma once

#include <string>
#include <vector>

#include "audio/analysis.h"        // Required for: AnalysisState
#include "audio/audio_features.h"
#include "audio/live_ring.h"

enum class SourceKind { None, File, Decoded, Live };

struct FileStream;  // A file being decoded ahead on a worker thread (audio/file_stream.h)

struct SoundSource {
    SourceKind kind = SourceKind::None;
    int sampleRate = 0;
    int channels = 0;
    long long frameCount = -1;     // The length in frames; -1 while not known (live sound, a file still decoding)
    std::string title;             // From the file's tags, else its name; as handed over otherwise
    std::string error;             // Why the last open failed, or why a file ended early
    float* samples = nullptr;      // Decoded: frameCount * channels interleaved values, owned (malloc'd)
    FileStream* file = nullptr;    // File
    LiveRing* live = nullptr;      // Live: the producer pushes into it from its own thread
    AnalysisState analysis;
    std::vector<float> window;     // Mono frames the analysis reads
    long long liveEnd = 0;         // Live: frames of the timeline the window ends at
    double liveClock = -1.0;       // Live: the consumer's clock at the last analysis
    double liveOwed = 0.0;         // Live: frames the clock ran ahead of what came in
    std::vector<float> liveTaken;  // Live: frames taken from the ring this time
    long long playFrom = -1;       // The player's next frame; nothing before it is dropped while >= 0

    SoundSource() = default;
    ~SoundSource();
    SoundSource(const SoundSource&) = delete;
    SoundSource& operator=(const SoundSource&) = delete;
};

// A music file: checked and opened at once, decoded ahead in blocks on a worker thread. False
// leaves the source closed with `error` saying why it was refused.
bool openFileSource(SoundSource& source, const char* path);

// A whole track decoded by the front end: `samples` (malloc'd, frameCount * channels interleaved
// values) is taken over whatever the result. False (and freed) for an empty track or absurd
// channels or rate.
bool openDecodedSource(SoundSource& source, float* samples, long long frameCount, int channels, int sampleRate,
                       const char* title);

// Live sound of `channels` channels at `sampleRate`: the producer calls pushLive(*source.live, ...)
// from its own thread; the ring holds a second of sound.
bool openLiveSource(SoundSource& source, int sampleRate, int channels);

// Stops the worker, releases everything; safe on a closed source and more than once.
void closeSource(SoundSource& source);

// Frames decoded so far (a file), or the length (decoded samples); live: frames received.
long long framesReady(const SoundSource& source);

// A file decoded to its end or to the damaged place where it broke (then `error` says so); the
// length is then known.
bool decodingDone(SoundSource& source);

// A file's worker has decoded all it can until frames are released (the end, or its ring full);
// other kinds always. A front end on a virtual clock waits for it before each frame, so that what
// the frame reads does not depend on the worker's speed.
bool decodingSettled(const SoundSource& source);

// Nothing before `frame` will be read again (nor before the player's next frame, while one plays):
// a file's worker may decode over it. The analysis and the player call it; frames before it then
// read as silence.
void releaseBefore(SoundSource& source, long long frame);

// Frames a file keeps decoded at most (its memory, whatever its length); 0 for other kinds.
long long bufferFrames(const SoundSource& source);

// Interleaved frames [first, first + count) into `out`, silence where there are none (before the
// start, past the end, not decoded yet). Files and decoded tracks only.
void readFrames(SoundSource& source, long long first, int count, float* out);

// The analysis at a play position of `seconds` (a file or decoded track), or, for live sound, of
// the newest frames received by the consumer's clock `seconds` (frames that did not come in time
// read as silence). All zero for a closed source.
AudioFeatures analyseSource(SoundSource& source, double seconds);
