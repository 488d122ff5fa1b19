// The show's track played on a clock the caller keeps, for front ends and tools that run without
// a stream (a virtual clock, or no sound device): decoded and checked as `load` does
// (audio/track_decoder.h), and analysed where it would be playing, starting again at its end.
#pragma once

#include "audio/audio_features.h"
#include "audio/music_track.h"

struct TrackClock {
    double start = 0.0;    // Clock time at which the track started
    bool playing = false;  // Loaded and not yet unloaded
};

// Decodes and checks `path` and hands the copy to `track` (attachSamples); the track plays from
// clock time `now`. False leaves the track empty and the clock stopped.
bool loadOnClock(TrackClock& clock, MusicTrack& track, const char* path, double now);

// The features at clock time `now`, the play position wrapping at the track's end; an all-zero
// record when nothing plays.
AudioFeatures analyseOnClock(const TrackClock& clock, MusicTrack& track, double now);

// Releases the track and stops the clock.
void unloadOnClock(TrackClock& clock, MusicTrack& track);
