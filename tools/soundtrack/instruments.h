// The soundtrack's instruments: each call renders one note or hit into a bus, starting at `start`
// seconds. Every sound starts from silence and ends at silence, so nothing clicks.
#pragma once

#include <cstdint>

#include "tools/soundtrack/dsp.h"

namespace synth {

void kick(Bus& bus, double start, double velocity);
void snare(Bus& bus, double start, double velocity, uint32_t seed);
void clap(Bus& bus, double start, double velocity, uint32_t seed);
void hat(Bus& bus, double start, double velocity, bool open, uint32_t seed);
void crash(Bus& bus, double start, double velocity, uint32_t seed);
// Filtered noise that sweeps upward and swells over `length` seconds, into a drop.
void riser(Bus& bus, double start, double length, double velocity, uint32_t seed);

// brightness 0..1 opens the filter of the pitched instruments.
void bass(Bus& bus, double start, double length, int midi, double velocity, double brightness);
void lead(Bus& bus, double start, double length, int midi, double velocity, double brightness);
void pad(Bus& bus, double start, double length, const int* notes, int count, double velocity, double brightness);
void pluck(Bus& bus, double start, int midi, double velocity, double pan);
// A soft sub-bass pedal that swells in over seconds.
void drone(Bus& bus, double start, double length, int midi, double velocity);

}  // namespace synth
