#include <cstring>  // Required for: strcmp()

#include "scenes/scenes.h"

namespace {

// The show, in order. The hints are descriptive only.
const SceneDesc kScenes[] = {
    {"intro_boot", 3, 0, intro_boot},
    {"wave_scroll", 3, 0, wave_scroll},
    {"plasma_storm", 0, 0, plasma_storm},
    {"cellular", 3, 0, cellular},
    {"dual_fluid", 0, 0, dual_fluid},
    {"goo_bounce", 0, 0, goo_bounce},
    {"julia_blast", 0, 0, julia_blast},
    {"mandelbrot", 0, 0, mandelbrot},
    {"cube", 2, 1, cube},
    {"starfield_warp", 2, 1, starfield_warp},
    {"end_credits", 3, 0, end_credits},
};

}  // namespace

SceneTable sceneTable() { return SceneTable{kScenes, (int)(sizeof(kScenes) / sizeof(kScenes[0]))}; }

const SceneDesc* findScene(const char* name) {
    if (name == nullptr) return nullptr;
    for (const SceneDesc& s : kScenes) {
        if (strcmp(s.name, name) == 0) return &s;
    }
    return nullptr;
}
