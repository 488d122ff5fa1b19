// The per-frame measurements of the music that drive the scenes, the zoom and the transitions.
#pragma once

struct AudioFeatures {
    bool valid = false;        // False: no audio this frame, every other field is 0
    float level = 0.0f;        // RMS of the mono mix over the last 80 ms [0..1]
    float bass = 0.0f;         // Mean of bands 0 and 1 [0..1]
    float mid = 0.0f;          // Mean of bands 2, 3 and 4 [0..1]
    float treble = 0.0f;       // Mean of bands 5, 6 and 7 [0..1]
    float beat = 0.0f;         // Onset pulse: jumps on a bass rise, decays 10 % per frame [0..1]
    float musicTime = 0.0f;    // Play position in seconds
    float musicLength = 0.0f;  // Track length in seconds
    float bands[8] = {};       // Smoothed, self-normalised band levels [0..1]
};
