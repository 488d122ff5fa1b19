// One scene on its own, as the show would run it: from scene time 0 to the wanted time at a fixed
// frame rate, so that a scene with state (a simulation, a cellular automaton) has the state the
// show would have given it. Cells only: no window needed.
#pragma once

#include "app/tempo_clock.h"
#include "audio/audio_features.h"
#include "framebuffer/ascii_framebuffer.h"
#include "scenes/scene.h"

// The show's 125 bpm tempo clock; anchored so that it reads beatPos at `time` when one is given,
// otherwise started with the scene.
TempoClock sceneClock(bool beatPosGiven, float beatPos, double time);

// Called before each frame of a run with the frames done so far and the run's total; false stops
// the run there.
typedef bool (*SceneRunStep)(void* user, long long done, long long total);

// The frames a run to `time` renders.
long long sceneRunFrames(double time, int fps);

// Renders the scene at scene times 0, 1/fps, 2/fps, ... and last at `time` itself, each frame on a
// freshly cleared grid with the same audio record. The grid ends as the scene wrote it at `time`.
// False when `step` stopped it early.
bool runSceneTo(AsciiFramebuffer& fb, const SceneDesc& scene, double time, int fps, const TempoClock& clock,
                const AudioFeatures& audio, SceneRunStep step = nullptr, void* user = nullptr);
