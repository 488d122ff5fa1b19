// The capture's virtual clock: frame i of the show is at i / fps seconds, the show starting at 0
// as the live one starts right after its window opens. The scripted keys, and where a time range
// and the show itself begin and end in frames.
#pragma once

#include <cstddef>
#include <vector>

#include "frontends/capture/options.h"

// Show time of frame i, as the frame loop reads its clock.
float frameTime(long long frame, int fps);

// The first frame whose time is at or after `seconds`.
long long firstFrameAt(double seconds, int fps);

// Hands out the scripted keys: each on the first frame polled at or after its time.
struct KeyScript {
    std::vector<ScriptedKey> keys;  // Sorted by time
    size_t next = 0;
};

KeyScript makeKeyScript(std::vector<ScriptedKey> keys);

// The ShowKey bits due by `now` that were not handed out yet.
unsigned keysDue(KeyScript& script, double now);

// Frames from start-up up to and including the one that completes the closing screen, with these
// keys; the show's timeline alone decides it.
long long showFrameCount(int fps, const std::vector<ScriptedKey>& keys);
