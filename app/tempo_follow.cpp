#include "app/tempo_follow.h"

#include <algorithm>  // Required for: std::clamp()
#include <cmath>      // Required for: floor()

#include "math/show_math.h"  // Required for: showExp()

namespace {

constexpr float kPhaseGain = 0.5f;        // Share of the phase error made up per beat
constexpr float kMaxCorrection = 0.25f;   // At most a quarter faster or slower than the followed tempo
constexpr float kTempoSeconds = 1.0f;     // The followed tempo closes 63 % of a gap in this time
constexpr float kMaxStep = 0.12f;         // A longer gap between frames counts as this long

// Fraction in [0, 1).
double fractionOf(double v) { return v - floor(v); }

}  // namespace

void startFollowing(TempoClock& clock, TempoFollower& follower, const BeatReference& ref, float now) {
    follower = TempoFollower{};
    follower.lastNow = now;
    restartBeats(clock, now);
    if (!ref.locked || ref.bpm <= 0.0f) return;
    const double period = 60.0 / (double)ref.bpm;
    const double firstWhole = ref.beatTime - floor(ref.beatTime / period) * period;  // In [0, period)
    setBpm(clock, ref.bpm, now);
    clock.anchorTime = now + (float)firstWhole;
    clock.anchorBeats = 0.0f;
    follower.bpm = clock.bpm;
}

void followBeats(TempoClock& clock, TempoFollower& follower, const BeatReference& ref, float now, double musicTime) {
    const float dt = std::clamp(now - follower.lastNow, 0.0f, kMaxStep);
    follower.lastNow = now;
    if (!ref.locked || ref.bpm <= 0.0f || now < clock.anchorTime) return;  // Free, or before the first beat
    if (follower.bpm <= 0.0f) follower.bpm = ref.bpm;
    follower.bpm += (ref.bpm - follower.bpm) * (1.0f - showExp(-dt / kTempoSeconds));

    const float beatPos = clock.anchorBeats + (now - clock.anchorTime) * clock.bpm / 60.0f;
    const double tracked = (musicTime - ref.beatTime) * (double)ref.bpm / 60.0;
    double error = fractionOf(tracked) - fractionOf((double)beatPos);  // Beats the clock is behind
    if (error >= 0.5) error -= 1.0;
    if (error < -0.5) error += 1.0;
    const float correction = std::clamp(kPhaseGain * (float)error, -kMaxCorrection, kMaxCorrection);
    setBpm(clock, follower.bpm * (1.0f + correction), now);
}

void nudgeFollowedBpm(TempoClock& clock, TempoFollower& follower, float delta, float now) {
    nudgeBpm(clock, delta, now);
    if (follower.bpm > 0.0f) follower.bpm = std::clamp(follower.bpm + delta, 40.0f, 300.0f);
}
