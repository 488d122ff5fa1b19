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

// Renders the scene at scene times 0, 1/fps, 2/fps, ... and last at `time` itself, each frame on a
// freshly cleared grid with the same audio record. The grid ends as the scene wrote it at `time`.
void runSceneTo(AsciiFramebuffer& fb, const SceneDesc& scene, double time, int fps, const TempoClock& clock,
                const AudioFeatures& audio);
