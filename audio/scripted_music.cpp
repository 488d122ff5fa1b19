#include "audio/scripted_music.h"

#include <cmath>  // Required for: floorf()

namespace {

constexpr float kScriptedLength = 120.5f;  // The music's length, as the show's soundtrack

// 0..1 and back over `period` frames, in exact arithmetic
float triangle(long long frame, long long period, long long offset) {
    const long long p = (frame + offset) % period;
    const float up = (float)(2 * p) / (float)period;
    return up <= 1.0f ? up : 2.0f - up;
}

}  // namespace

AudioFeatures scriptedMusic(float t) {
    const long long frame = (long long)floorf(t * (float)kScriptedMusicFps + 0.5f);
    AudioFeatures a;
    a.valid = true;
    a.bass = triangle(frame, 29, 0);
    a.mid = triangle(frame, 113, 17);
    a.treble = triangle(frame, 71, 5);
    a.beat = triangle(frame, 29, 3) * triangle(frame, 29, 3);
    a.level = triangle(frame, 397, 100) * 0.6f;
    for (int b = 0; b < 8; ++b) a.bands[b] = triangle(frame, 37 + 11 * b, 7 * b);
    a.musicTime = t;
    a.musicLength = kScriptedLength;
    return a;
}
