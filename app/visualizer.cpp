#include "app/visualizer.h"

#include <algorithm>  // Required for: std::min(), std::max()

#include "app/visualizer_frame.h"
#include "framebuffer/cell_hash.h"  // Required for: fnvMix()

namespace {

constexpr double kTrackedSecondsPerFrame = 2.0;  // The live tracker catches up at most this much a frame
constexpr int kReadBlock = 4096;                 // Frames read at a time
constexpr double kShortestTail = 6.0;            // An effect change leaving less of a file waits for its end

SoundSource& playing(Visualizer& v) { return v.sources[v.current]; }
const SoundSource& playing(const Visualizer& v) { return v.sources[v.current]; }

// The frame clock less the time spent paused; it holds while paused.
float visualClock(const Visualizer& v, float frameNow) { return (v.paused ? v.pausedSince : frameNow) - v.pausedTotal; }

float frameClock(const Platform& platform) { return platform.now(platform.user); }

// The effects' order follows the music it is shown to, the same every time.
uint32_t nameHash(const std::string& name) {
    uint64_t h = kFnvOffset;
    for (unsigned char c : name) h = fnvMix(h, c, 1);
    return (uint32_t)(h ^ (h >> 32));
}

std::string fileName(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Frames [first, first + count) of a file or decoded track as their mono mix.
const float* readMono(Visualizer& v, SoundSource& source, long long first, int count) {
    const int channels = std::max(source.channels, 1);
    v.interleaved.resize((size_t)count * channels);
    v.mono.resize((size_t)count);
    readFrames(source, first, count, v.interleaved.data());
    for (int i = 0; i < count; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c) sum += v.interleaved[(size_t)i * channels + c];
        v.mono[(size_t)i] = sum / (float)channels;
    }
    return v.mono.data();
}

void stopPlaying(Visualizer& v, const Platform& platform) {
    if (v.sourcePlaying && platform.stopSource != nullptr) platform.stopSource(platform.user, playing(v));
    v.sourcePlaying = false;
}

// The current source starts at visualizer time `now`: its music time 0, the beat count restarted,
// its tempo found afresh.
void beginSource(Show& show, const Platform& platform, float now) {
    Visualizer& v = *show.visualizer;
    SoundSource& source = playing(v);
    v.sourceStart = now;
    v.position = 0.0;
    startAheadPass(v);
    v.tracker = makeLiveBeatTracker(source.sampleRate);
    v.trackedFrames = 0;
    v.noNextFile = false;
    startFollowing(show.tempo, v.follower, BeatReference{}, now);
    v.sourcePlaying = source.kind != SourceKind::Live && platform.playSource != nullptr &&
                      platform.playSource(platform.user, source, frameClock(platform));
    if (source.kind == SourceKind::File || source.kind == SourceKind::Decoded) v.anyFilePlayed = true;
}

// The first file from `index` on, going by `step`, that opens into `slot`; those that do not are
// skipped with their reasons. -1 when none does.
int openFileFrom(Visualizer& v, const Platform& platform, int index, int step, int slot) {
    for (; index >= 0 && index < (int)v.files.size(); index += step) {
        if (openFileSource(v.sources[slot], v.files[(size_t)index].c_str())) return index;
        v.skipped = fileName(v.files[(size_t)index]) + ": " + v.sources[slot].error;
        v.skippedAt = frameClock(platform);
    }
    return -1;
}

// The flight into the next effect, from `start` (at most `now`).
void flyToNextEffect(Show& show, float now, float start) {
    const int next = takeNextEffect(show.visualizer->plan);
    startEffectTransition(show.timeline, next, show.scenes, show.fb->cols, show.fb->rows, std::min(start, now));
}

void flyToNextEffect(Show& show, float now) { flyToNextEffect(show, now, now); }

// File `index`, open in the other slot, starts when the flight into the next effect lands.
void flyToFile(Show& show, int index, float now) {
    Visualizer& v = *show.visualizer;
    v.nextPending = true;
    v.nextIndex = index;
    if (!show.timeline.transitionActive) flyToNextEffect(show, now);
}

void switchToPending(Show& show, const Platform& platform, float now) {
    Visualizer& v = *show.visualizer;
    stopPlaying(v, platform);
    closeSource(playing(v));
    v.current = 1 - v.current;
    v.fileIndex = v.nextIndex;
    v.nextPending = false;
    beginSource(show, platform, now);
}

// The closing screen (the frame loop runs it on the frame clock), over silence.
void startClosing(Show& show, const Platform& platform) {
    Visualizer& v = *show.visualizer;
    stopPlaying(v, platform);
    closeSource(v.sources[1 - v.current]);
    v.nextPending = false;
    show.timeline.transitionActive = false;
    show.timeline.outroStart = frameClock(platform);
    show.mode = ShowMode::Outro;
}

// Seconds of the current file or track still to play; < 0 while its length is not known.
double musicLeft(Visualizer& v) {
    SoundSource& source = playing(v);
    if (source.kind != SourceKind::File && source.kind != SourceKind::Decoded) return -1.0;
    if (!decodingDone(source) || source.frameCount < 0) return -1.0;
    return std::max((double)source.frameCount / source.sampleRate - v.position, 0.0);
}

// The live tracker hears a file's frames up to the play position, until the grid is there.
void trackPlayedFrames(Visualizer& v) {
    SoundSource& source = playing(v);
    if (v.gridReady) return;
    const long long played = (long long)(v.position * source.sampleRate);
    const long long until = std::min(played, v.trackedFrames + (long long)(kTrackedSecondsPerFrame * source.sampleRate));
    while (v.trackedFrames < until) {
        const int count = (int)std::min<long long>(kReadBlock, until - v.trackedFrames);
        pushLiveSamples(v.tracker, readMono(v, source, v.trackedFrames, count), count);
        v.trackedFrames += count;
    }
}

// Live sound's analysis; the tracker hears what came in, and silence where the clock says nothing did.
AudioFeatures analyseLiveSound(Visualizer& v, double seconds) {
    SoundSource& source = playing(v);
    const long long endBefore = source.liveEnd;
    const long long takenBefore = source.live->consumed.load(std::memory_order_relaxed);
    const AudioFeatures features = analyseSource(source, seconds);
    const long long received = source.live->consumed.load(std::memory_order_relaxed) - takenBefore;
    const long long kept = std::min<long long>(received, (long long)source.liveTaken.size());
    pushLiveSamples(v.tracker, source.liveTaken.data(), (int)kept);
    long long silence = std::max(source.liveEnd - endBefore - received, 0LL);
    v.mono.assign((size_t)std::min<long long>(silence, kReadBlock), 0.0f);
    for (; silence > 0; silence -= kReadBlock) pushLiveSamples(v.tracker, v.mono.data(), (int)std::min<long long>(silence, kReadBlock));
    v.trackedFrames = source.liveEnd;
    return features;
}

// The music's part of a frame: its position and analysis, and the tempo clock steered onto its beats.
void musicStep(Show& show, const Platform& platform, float now, float frameNow) {
    Visualizer& v = *show.visualizer;
    SoundSource& source = playing(v);
    if (show.mode != ShowMode::Show || source.kind == SourceKind::None) {
        show.audio = AudioFeatures{};
        show.beat = update(show.tempo, now);
        return;
    }
    if (v.sourcePlaying && platform.updateSource != nullptr) {
        v.position = platform.updateSource(platform.user, source, frameNow);
    } else {
        v.position = std::max((double)(now - v.sourceStart), 0.0);
    }
    platform.setMasterVolume(platform.user, 1.0f);

    double musicTime = v.position;
    if (source.kind == SourceKind::Live) {
        show.audio = analyseLiveSound(v, v.position);
        musicTime = (double)v.trackedFrames / source.sampleRate;
    } else {
        aheadPassStep(v);
        trackPlayedFrames(v);
        show.audio = analyseSource(source, v.position);
        if (!v.gridReady) musicTime = (double)v.trackedFrames / source.sampleRate;
    }
    const bool onGrid = v.gridReady && !v.grid.beats.empty();
    const BeatReference ref = onGrid ? gridReference(v.grid, musicTime) : liveReference(v.tracker);
    followBeats(show.tempo, v.follower, ref, now, musicTime);
    show.beat = update(show.tempo, now);
}

// The sequence's part of a frame; true when an effect began.
bool sequenceStep(Show& show, const Platform& platform, float now) {
    Visualizer& v = *show.visualizer;
    ShowTimeline& timeline = show.timeline;
    if (show.mode != ShowMode::Show) return false;
    if (effectTransitionStep(timeline, now)) {
        if (v.nextPending) {
            switchToPending(show, platform, now);
            show.beat = update(show.tempo, now);
        }
        holdEffect(v.plan, show.beat, effectBars(show.scenes.rows[timeline.currentScene], show.beat.secondsPerBar));
        return true;
    }
    // The next file's first beat comes as this one ends (a flight already on its way that lands no
    // sooner takes it along); after the last, the closing screen
    const double left = musicLeft(v);
    const double flightLeft = timeline.transitionActive ? timeline.transitionStart + kTransitionSeconds - now : kTransitionSeconds;
    if (left >= 0.0 && left <= flightLeft && !v.nextPending && !v.noNextFile) {
        const int next = openFileFrom(v, platform, v.fileIndex + 1, 1, 1 - v.current);
        if (next >= 0) {
            flyToFile(show, next, now);
        } else {
            v.noNextFile = true;  // Not tried again every frame
        }
    }
    if (v.noNextFile && left == 0.0) {
        startClosing(show, platform);
        return false;
    }
    if (timeline.transitionActive) return false;

    const bool due = effectDue(v.plan, show.beat);
    if (due && (left < 0.0 || left > kTransitionSeconds + kShortestTail)) {
        // From the moment that lands it on the bar's first beat, which this frame may be just past
        // (by a frame at most: a flight found later lands late rather than not flying at all)
        flyToNextEffect(show, now, now - std::min(kTransitionSeconds - v.plan.untilBar, kMaxFrameStep));
    }
    return false;
}

// SPACE: the next effect; near a file's end (where that flight would land with less than another
// flight's time of the file left, so its end would bring a second flight and then silence), straight
// into the next file's first effect.
void skipEffect(Show& show, const Platform& platform, float now) {
    Visualizer& v = *show.visualizer;
    const double left = musicLeft(v);
    if (left >= 0.0 && left <= 2.0 * kTransitionSeconds && !v.noNextFile) {
        const int next = openFileFrom(v, platform, v.fileIndex + 1, 1, 1 - v.current);
        if (next >= 0) {
            flyToFile(show, next, now);
            return;
        }
        v.noNextFile = true;
    }
    flyToNextEffect(show, now);
}

unsigned visualizerKeys(Show& show, const Platform& platform, unsigned keys, float frameNow) {
    Visualizer& v = *show.visualizer;
    if (keys & KeyPause) pauseVisualizer(show, platform, !v.paused);
    const float now = visualClock(v, frameNow);
    if (show.mode == ShowMode::Show && !v.paused) {
        if ((keys & KeySkip) && !show.timeline.transitionActive) skipEffect(show, platform, now);
        if (keys & KeyNextFile) visualizerNextFile(show, platform);
        if (keys & KeyPreviousFile) visualizerPreviousFile(show, platform);
        if (keys & KeyTempoDown) nudgeFollowedBpm(show.tempo, v.follower, -1.0f, now);
        if (keys & KeyTempoUp) nudgeFollowedBpm(show.tempo, v.follower, 1.0f, now);
        if (keys & KeyRestartBeats) restartBeats(show.tempo, now);
    }
    return keys & ~(unsigned)(KeySkip | KeyNextFile | KeyPreviousFile | KeyPause | KeyTempoDown | KeyTempoUp | KeyRestartBeats);
}

VisualizerFrame visualizerStep(Show& show, const Platform& platform, float frameNow, float dt) {
    Visualizer& v = *show.visualizer;
    VisualizerFrame frame{visualClock(v, frameNow), dt, v.paused, false};
    if (v.paused) {
        show.audio = v.heldAudio;
        show.beat = update(show.tempo, frame.now);
        return frame;
    }
    musicStep(show, platform, frame.now, frameNow);
    v.heldAudio = show.audio;
    frame.redraw = sequenceStep(show, platform, frame.now);
    return frame;
}

void stopVisualizer(Show& show, const Platform& platform) {
    stopPlaying(*show.visualizer, platform);
    show.visualizer.reset();  // Its sources close with it
    show.visualizerCalls = nullptr;
}

void releaseVisualizer(Visualizer* visualizer) { delete visualizer; }

const VisualizerCalls kFrameLoopCalls = {visualizerKeys, visualizerStep, stopVisualizer};

// Everything a visualizer start shares: the show without its music, and the first effect.
Visualizer& beginVisualizer(Show& show, const Platform& platform) {
    if (show.visualizer) stopVisualizer(show, platform);
    startSilentShow(show, platform);
    show.visualizer = {new Visualizer, releaseVisualizer};
    show.visualizerCalls = &kFrameLoopCalls;
    Visualizer& v = *show.visualizer;
    v.plan = makeEffectPlan(show.scenes, 0);
    return v;
}

// The first effect, once the source is known (the order follows its name).
void beginEffects(Show& show, const Platform& platform, const std::string& name) {
    Visualizer& v = *show.visualizer;
    const float now = frameClock(platform);
    v.plan = makeEffectPlan(show.scenes, nameHash(name));
    show.timeline.currentScene = takeNextEffect(v.plan);
    show.timeline.sceneStart = now;
    beginSource(show, platform, now);
    show.beat = update(show.tempo, now);
    holdEffect(v.plan, show.beat, effectBars(show.scenes.rows[show.timeline.currentScene], show.beat.secondsPerBar));
}

}  // namespace

