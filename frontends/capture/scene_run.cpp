#include "frontends/capture/scene_run.h"

namespace {

constexpr double kTimeSlack = 1e-9;  // A time on the frame grid is rendered once, not twice

void renderAt(AsciiFramebuffer& fb, const SceneDesc& scene, float t, const TempoClock& clock,
              const AudioFeatures& audio) {
    const BeatInfo beat = update(clock, t);
    fb.clear(kSceneBackground);
    scene.render(fb, t, kSceneBackground, &beat, &audio);
}

}  // namespace

TempoClock sceneClock(bool beatPosGiven, float beatPos, double time) {
    TempoClock clock = makeTempoClock(kShowTempo);
    if (beatPosGiven) {
        clock.anchorTime = (float)time;
        clock.anchorBeats = beatPos;
    }
    return clock;
}

long long sceneRunFrames(double time, int fps) {
    long long k = 0;
    while ((double)k / (double)fps < time - kTimeSlack) ++k;
    return k + 1;
}

bool runSceneTo(AsciiFramebuffer& fb, const SceneDesc& scene, double time, int fps, const TempoClock& clock,
                const AudioFeatures& audio, SceneRunStep step, void* user) {
    const long long total = step != nullptr ? sceneRunFrames(time, fps) : 0;
    long long k = 0;
    for (; (double)k / (double)fps < time - kTimeSlack; ++k) {
        if (step != nullptr && !step(user, k, total)) return false;
        renderAt(fb, scene, (float)((double)k / (double)fps), clock, audio);
    }
    if (step != nullptr && !step(user, k, total)) return false;
    renderAt(fb, scene, (float)time, clock, audio);
    return true;
}
