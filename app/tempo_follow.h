// Keeps the tempo clock on the music's beats: each frame it steers the clock's tempo towards the
// tracked tempo and, by a bounded share of it, towards the tracked beat phase, so the beat position
// never jumps, never runs backwards and never skips a beat. Only the start of a file restarts the
// count. The tempo keys and B still act on the clock; the following goes on from where they leave it.
#pragma once

#include "app/tempo_clock.h"
#include "audio/beat_reference.h"

struct TempoFollower {
    float bpm = 0.0f;       // The tempo followed, moving smoothly towards the tracked one (0: none yet)
    float lastNow = 0.0f;   // The clock time of the last step
};

// At the start of a file (clock time `now` = music time 0): the count restarts so that the whole
// beats fall on the tracked beats (extended back to the start), at the tracked tempo. Without a
// tracked beat, a plain restart at `now`.
void startFollowing(TempoClock& clock, TempoFollower& follower, const BeatReference& ref, float now);

// One frame's steering at clock time `now`, when the music is at `musicTime` (the seconds that
// `ref.beatTime` counts). An unlocked reference leaves the clock running as it is.
void followBeats(TempoClock& clock, TempoFollower& follower, const BeatReference& ref, float now, double musicTime);

// `[` and `]` while following: the clock and the followed tempo move by `delta` bpm at once.
void nudgeFollowedBpm(TempoClock& clock, TempoFollower& follower, float delta, float now);
