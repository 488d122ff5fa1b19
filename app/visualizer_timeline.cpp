#include "app/visualizer_timeline.h"

#include <algorithm>  // Required for: std::sort(), std::swap()
#include <cmath>      // Required for: floorf()
#include <cstring>    // Required for: strcmp()

#include "scenes/scene_math.h"  // Required for: hash32()

namespace {

// The boot console and the credits open and close the show; the visualizer shows the rest
const char* const kShowOnly[] = {"intro_boot", "end_credits"};
constexpr float kShowTimeScale = 3.0f;  // An effect holds about this many times its time in the show
constexpr int kBarGroup = 4;            // Effects are held in groups of four bars where they fit
constexpr float kEarlyStart = 0.1f;     // Share of a bar: a start this close before a bar counts from it

bool isEffect(const SceneDesc& scene) {
    for (const char* name : kShowOnly) {
        if (strcmp(scene.name, name) == 0) return false;
    }
    return true;
}

// A hash of two values (scenes' integer hash, so that the orders are the same everywhere).
uint32_t mix(uint32_t a, uint32_t b) { return hash32(hash32(a) ^ (b * 0x9E3779B1u)); }

// This round's order: a shuffle of the effects decided by the seed and the round alone.
void shuffleRound(EffectPlan& plan) {
    std::sort(plan.order, plan.order + plan.count);
    const uint32_t roundKey = mix(plan.seed, plan.round);
    for (int i = plan.count - 1; i > 0; --i) {
        std::swap(plan.order[i], plan.order[mix(roundKey, (uint32_t)i) % (uint32_t)(i + 1)]);
    }
    if (plan.count > 1 && plan.order[0] == plan.lastShown) {
        std::swap(plan.order[0], plan.order[1 + mix(roundKey, 0xFFFFu) % (uint32_t)(plan.count - 1)]);
    }
}

// Fraction of the current bar, [0..1).
float barFraction(const BeatInfo& beat) {
    const float intoBar = beat.beatPos - (float)(beat.barIndex * beat.beatsPerBar);
    return std::clamp(intoBar / (float)beat.beatsPerBar, 0.0f, 1.0f);
}

}  // namespace

EffectPlan makeEffectPlan(const SceneTable& scenes, uint32_t seed) {
    EffectPlan plan;
    plan.seed = seed;
    for (int row = 0; row < scenes.count && plan.count < kMaxEffects; ++row) {
        if (isEffect(scenes.rows[row])) plan.order[plan.count++] = row;
    }
    plan.next = plan.count;  // The first take starts round 0
    return plan;
}

int takeNextEffect(EffectPlan& plan) {
    if (plan.count <= 0) return 0;
    if (plan.next >= plan.count) {
        shuffleRound(plan);
        ++plan.round;
        plan.next = 0;
    }
    plan.lastShown = plan.order[plan.next++];
    return plan.lastShown;
}

int effectBars(const SceneDesc& scene, float secondsPerBar) {
    if (secondsPerBar <= 0.0f) return kBarGroup;
    const float target = kShowTimeScale * sceneSeconds(sceneFacts(scene.name));
    int bars = std::max(1, (int)floorf(target / (secondsPerBar * kBarGroup) + 0.5f)) * kBarGroup;
    while (bars > 1 && bars * secondsPerBar > kMaxEffectSeconds) bars -= bars > kBarGroup ? kBarGroup : 1;
    while (bars * secondsPerBar < kMinEffectSeconds && (bars + 1) * secondsPerBar <= kMaxEffectSeconds) {
        bars += (bars + kBarGroup) * secondsPerBar <= kMaxEffectSeconds ? kBarGroup : 1;
    }
    return bars;
}

void holdEffect(EffectPlan& plan, const BeatInfo& beat, int bars) {
    plan.barsToGo = bars + (barFraction(beat) > 1.0f - kEarlyStart ? 1 : 0);
    plan.lastBar = beat.barIndex;
    plan.lastBeatPos = beat.beatPos;
}

bool effectDue(EffectPlan& plan, const BeatInfo& beat) {
    if (beat.beatPos < plan.lastBeatPos) {
        plan.barsToGo -= 1;  // The count restarted (B, or a file's start): a new bar began
    } else if (beat.barIndex > plan.lastBar) {
        plan.barsToGo -= beat.barIndex - plan.lastBar;
    }
    plan.lastBar = beat.barIndex;
    plan.lastBeatPos = beat.beatPos;
    if (plan.barsToGo <= 0) {
        plan.untilBar = 0.0f;
        return true;
    }
    plan.untilBar = ((float)(plan.barsToGo - 1) + 1.0f - barFraction(beat)) * beat.secondsPerBar;
    return plan.untilBar <= kTransitionSeconds;
}

void startEffectTransition(ShowTimeline& timeline, int nextScene, const SceneTable& scenes, int cols, int rows,
                           float now) {
    timeline.transitionActive = true;
    timeline.transitionStart = now;
    timeline.nextScene = nextScene;
    reanchorTransition(timeline, scenes, cols, rows);
}

bool effectTransitionStep(ShowTimeline& timeline, float now) {
    if (!timeline.transitionActive || now - timeline.transitionStart < kTransitionSeconds) return false;
    timeline.currentScene = timeline.nextScene;
    timeline.sceneStart = now;
    timeline.transitionActive = false;
    return true;
}
