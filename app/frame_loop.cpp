#include "app/frame_loop.h"

#include "app/outro.h"
#include "app/visualizer_frame.h"
#include "math/clamp.h"

namespace {

// More presses in one frame than this are taken as a platform that never says "no more"
constexpr int kMaxPressesPerFrame = 64;

// Keys act in this order; returns true when the frame must redraw every cell.
bool applyKeys(Show& show, const Platform& platform, unsigned keys, float now) {
    bool force = false;
    if (show.visualizer) keys = show.visualizerCalls->keys(show, platform, keys, now);
    if ((keys & KeySkip) && !show.timeline.transitionActive) {
        advanceShow(show.timeline, show.mode, show.scenes, show.fb->cols, show.fb->rows, now);
    }
    if (keys & KeyFullscreen) {
        platform.toggleFullscreen(platform.user);
        force = true;
    }
    if (keys & KeyRedrawAll) show.redrawAll = !show.redrawAll;
    if (keys & KeyColorBoost) {
        show.colorBoost = !show.colorBoost;
        show.fb->colorBoost = show.colorBoost;
        force = true;
    }
    if (keys & KeyTempoDown) nudgeBpm(show.tempo, -1.0f, now);
    if (keys & KeyTempoUp) nudgeBpm(show.tempo, 1.0f, now);
    if (keys & KeyRestartBeats) restartBeats(show.tempo, now);
    if (keys & KeySmallerCells) zoomOut(show.zoom);
    if (keys & KeyLargerCells) zoomIn(show.zoom);
    return force;
}

// Returns true when the framebuffer was replaced.
bool applyZoom(Show& show, const Platform& platform, float dt) {
    const int level = zoomStep(show.zoom, dt, show.audio, currentSceneName(show));
    if (level == show.zoom.zoomLevel) return false;
    show.zoom.zoomLevel = level;
    replaceFramebuffer(show, platform);
    return true;
}

// Every press since the last frame acts once, oldest first, before anything else of the frame.
bool applyKeyPresses(Show& show, const Platform& platform, float now) {
    bool force = false;
    for (int i = 0; i < kMaxPressesPerFrame; ++i) {
        const unsigned keys = platform.keysPressed(platform.user);
        if (keys == 0) break;
        if (applyKeys(show, platform, keys, now)) force = true;
    }
    return force;
}

void showFrame(Show& show, const Platform& platform, float now, float dt) {
    const float clockNow = now;  // The frame clock, which a notice keeps to
    bool forceRedraw = applyKeyPresses(show, platform, now);
    if (show.visualizer) {
        // Its own clock, music, tempo and sequence
        const VisualizerFrame frame = show.visualizerCalls->step(show, platform, now, dt);
        now = frame.now;
        if (frame.redraw) forceRedraw = true;
        if (!frame.held && applyZoom(show, platform, frame.dt)) forceRedraw = true;
    } else {
        show.beat = update(show.tempo, now);
        show.audio = platform.updateMusic(platform.user, show.music);
        platform.setMasterVolume(platform.user, 1.0f);
        if (applyZoom(show, platform, dt)) forceRedraw = true;
        if (timelineStep(show.timeline, show.mode, show.scenes, show.fb->cols, show.fb->rows, now)) forceRedraw = true;
    }

    // Taken after the timeline step, so a scene that became current this frame starts at 0
    const float sceneTime = now - show.timeline.sceneStart;
    show.fb->clear(kSceneBackground);
    show.scenes.rows[show.timeline.currentScene].render(*show.fb, sceneTime, kSceneBackground, &show.beat, &show.audio);
    drawNotice(*show.fb, show.notice, clockNow);
    platform.redraw(platform.user, *show.fb, show.redrawAll || forceRedraw);

    Presentation how;
    if (show.timeline.transitionActive) {
        const TransitionView view = transitionView(show.timeline, now, show.audio);
        how.kind = Presentation::Focused;
        how.focusX = show.timeline.anchorX;
        how.focusY = show.timeline.anchorY;
        how.progress = view.progress;
        how.punch = view.punch;
        how.overlay = view.darkenAlpha > 0;
        how.overlayAlpha = view.darkenAlpha;
    }
    platform.present(platform.user, *show.fb, how);
}

void outroFrame(Show& show, const Platform& platform, float now) {
    // The clock and the stream keep going; only the levels are used
    show.beat = update(show.tempo, now);
    show.audio = platform.updateMusic(platform.user, show.music);
    const float fade = outroFade(now, show.timeline.outroStart);
    platform.setMasterVolume(platform.user, 1.0f - fade);

    drawOutro(*show.fb, now, fade, show.audio);
    drawNotice(*show.fb, show.notice, now);
    platform.redraw(platform.user, *show.fb, true);

    Presentation how;
    how.overlay = true;
    how.overlayAlpha = (unsigned char)(int)clampf(fade * 255.0f, 0.0f, 255.0f);
    platform.present(platform.user, *show.fb, how);

    if (fade >= 1.0f) {
        show.mode = ShowMode::Finished;
        platform.unloadMusic(platform.user, show.music);
        platform.setMasterVolume(platform.user, 1.0f);
    }
}

}  // namespace

