// The frame loop: owns every long-lived object of the show and runs one frame at a time.
//
// Everything that touches the window, the keyboard or the audio device goes through a Platform,
// a table of plain function pointers. main() hands it raylib; tests hand it scripted clocks, keys
// and audio; the capture tool hands it a virtual clock and the decoded track.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/notice.h"
#include "app/tempo_clock.h"
#include "app/timeline.h"
#include "app/zoom.h"
#include "audio/audio_features.h"
#include "audio/music_track.h"
#include "framebuffer/ascii_framebuffer.h"
#include "framebuffer/font_loading.h"
#include "scenes/scene.h"

struct SoundSource;  // audio/sound_source.h
struct Visualizer;        // app/visualizer.h
struct VisualizerCalls;   // app/visualizer_frame.h

// The viewer's keys, one bit each; a key acts once per press.
enum ShowKey : unsigned {
    KeySkip = 1u << 0,          // SPACE
    KeyFullscreen = 1u << 1,    // F11
    KeyRedrawAll = 1u << 2,     // F3
    KeyColorBoost = 1u << 3,    // V
    KeyTempoDown = 1u << 4,     // [
    KeyTempoUp = 1u << 5,       // ]
    KeyRestartBeats = 1u << 6,  // B
    KeySmallerCells = 1u << 7,  // - or keypad -
    KeyLargerCells = 1u << 8,   // = or keypad +
    // The visualizer's (app/visualizer.h); the show ignores them
    KeyNextFile = 1u << 9,
    KeyPreviousFile = 1u << 10,
    KeyPause = 1u << 11,
};

// How the window shows this frame.
struct Presentation {
    enum Kind { Plain, Focused, Black } kind = Plain;
    int focusX = 0, focusY = 0;    // Focused: the cell the view flies into
    float progress = 0.0f;
    float punch = 0.0f;
    bool overlay = false;          // Draw a black rectangle over the window...
    unsigned char overlayAlpha = 0;  // ...with this alpha
};

struct Platform {
    void* user;
    float (*now)(void* user);                 // Seconds since the window opened
    // The viewer's presses since the last frame, oldest first: each call hands the next one (the
    // ShowKey bits of one press, or of several to act on together in the order of the key table);
    // 0 when none is left. The frame loop calls it until it returns 0.
    unsigned (*keysPressed)(void* user);
    void (*toggleFullscreen)(void* user);
    void (*setMasterVolume)(void* user, float volume);
    std::unique_ptr<AsciiFramebuffer> (*makeFramebuffer)(void* user, int zoom, bool colorBoost);
    bool (*loadMusic)(void* user, MusicTrack& track, const char* path);
    AudioFeatures (*updateMusic)(void* user, MusicTrack& track);
    void (*unloadMusic)(void* user, MusicTrack& track);
    void (*redraw)(void* user, AsciiFramebuffer& fb, bool force);
    void (*present)(void* user, const AsciiFramebuffer& fb, const Presentation& how);
    // The visualizer's music (app/visualizer.h), one source at a time. Null where the front end plays
    // none (no device, or it reads the frames itself): the play position is then the visualizer's
    // clock time since the source started.
    bool (*playSource)(void* user, SoundSource& source, double now) = nullptr;      // From its first frame
    double (*updateSource)(void* user, SoundSource& source, double now) = nullptr;  // Per frame: seconds played
    void (*pauseSource)(void* user, SoundSource& source, bool paused) = nullptr;
    void (*stopSource)(void* user, SoundSource& source) = nullptr;
    // Files dropped onto the window since the last call, added to `paths` in the order the system
    // gave them (app/dropped_files.h takes them). Null where nothing can be dropped.
    void (*droppedFiles)(void* user, std::vector<std::string>& paths) = nullptr;
};

constexpr const char* kMusicPath = "assets/audio/output.ogg";
// The window the show asks for (full screen on the desktop; the web page's canvas starts at it).
constexpr int kShowWindowWidth = 1920;
constexpr int kShowWindowHeight = 1080;
constexpr const char* kShowTitle = "davur_evi";
constexpr int kShowTargetFps = 60;
constexpr int kGridCellWidth = 10;   // Pixels in the render texture, at every zoom level
constexpr int kGridCellHeight = 18;
constexpr float kMaxFrameStep = 0.12f;  // Seconds; longer gaps reach the zoom spring as this

struct Show {
    std::unique_ptr<AsciiFramebuffer> fb;
    bool colorBoost = true;
    bool redrawAll = true;
    TempoClock tempo = makeTempoClock(kShowTempo);
    BeatInfo beat = {};
    MusicTrack music;
    AudioFeatures audio;
    SceneTable scenes = {nullptr, 0};
    ShowMode mode = ShowMode::Show;
    ShowTimeline timeline;
    ZoomSpring zoom;
    float prevNow = 0.0f;
    // Music of the viewer's own instead of the show's sequence (app/visualizer.h); null in the show.
    // The frame loop reaches it through the calls its start set.
    std::unique_ptr<Visualizer, void (*)(Visualizer*)> visualizer{nullptr, nullptr};
    const VisualizerCalls* visualizerCalls = nullptr;
    Notice notice;              // Over the picture for a while: a dropped file that cannot be played
    float noticedSkipAt = 0.0f;  // The visualizer's last skipped file already in a notice (its time)
};

// A framebuffer for a zoom level: the base grid of 120 x 42 cells of 10 x 18 pixels scaled by the
// level, with the viewer's colour boost.
std::unique_ptr<AsciiFramebuffer> makeFramebuffer(int zoom, bool colorBoost,
                                                  FramebufferBacking backing = FramebufferBacking::Gpu);
// The same on the GPU with a font loaded once for the whole run (for a cell height of kGridCellHeight).
std::unique_ptr<AsciiFramebuffer> makeFramebuffer(int zoom, bool colorBoost, const GlyphFont& font);

// Everything after the window and the audio device are open: the framebuffer at zoom level 0, the
// tempo clock, the music, the scene table, and the clock read that starts the first scene.
void startShow(Show& show, const Platform& platform);

// The same without the show's music: for the visualizer (app/visualizer.h), which brings its own.
void startSilentShow(Show& show, const Platform& platform);

// One displayed frame, in the mode the show is in.
void runFrame(Show& show, const Platform& platform);

// A new framebuffer for the zoom level in use, from the platform: the zoom moved, or the front
// end's screen changed size. A running transition goes on flying into the same place.
void replaceFramebuffer(Show& show, const Platform& platform);

// Everything startShow took, given back before the audio device and the window close: the music
// (and a visualizer with its sources), then the framebuffer (its render texture and font need the
// window). Safe after the closing screen released the music, and more than once.
void stopShow(Show& show, const Platform& platform);

// The name of the scene being rendered.
const char* currentSceneName(const Show& show);
