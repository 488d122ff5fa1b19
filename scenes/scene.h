// The scene interface: one render function per effect, reached through one table in show order.
#pragma once

#include <cstdint>

#include "audio/audio_features.h"
#include "audio/beat_info.h"
#include "framebuffer/ascii_framebuffer.h"

// Fills the grid for one frame. The grid was cleared with bg just before; sceneTime is seconds
// since the scene became current (0 on its first frame).
typedef void (*SceneRenderFn)(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat,
                              const AudioFeatures* audio);

struct SceneDesc {
    const char* name;    // Compared as a whole string
    int32_t hintA;       // Not read by the show
    int32_t hintB;       // Not read by the show
    SceneRenderFn render;
};

struct SceneTable {
    const SceneDesc* rows;
    int count;
};

SceneTable sceneTable();

// The row of the scene with this name, or null.
const SceneDesc* findScene(const char* name);
