// The show's soundtrack: 125 bpm in A minor, arranged along the show's timeline.
#pragma once

#include "tools/soundtrack/dsp.h"

namespace synth {

constexpr double kSongSeconds = 120.5;
constexpr double kSongPeakDb = -1.5;  // Headroom for the encoder's overshoot

// Renders the whole track, mixed and mastered.
Bus renderSong();

}  // namespace synth
