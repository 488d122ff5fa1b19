#include <cstring>  // Required for: strcmp()

#include "scenes/intro_boot.h"  // Required for: introDuration(), bootAnchor()
#include "scenes/scenes.h"

namespace {

constexpr float kSceneSeconds = 8.0f;
constexpr float kSimulationSeconds = 10.0f;  // The two simulations get longer to develop
constexpr float kCreditsSeconds = 14.0f;

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

// Each scene's facts, in the rows of kScenes.
const SceneFacts kFacts[] = {
    {0.0f, introDuration, ZoomClass::Normal, bootAnchor},        // intro_boot
    {kSceneSeconds, nullptr, ZoomClass::Normal, nullptr},        // wave_scroll
    {kSceneSeconds, nullptr, ZoomClass::Normal, nullptr},        // plasma_storm
    {kSimulationSeconds, nullptr, ZoomClass::Fluid, nullptr},    // cellular
    {kSimulationSeconds, nullptr, ZoomClass::Fluid, nullptr},    // dual_fluid
    {kSceneSeconds, nullptr, ZoomClass::Normal, nullptr},        // goo_bounce
    {kSceneSeconds, nullptr, ZoomClass::Fractal, nullptr},       // julia_blast
    {kSceneSeconds, nullptr, ZoomClass::Fractal, nullptr},       // mandelbrot
    {kSceneSeconds, nullptr, ZoomClass::Normal, nullptr},        // cube
    {kSceneSeconds, nullptr, ZoomClass::Steady, nullptr},        // starfield_warp
    {kCreditsSeconds, nullptr, ZoomClass::Steady, nullptr},      // end_credits
};
static_assert(sizeof(kFacts) / sizeof(kFacts[0]) == sizeof(kScenes) / sizeof(kScenes[0]), "one row of facts per scene");

const SceneFacts kOrdinaryScene = {kSceneSeconds, nullptr, ZoomClass::Normal, nullptr};

}  // namespace

SceneTable sceneTable() { return SceneTable{kScenes, (int)(sizeof(kScenes) / sizeof(kScenes[0]))}; }

const SceneDesc* findScene(const char* name) {
    if (name == nullptr) return nullptr;
    for (const SceneDesc& s : kScenes) {
        if (strcmp(s.name, name) == 0) return &s;
    }
    return nullptr;
}

const SceneFacts& sceneFacts(const char* name) {
    const SceneDesc* row = findScene(name);
    return row != nullptr ? kFacts[row - kScenes] : kOrdinaryScene;
}

float sceneSeconds(const SceneFacts& facts) { return facts.scriptSeconds != nullptr ? facts.scriptSeconds() : facts.seconds; }

CellPos transitionAnchor(const SceneDesc& scene, int cols, int rows) {
    const SceneFacts& facts = sceneFacts(scene.name);
    return facts.anchor != nullptr ? facts.anchor(cols, rows) : CellPos{cols / 2, rows / 2};
}
