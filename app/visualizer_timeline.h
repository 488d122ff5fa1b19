// The visualizer's sequence, beside the show's (app/timeline.h): the effects only, in a new order
// each round, each held a whole number of bars of the music's tempo, the next one beginning on a
// bar's first beat. Plain code driven by clock times and the tempo clock's BeatInfo. The scene
// being shown and the transition's flight are kept in a ShowTimeline, as in the show.
#pragma once

#include <cstdint>

#include "app/timeline.h"
#include "audio/beat_info.h"
#include "scenes/scene.h"

constexpr int kMaxEffects = 16;
constexpr float kMinEffectSeconds = 15.0f;
constexpr float kMaxEffectSeconds = 40.0f;

struct EffectPlan {
    int order[kMaxEffects] = {};  // Scene table rows of this round, in the order shown
    int count = 0;                // Effects in a round
    int next = 0;                 // Place in `order` of the effect after the current one
    uint32_t seed = 0;
    uint32_t round = 0;
    int lastShown = -1;           // Row of the effect shown last (-1: none yet)
    int barsToGo = 0;             // Bar starts to come before the next effect begins on one
    int32_t lastBar = 0;          // The clock's bar in the previous frame
    float lastBeatPos = 0.0f;
    float untilBar = 0.0f;        // Seconds to the planned bar's first beat, as of the last effectDue
};

// The table's effects (every scene but the boot console and the credits) for rounds derived from
// `seed`: the same seed gives the same order every time.
EffectPlan makeEffectPlan(const SceneTable& scenes, uint32_t seed);

// The row of the effect to show next, starting a new round after the last of one: every effect once
// before any repeats, and a round never starts with the effect shown last.
int takeNextEffect(EffectPlan& plan);

// Whole bars of `secondsPerBar` an effect is held: a multiple of four near three times its time in
// the show, within 15..40 s where any whole number of bars is.
int effectBars(const SceneDesc& scene, float secondsPerBar);

// An effect became current at `beat`: it is held `bars` bars, up to a bar's first beat (a start just
// before a bar counts from that bar).
void holdEffect(EffectPlan& plan, const BeatInfo& beat, int bars);

// One frame: true when the transition to the next effect must start now (or started up to a frame
// ago: plan.untilBar says when the bar comes) so that the effect after it begins on the planned
// bar's first beat.
bool effectDue(EffectPlan& plan, const BeatInfo& beat);

// The flight into `nextScene` from the scene being shown, starting at `now`.
void startEffectTransition(ShowTimeline& timeline, int nextScene, const SceneTable& scenes, int cols, int rows,
                           float now);

// One frame of a running flight: true when it completed (the next scene starts at scene time 0 and
// every cell must be redrawn).
bool effectTransitionStep(ShowTimeline& timeline, float now);
