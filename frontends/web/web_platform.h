// The frame loop's platform in a web page: raylib's canvas, keyboard and Web Audio, a show clock
// that stops while the tab is hidden and waits for music that fell behind, and the canvas kept at
// the size the page gives it.
#pragma once

#include "app/frame_loop.h"
#include "app/raylib_platform.h"
#include "app/show_clock.h"
#include "audio/live_ring.h"

// Everything the page's show keeps between frames; it outlives main(), which returns once the
// browser runs the frames.
struct WebShow {
    Show show;
    Platform platform;
    ShowClock clock;
    RaylibPlatformState raylib;  // The window platform's keys and shared font
    int taps = 0;                // Taps on a touch screen not yet seen by a frame: each skips a scene
    bool endTold = false;        // The page has been told that the closing screen is over
    bool trackEndTold = false;   // ...and that your music's track is over
    LiveRing* live = nullptr;    // The microphone's ring while the visualizer listens...
    int liveRate = 0;            // ...its rate...
    long long liveFrames = 0;    // ...the frames the page has pushed into it...
    long long liveFramesSeen = 0;  // ...as the clock last saw them, at this wall-clock time
    double liveHeardAt = 0.0;
    unsigned long frames = 0;
};

// The raylib platform with the show clock of `web` (which waits for the show's music, or for the
// microphone, when either falls behind), fullscreen left to the page, the page's taps as
// presses of SPACE after the keyboard's, and your music played by the page, which decoded it.
Platform webPlatform(WebShow& web);

// While the tab is hidden the browser runs no frames and the music is paused; the show's clock
// stops with it, so that pictures and sound go on together when the tab is shown again.
void followPageVisibility(WebShow& web);

// Gives the canvas's drawing buffer the canvas's size on the page (it fills the page, or the screen
// in fullscreen), so that the picture is drawn at the page's resolution with the show's letterbox.
void fitCanvasToPage();
