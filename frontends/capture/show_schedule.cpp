#include "frontends/capture/show_schedule.h"

#include <algorithm>  // Required for: std::stable_sort()
#include <cmath>      // Required for: ceil()

#include "app/frame_loop.h"  // Required for: ShowKey
#include "app/outro.h"       // Required for: outroFade()
#include "app/timeline.h"

namespace {

// A time given in seconds lands on the frame it names even when seconds * fps is a hair above
// a whole number in binary.
constexpr double kFrameSlack = 1e-6;

// Any grid does: the timeline's timing does not depend on the anchor cells.
constexpr int kAnyCols = 120;
constexpr int kAnyRows = 42;

}  // namespace

float frameTime(long long frame, int fps) { return (float)((double)frame / (double)fps); }

long long firstFrameAt(double seconds, int fps) {
    const double f = ceil(seconds * (double)fps - kFrameSlack);
    return f < 0.0 ? 0 : (long long)f;
}

KeyScript makeKeyScript(std::vector<ScriptedKey> keys) {
    std::stable_sort(keys.begin(), keys.end(),
                     [](const ScriptedKey& a, const ScriptedKey& b) { return a.time < b.time; });
    return KeyScript{std::move(keys), 0};
}

unsigned keysDue(KeyScript& script, double now) {
    unsigned bits = 0;
    while (script.next < script.keys.size() && script.keys[script.next].time <= now + kFrameSlack) {
        bits |= script.keys[script.next].keys;
        ++script.next;
    }
    return bits;
}

long long showFrameCount(int fps, const std::vector<ScriptedKey>& keys) {
    const SceneTable scenes = sceneTable();
    KeyScript script = makeKeyScript(keys);
    ShowTimeline timeline;
    ShowMode mode = ShowMode::Show;
    // The frame loop's order: keys, then the timeline step; the closing screen ends on the frame
    // whose fade reaches 1, and keys are not read once it has begun.
    for (long long frame = 0;; ++frame) {
        const float now = frameTime(frame, fps);
        if (mode == ShowMode::Outro) {
            if (outroFade(now, timeline.outroStart) >= 1.0f) return frame + 1;
            continue;
        }
        const unsigned pressed = keysDue(script, (double)frame / (double)fps);
        if ((pressed & KeySkip) && !timeline.transitionActive) {
            advanceShow(timeline, mode, scenes, kAnyCols, kAnyRows, now);
        }
        timelineStep(timeline, mode, scenes, kAnyCols, kAnyRows, now);
    }
}