void startAheadPass(Visualizer& v) {
    SoundSource& source = playing(v);
    closeSource(v.ahead);
    if (source.kind == SourceKind::File) openFileSource(v.ahead, v.files[(size_t)v.fileIndex].c_str());
    v.onsetDetector = makeOnsetDetector(source.sampleRate);
    v.onsets.clear();
    v.onsetFrames = 0;
    v.gridReady = false;
    v.grid = BeatGrid{};
}

bool aheadPassStep(Visualizer& v) {
    SoundSource& source = playing(v).kind == SourceKind::File ? v.ahead : playing(v);
    if (v.gridReady || (source.kind != SourceKind::File && source.kind != SourceKind::Decoded)) return v.gridReady;
    const long long until = std::min(framesReady(source), v.onsetFrames + (long long)(kAheadSecondsPerFrame * source.sampleRate));
    while (v.onsetFrames < until) {
        const int count = (int)std::min<long long>(kReadBlock, until - v.onsetFrames);
        pushSamples(v.onsetDetector, readMono(v, source, v.onsetFrames, count), count, v.onsets);
        v.onsetFrames += count;
    }
    releaseBefore(source, v.onsetFrames);  // Its worker decodes on over what was read
    if (decodingDone(source) && v.onsetFrames >= source.frameCount) {
        v.grid = beatGridFromOnsets(v.onsets, 1.0 / onsetValueRate(v.onsetDetector));
        v.gridReady = true;
        v.onsets = std::vector<float>();
        closeSource(v.ahead);
    }
    return v.gridReady;
}

