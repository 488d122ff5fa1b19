// Plausible music for the tests, the benchmarks and the cell tools: every feature moves at its own
// pace (triangle waves of prime periods over the frames at 60 per second, the beat a squared
// one), in exact arithmetic, so that it gives the same bits on every platform.
#pragma once

#include "audio/audio_features.h"

constexpr int kScriptedMusicFps = 60;

// The features at time t (seconds, from 0): those of the nearest frame.
AudioFeatures scriptedMusic(float t);
