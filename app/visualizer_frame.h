// What the frame loop calls of a running visualizer (app/visualizer.h): its keys, its step of each
// frame, and its stop. The visualizer's start hands the frame loop these calls as function pointers,
// so that a program that never starts one (the show's own) links none of its music sources.
#pragma once

struct Show;
struct Platform;

// The visualizer's part of a frame, in place of the show's tempo, music and timeline steps.
struct VisualizerFrame {
    float now;     // The visualizer's clock: the frame's time less the time spent paused
    float dt;      // For the zoom spring...
    bool held;     // ...which holds while paused, as everything else
    bool redraw;   // An effect began: every cell must be redrawn
};

struct VisualizerCalls {
    // Acts on the keys that mean something else in the visualizer (SPACE, the file keys, pause, the
    // tempo keys) at frame clock time `now`; returns the rest for the frame loop.
    unsigned (*keys)(Show& show, const Platform& platform, unsigned keys, float now);
    VisualizerFrame (*step)(Show& show, const Platform& platform, float now, float dt);
    // Stops the music and releases the visualizer with its sources; stopShow calls it.
    void (*stop)(Show& show, const Platform& platform);
};