bool startVisualizerFiles(Show& show, const Platform& platform, const std::vector<std::string>& paths) {
    Visualizer& v = beginVisualizer(show, platform);
    v.files = paths;
    const int first = openFileFrom(v, platform, 0, 1, v.current);
    if (first < 0) {
        if (v.files.empty()) v.skipped = "no files to play";
        show.mode = ShowMode::Finished;
        return false;
    }
    v.fileIndex = first;
    beginEffects(show, platform, playing(v).title);
    return true;
}

bool startVisualizerDecoded(Show& show, const Platform& platform, float* samples, long long frameCount, int channels,
                            int sampleRate, const char* title) {
    Visualizer& v = beginVisualizer(show, platform);
    if (!openDecodedSource(playing(v), samples, frameCount, channels, sampleRate, title)) {
        v.skipped = std::string(title != nullptr ? title : "") + ": " + playing(v).error;
        v.skippedAt = frameClock(platform);
        show.mode = ShowMode::Finished;
        return false;
    }
    beginEffects(show, platform, playing(v).title);
    return true;
}

LiveRing* startVisualizerLive(Show& show, const Platform& platform, int sampleRate, int channels, const char* name) {
    Visualizer& v = beginVisualizer(show, platform);
    if (!openLiveSource(playing(v), sampleRate, channels)) {
        show.mode = ShowMode::Finished;
        return nullptr;
    }
    playing(v).title = name != nullptr ? name : "";
    beginEffects(show, platform, playing(v).title);
    return playing(v).live;
}

