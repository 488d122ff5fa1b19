// What a beat tracker tells the tempo clock: the tempo and the time of one beat, from which every
// other beat follows (beatTime + k * 60 / bpm), in the seconds of the signal it heard.
#pragma once

struct BeatReference {
    bool locked = false;   // False: no pulse found (yet); the clock runs on as it was
    float bpm = 0.0f;
    double beatTime = 0.0;
};
