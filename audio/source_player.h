// A music file or a decoded track played through the audio device, beside or instead of the show's
// track: a raylib AudioStream that the frame loop keeps fed from the source on its own thread, and
// the play position the analysis reads. Live sound is analysed only, never played back.
#pragma once

#include <vector>

#include "audio/sound_source.h"
#include "raylib.h"  // Required for: AudioStream

struct SourcePlayer {
    AudioStream stream = {};
    bool loaded = false;
    int blockFrames = 0;        // Frames per refill of the stream's half buffer
    long long fed = 0;          // Frames handed to the stream
    double refillTime = 0.0;    // Clock time of the last refill
    std::vector<float> block;
};

// Starts playing the source from its first frame at clock time `now`; false for live sound, a
// closed source or a stream the device refuses.
bool startPlayer(SourcePlayer& player, SoundSource& source, double now);

// Once per frame at clock time `now`: refills the stream from the source and returns the play
// position in seconds. Frames not decoded yet play as silence.
double updatePlayer(SourcePlayer& player, SoundSource& source, double now);

// True when every frame of a file or track has been played (the next one may follow).
bool playerFinished(const SourcePlayer& player, SoundSource& source);

// Holds the stream where it is, or lets it go on; nothing when nothing plays.
void pausePlayer(SourcePlayer& player, bool paused);

// Stops and releases the stream; safe when nothing plays.
void stopPlayer(SourcePlayer& player, SoundSource& source);
