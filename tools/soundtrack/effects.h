// Whole-track effects of the soundtrack: echo, room, the kick's ducking of bass and pads, and the
// master stage that keeps every sample below full scale.
#pragma once

#include <vector>

#include "tools/soundtrack/dsp.h"

namespace synth {

// Ping-pong echo of `input` added into `out`: `delay` seconds, `feedback` per repeat, darkened.
void echo(const Bus& input, Bus& out, double delay, double feedback, double level);

// A small feedback-delay-network room of `input` added into `out`.
void room(const Bus& input, Bus& out, double level);

// Per-frame gain that dips at each kick and recovers within a beat.
std::vector<float> duckingGain(const std::vector<double>& kickTimes, size_t frames, double depth);

// Scales `bus` frame by frame by `gain`.
void applyGain(Bus& bus, const std::vector<float>& gain);

// Soft-knee limiting, then scaling to the peak given in dBFS, with short fades at both ends.
void master(Bus& mix, double peakDb);

}  // namespace synth
