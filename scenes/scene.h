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

// How the zoom spring treats a scene (app/zoom.cpp): fully, more gently for the simulations and
// fractals, or not at all.
enum class ZoomClass { Normal, Fluid, Fractal, Steady };

struct CellPos {
    int x;
    int y;
};

// What the show needs of a scene besides its render function, in a table beside the scene table,
// row for row (scenes/scene_table.cpp).
struct SceneFacts {
    float seconds;                          // How long it runs before the show moves on...
    float (*scriptSeconds)();               // ...or, when set, the length of its script
    ZoomClass zoomClass;
    CellPos (*anchor)(int cols, int rows);  // The cell a transition out of it flies into; null: the grid centre
};

struct SceneTable {
    const SceneDesc* rows;
    int count;
};

SceneTable sceneTable();

// The row of the scene with this name, or null.
const SceneDesc* findScene(const char* name);

// The facts of the scene with this name; any other name (or null) gets those of an ordinary scene.
const SceneFacts& sceneFacts(const char* name);

// Seconds the scene runs before the show moves on.
float sceneSeconds(const SceneFacts& facts);

// The cell a transition out of the scene flies into on a grid of cols x rows.
CellPos transitionAnchor(const SceneDesc& scene, int cols, int rows);