std::unique_ptr<AsciiFramebuffer> makeFramebuffer(int zoom, bool colorBoost, FramebufferBacking backing) {
    const GridSize size = gridSizeForZoom(zoom);
    auto fb = std::make_unique<AsciiFramebuffer>(size.cols, size.rows, kGridCellWidth, kGridCellHeight, backing);
    fb->colorBoost = colorBoost;
    return fb;
}

std::unique_ptr<AsciiFramebuffer> makeFramebuffer(int zoom, bool colorBoost, const GlyphFont& font) {
    const GridSize size = gridSizeForZoom(zoom);
    auto fb = std::make_unique<AsciiFramebuffer>(size.cols, size.rows, kGridCellWidth, kGridCellHeight, font);
    fb->colorBoost = colorBoost;
    return fb;
}

namespace {

// The framebuffer and the tempo clock, before any music loads.
void startPicture(Show& show, const Platform& platform) {
    show.colorBoost = true;
    show.fb = platform.makeFramebuffer(platform.user, 0, show.colorBoost);
    show.tempo = makeTempoClock(kShowTempo);
}

// The scene table and the clock read that starts the first scene, once the music is in place.
void startSequence(Show& show, const Platform& platform) {
    show.scenes = sceneTable();
    const float t0 = platform.now(platform.user);
    show.prevNow = t0;
    show.timeline = ShowTimeline{};
    show.timeline.sceneStart = t0;
    show.zoom = ZoomSpring{};
    show.redrawAll = true;
    show.mode = ShowMode::Show;
}

}  // namespace

void startShow(Show& show, const Platform& platform) {
    startPicture(show, platform);
    platform.loadMusic(platform.user, show.music, kMusicPath);  // A failed load just leaves the show silent
    startSequence(show, platform);
}

void startSilentShow(Show& show, const Platform& platform) {
    startPicture(show, platform);
    startSequence(show, platform);
}

void replaceFramebuffer(Show& show, const Platform& platform) {
    show.fb = platform.makeFramebuffer(platform.user, show.zoom.zoomLevel, show.colorBoost);  // The old one goes here
    if (show.timeline.transitionActive) reanchorTransition(show.timeline, show.scenes, show.fb->cols, show.fb->rows);
}

void stopShow(Show& show, const Platform& platform) {
    if (show.visualizer) show.visualizerCalls->stop(show, platform);
    platform.unloadMusic(platform.user, show.music);
    show.fb.reset();
}

void runFrame(Show& show, const Platform& platform) {
    const float now = platform.now(platform.user);
    const float dt = clampf(now - show.prevNow, 0.0f, kMaxFrameStep);
    show.prevNow = now;

    switch (show.mode) {
        case ShowMode::Outro:
            outroFrame(show, platform, now);
            return;
        case ShowMode::Finished: {
            Presentation black;
            black.kind = Presentation::Black;
            platform.present(platform.user, *show.fb, black);
            return;
        }
        case ShowMode::Show:
            showFrame(show, platform, now, dt);
            return;
    }
}

const char* currentSceneName(const Show& show) {
    if (show.scenes.count <= 0) return "";
    return show.scenes.rows[show.timeline.currentScene].name;
}
