// The grid breathes with the music: a damped spring driven by the audio features, plus the
// viewer's own zoom, gives the whole-numbered zoom level of the framebuffer.
#pragma once

#include "audio/audio_features.h"
#include "scenes/scene.h"  // Required for: ZoomClass

struct ZoomSpring {
    float userZoom = 0.0f;   // Viewer's choice [-4..4], steps of 0.5
    float springPos = 0.0f;  // [-1..1]; negative means larger cells
    float springVel = 0.0f;  // [-1.8..1.8], position units per frame
    float prevBeat = 0.0f;   // Beat of the previous frame
    int zoomLevel = 0;       // Level of the framebuffer in use [-7..7]
};

// The zoom class of the scene with this name (its row of the scene facts).
ZoomClass zoomClassFor(const char* sceneName);

// One frame of the spring; dt is already clamped to 0..0.12 s. Returns this frame's zoom level
// (the caller compares it with zoomLevel and replaces the framebuffer when it differs).
int zoomStep(ZoomSpring& spring, float dt, const AudioFeatures& audio, const char* sceneName);

// The viewer's keys: more, smaller cells (minus) or fewer, larger cells (equal).
void zoomOut(ZoomSpring& spring);
void zoomIn(ZoomSpring& spring);
