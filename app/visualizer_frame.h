// What the frame loop asks of a running visualizer (app/visualizer.h, implemented in
// app/visualizer.cpp): its keys, its step of each frame, and its release.
#pragma once

struct Show;
struct Platform;

// Acts on the keys that mean something else in the visualizer (SPACE, the file keys, pause, the
// tempo keys) at frame clock time `now`; returns the rest for the frame loop.
unsigned visualizerKeys(Show& show, const Platform& platform, unsigned keys, float now);

// The visualizer's part of a frame, in place of the show's tempo, music and timeline steps.
struct VisualizerFrame {
    float now;     // The visualizer's clock: the frame's time less the time spent paused
    float dt;      // For the zoom spring: 0 while paused
    bool redraw;   // An effect began: every cell must be redrawn
};
VisualizerFrame visualizerStep(Show& show, const Platform& platform, float now, float dt);

// Stops the music and releases the sources; stopShow calls it.
void stopVisualizer(Show& show, const Platform& platform);
