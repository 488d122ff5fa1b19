// The visualizer: the show's effects to music of the viewer's own (a list of files, a track a front
// end decoded itself, or live sound), each effect held a whole number of bars of the music's tempo,
// then the closing screen after the last file. It runs inside a Show, so a front end drives it
// exactly as it drives the show: startVisualizer... instead of startShow, then runFrame once per
// frame, replaceFramebuffer when its screen changes size, and stopShow at the end (which releases
// the visualizer too). Its keys are ShowKey bits like the show's (KeyNextFile, KeyPreviousFile,
// KeyPause, which the show ignores), and visualizerStatus says what is playing for titles and
// status lines.
//
// Sound plays through the Platform's source hooks (playSource, updateSource, pauseSource,
// stopSource); a platform without them (null) plays nothing and the music's position is then the
// frame clock's time since the file started.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "app/tempo_follow.h"
#include "app/visualizer_timeline.h"
#include "audio/beat_grid.h"
#include "audio/live_beats.h"
#include "audio/onset_strength.h"
#include "audio/sound_source.h"

enum class VisualizerMode { Effects, Closing, Finished };

// What a front end shows of the visualizer: its title, status line, and exit status.
struct VisualizerStatus {
    SourceKind kind = SourceKind::None;
    std::string title;            // The file's tags or name, the decoded track's or live source's name
    float bpm = 0.0f;             // The tempo followed; 0 before one is known
    const char* effect = "";      // The effect being shown (the one a transition leads to, once it shows)
    double position = 0.0;        // Seconds into the music (live: since it started)
    double length = -1.0;         // Seconds; < 0 while unknown (live sound, a file still decoding)
    int fileIndex = 0;            // Of the list of files (0 for a decoded track or live sound)...
    int fileCount = 0;            // ...and its length (1 for a decoded track, 0 for live sound)
    bool paused = false;
    std::string skipped;          // "name: reason" of the last file that could not be played; empty if none
    float skippedAt = 0.0f;       // Clock time (Platform::now) it was skipped, for showing it a while
    bool anyFilePlayed = false;   // False once Finished: nothing could be played (a front end exits 1)
    VisualizerMode mode = VisualizerMode::Effects;
};

// Everything a running visualizer keeps; the Show owns it (Show::visualizer) from startVisualizer...
// to stopShow. Front ends read visualizerStatus instead of this.
struct Visualizer {
    std::vector<std::string> files;
    int fileIndex = 0;             // The file playing (decoded track and live sound: 0)
    SoundSource sources[2];        // The one playing, and the next file opened when a flight into it starts
    int current = 0;
    bool nextPending = false;      // sources[1 - current] (file nextIndex) starts when the flight ends
    int nextIndex = 0;
    bool noNextFile = false;       // No file after the current one opened
    bool sourcePlaying = false;    // The platform's playSource took the current source
    bool anyFilePlayed = false;
    std::string skipped;
    float skippedAt = 0.0f;
    uint32_t seed = 0;

    // The visualizer's clock: the frame clock less the time spent paused
    bool paused = false;
    float pausedSince = 0.0f;      // Frame clock time the pause began
    float pausedTotal = 0.0f;
    float sourceStart = 0.0f;      // Visualizer clock time the source started (its music time 0)
    double position = 0.0;         // Seconds of music played, as of the last frame

    // Tempo: the ahead pass's grid once the whole file was read; until then (and for live sound) the
    // live tracker on the frames as they play. The ahead pass reads a file through a reading of its
    // own, as fast as its worker decodes, so the grid comes a few seconds into the file; it keeps
    // only the onsets, never the file's samples.
    SoundSource ahead;
    OnsetDetector onsetDetector;
    std::vector<float> onsets;
    long long onsetFrames = 0;     // Frames the ahead pass has read
    bool gridReady = false;
    BeatGrid grid;
    LiveBeatTracker tracker;
    long long trackedFrames = 0;   // Frames the live tracker has heard
    TempoFollower follower;
    std::vector<float> interleaved, mono;

    EffectPlan plan;
    AudioFeatures heldAudio;       // What the picture shows while paused
};

// The ahead pass over the source playing (a file: a second reading of it; a decoded track: its
// samples), from its start. The frame loop calls it as a source begins, then aheadPassStep once a
// frame, which reads at most kAheadSecondsPerFrame of music and is true once the grid is ready.
constexpr double kAheadSecondsPerFrame = 1.0;
void startAheadPass(Visualizer& v);
bool aheadPassStep(Visualizer& v);

// Starts the visualizer on `paths`, played in order (call it where startShow would be called). A
// file that cannot be opened is skipped when its turn comes, its "name: reason" kept in the
// status; when no file at all can be played the status says so and the visualizer is Finished at
// once. False when none of the files could be opened.
bool startVisualizerFiles(Show& show, const Platform& platform, const std::vector<std::string>& paths);

// Starts the visualizer on a track the front end decoded: `samples` (malloc'd, frameCount * channels
// interleaved values) is taken over whatever the result, as openDecodedSource does. False (and
// Finished) for an empty track or absurd channels or rate.
bool startVisualizerDecoded(Show& show, const Platform& platform, float* samples, long long frameCount, int channels,
                            int sampleRate, const char* title);

// Starts the visualizer on live sound of `channels` at `sampleRate`, called `name` in the status. The
// front end's capture thread pushes into the returned ring (pushLive) until stopShow; null (and
// Finished) for absurd channels or rate. Live sound runs until the front end quits.
LiveRing* startVisualizerLive(Show& show, const Platform& platform, int sampleRate, int channels, const char* name);

// The next or previous file of the list, with the usual transition (the same as KeyNextFile and
// KeyPreviousFile). Past the last file comes the closing screen; before the first, the first again.
// A decoded track or live sound has no list (status.fileCount 1 or 0): they do nothing then, and a
// front end may hide those keys.
void visualizerNextFile(Show& show, const Platform& platform);
void visualizerPreviousFile(Show& show, const Platform& platform);

// Music and picture hold while paused (the same as KeyPause, which toggles it); runFrame still
// presents the held picture, so a front end may redraw.
void pauseVisualizer(Show& show, const Platform& platform, bool paused);

// The source playing now (null when none): for a front end that reads the frames itself, as the
// capture tool does to put the sound into its video (readFrames at status.position).
SoundSource* visualizerSource(Show& show);

// What is playing: for a window title, a status line, the exit status. A show without a visualizer
// reads as Effects with nothing playing.
VisualizerStatus visualizerStatus(const Show& show);
