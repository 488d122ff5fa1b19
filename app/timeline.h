// The show's sequence: the scenes of the table in order, each for its time, joined by zooming
// transitions, then the closing screen. Everything runs on the wall clock.
#pragma once

#include "audio/audio_features.h"
#include "scenes/scene.h"

enum class ShowMode { Show, Outro, Finished };

struct ShowTimeline {
    int currentScene = 0;          // Row of the scene being rendered
    float sceneStart = 0.0f;       // When currentScene became current
    bool transitionActive = false;
    float transitionStart = 0.0f;
    int nextScene = 0;             // The scene the transition leads to
    int anchorX = 0;               // The cell the transition flies into
    int anchorY = 0;
    float outroStart = 0.0f;
};

constexpr float kTransitionSeconds = 1.15f;

// Seconds a scene runs before the show moves on.
float sceneDuration(const SceneDesc& scene);

// Skip ahead: the transition to the next scene, or the closing screen after the last one.
void advanceShow(ShowTimeline& timeline, ShowMode& mode, const SceneTable& scenes, int cols, int rows, float now);

// One frame of the sequence; true when a transition completed this frame (the new scene starts at
// scene time 0 and every cell must be redrawn).
bool timelineStep(ShowTimeline& timeline, ShowMode& mode, const SceneTable& scenes, int cols, int rows, float now);

// The grid changed size during a transition: the anchor moves to the same place on the new grid.
void reanchorTransition(ShowTimeline& timeline, const SceneTable& scenes, int cols, int rows);

// What the window shows of a running transition.
struct TransitionView {
    float progress;              // [0..1] over 1.15 s
    float punch;                 // Extra size from the music [0..1]
    unsigned char darkenAlpha;   // Black overlay over the last 26 %; 0 draws none
};
TransitionView transitionView(const ShowTimeline& timeline, float now, const AudioFeatures& audio);