void visualizerNextFile(Show& show, const Platform& platform) {
    if (!show.visualizer || show.mode != ShowMode::Show || show.visualizer->files.empty()) return;
    Visualizer& v = *show.visualizer;
    const float now = visualClock(v, frameClock(platform));
    const int from = (v.nextPending ? v.nextIndex : v.fileIndex) + 1;
    v.nextPending = false;
    const int next = openFileFrom(v, platform, from, 1, 1 - v.current);
    if (next < 0) {
        startClosing(show, platform);
        return;
    }
    flyToFile(show, next, now);
}

void visualizerPreviousFile(Show& show, const Platform& platform) {
    if (!show.visualizer || show.mode != ShowMode::Show || show.visualizer->files.empty()) return;
    Visualizer& v = *show.visualizer;
    const float now = visualClock(v, frameClock(platform));
    const int from = v.nextPending ? v.nextIndex : v.fileIndex;
    v.nextPending = false;
    int previous = openFileFrom(v, platform, from - 1, -1, 1 - v.current);
    if (previous < 0) previous = openFileFrom(v, platform, from, 1, 1 - v.current);  // The first again
    if (previous < 0) return;
    flyToFile(show, previous, now);
}

void pauseVisualizer(Show& show, const Platform& platform, bool paused) {
    if (!show.visualizer || show.visualizer->paused == paused) return;
    if (paused && show.mode != ShowMode::Show) return;  // The closing screen runs to its end
    Visualizer& v = *show.visualizer;
    const float frameNow = frameClock(platform);
    if (paused) {
        v.pausedSince = frameNow;
    } else {
        v.pausedTotal += frameNow - v.pausedSince;
    }
    v.paused = paused;
    if (v.sourcePlaying && platform.pauseSource != nullptr) platform.pauseSource(platform.user, playing(v), paused);
}

