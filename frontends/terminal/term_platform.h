// The frame loop's platform on a terminal: the wall clock, raw keys, cells-only framebuffers the
// terminal's size, the music through raylib's audio device without a window, and each frame
// composed, encoded and handed to the terminal.
#pragma once

#include <string>

#include "app/frame_loop.h"
#include "app/sound_capture.h"
#include "app/sound_device.h"
#include "app/visualizer.h"
#include "audio/source_player.h"
#include "audio/track_on_clock.h"
#include "frontends/terminal/term_encoder.h"
#include "frontends/terminal/term_keys.h"
#include "frontends/terminal/term_stats.h"
#include "frontends/terminal/term_view.h"
#include "frontends/terminal/terminal.h"

struct TermFrontEnd {
    int termCols = 80;
    int termRows = 24;
    bool utf8 = true;           // Block and shade glyphs; otherwise the scenes' ASCII ramps
    double clockStart = 0.0;    // Monotonic seconds at which the show's clock reads 0
    bool audioDevice = false;   // Otherwise the music is analysed on the wall clock, silently
    TrackClock music;           // Without a sound device: the decoded copy on the show's clock
    SoundDevice sound;          // The device, watched: when it is lost the music follows the wall clock too
    SourcePlayer player;        // Music files, through the device
    SoundCapture* capture = nullptr;  // --listen: the system's sound
    KeyReader keys;
    TermCanvas canvas;
    TermEncoder encoder;
    OutputBuffer frame;         // Being built
    PendingOutput output;       // Being written
    int outFd = -1;             // Where frames go: the terminal's own non-blocking descriptor
    TermStats stats;
    bool measurePlain = false;  // Also count what writing every cell would take (costs a pass a frame)
    const Show* show = nullptr; // For the window title: the scene being shown
    std::string title;          // The title last set
};

Platform termPlatform(TermFrontEnd& fe);

// The terminal changed size: a new grid for it, every cell written again, a transition's anchor
// moved onto the new grid.
void resizeShow(TermFrontEnd& fe, Show& show, const Platform& platform, int cols, int rows);

// Seconds a file that could not be played stays named in the title.
constexpr float kSkippedTitleSeconds = 4.0f;

// The terminal title for the show's state.
std::string showTitle(const Show& show);

// The terminal title for music of the viewer's own at clock time `now`: "title - N bpm - effect"
// ("paused" after it), a skipped file and its reason for a few seconds, what is being listened to
// and whether its sound server is gone.
std::string visualizerTitle(const VisualizerStatus& status, float now, bool soundServerGone);
