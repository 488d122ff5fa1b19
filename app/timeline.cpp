#include "app/timeline.h"

#include "math/clamp.h"

namespace {

constexpr float kDarkenStart = 0.74f;  // Fraction of the transition at which it fades out

}  // namespace

float sceneDuration(const SceneDesc& scene) { return sceneSeconds(sceneFacts(scene.name)); }

void advanceShow(ShowTimeline& timeline, ShowMode& mode, const SceneTable& scenes, int cols, int rows, float now) {
    if (scenes.count <= 0) return;
    if (timeline.currentScene >= scenes.count - 1) {
        mode = ShowMode::Outro;  // Takes effect from the next frame
        timeline.outroStart = now;
        return;
    }
    timeline.transitionActive = true;
    timeline.transitionStart = now;
    timeline.nextScene = timeline.currentScene + 1;
    reanchorTransition(timeline, scenes, cols, rows);
}

void reanchorTransition(ShowTimeline& timeline, const SceneTable& scenes, int cols, int rows) {
    // The anchor belongs to the scene being left
    const CellPos anchor = transitionAnchor(scenes.rows[timeline.currentScene], cols, rows);
    timeline.anchorX = anchor.x;
    timeline.anchorY = anchor.y;
}

bool timelineStep(ShowTimeline& timeline, ShowMode& mode, const SceneTable& scenes, int cols, int rows, float now) {
    if (scenes.count <= 0) return false;
    if (!timeline.transitionActive && mode == ShowMode::Show) {
        if (now - timeline.sceneStart >= sceneDuration(scenes.rows[timeline.currentScene])) {
            advanceShow(timeline, mode, scenes, cols, rows, now);
        }
    }
    if (timeline.transitionActive && now - timeline.transitionStart >= kTransitionSeconds) {
        timeline.currentScene = timeline.nextScene;
        timeline.sceneStart = now;
        timeline.transitionActive = false;
        return true;
    }
    return false;
}

TransitionView transitionView(const ShowTimeline& timeline, float now, const AudioFeatures& audio) {
    TransitionView view;
    view.progress = clampf((now - timeline.transitionStart) / kTransitionSeconds, 0.0f, 1.0f);
    view.punch = clampf(audio.bass * 0.6f + audio.beat * 0.75f, 0.0f, 1.0f);
    const float f = clampf((view.progress - kDarkenStart) / 0.26f, 0.0f, 1.0f);
    view.darkenAlpha = (unsigned char)(int)(f * 255.0f);
    return view;
}