SoundSource* visualizerSource(Show& show) {
    if (!show.visualizer || playing(*show.visualizer).kind == SourceKind::None) return nullptr;
    return &playing(*show.visualizer);
}

VisualizerStatus visualizerStatus(const Show& show) {
    VisualizerStatus status;
    status.mode = show.mode == ShowMode::Show    ? VisualizerMode::Effects
                  : show.mode == ShowMode::Outro ? VisualizerMode::Closing
                                                 : VisualizerMode::Finished;
    if (!show.visualizer) return status;
    const Visualizer& v = *show.visualizer;
    const SoundSource& source = playing(v);
    status.kind = source.kind;
    status.title = source.title;
    status.bpm = v.follower.bpm;
    status.effect = show.mode == ShowMode::Show ? currentSceneName(show) : "";
    status.position = v.position;
    if (source.kind != SourceKind::Live && source.frameCount >= 0 && source.sampleRate > 0) {
        status.length = (double)source.frameCount / source.sampleRate;
    }
    status.fileIndex = v.fileIndex;
    status.fileCount = source.kind == SourceKind::Live ? 0 : v.files.empty() ? 1 : (int)v.files.size();
    status.paused = v.paused;
    status.skipped = v.skipped;
    status.skippedAt = v.skippedAt;
    status.anyFilePlayed = v.anyFilePlayed;
    return status;
}

