#include "frontends/web/web_platform.h"

#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include "app/raylib_platform.h"
#include "raylib.h"

namespace {

constexpr const char* kCanvas = "#canvas";

// Your music plays in the page, from the browser's own decoded copy (page.js): the wasm keeps only
// the mono mix its analysis reads. The page's player starts from the track's beginning, says how
// far it has played, pauses and stops.
EM_JS(int, pagePlayMusic, (), { return Module['ownMusic'] ? Module['ownMusic'].play() : 0; });
EM_JS(double, pageMusicPlayed, (), { return Module['ownMusic'] ? Module['ownMusic'].played() : 0; });
EM_JS(void, pagePauseMusic, (int paused), { if (Module['ownMusic']) Module['ownMusic'].pause(!!paused); });
EM_JS(void, pageStopMusic, (), { if (Module['ownMusic']) Module['ownMusic'].stop(); });

// Through emscripten's GLFW port, which hands the new size to raylib's viewport and screen size.
EM_JS(void, setCanvasSize, (int width, int height), { Module['setCanvasSize'](width, height); });

WebShow& self(void* user) { return *static_cast<WebShow*>(user); }

// Live sound never loops: a length no reading comes near.
constexpr double kLiveLength = 1e12;
// A microphone that sent nothing for this long has stopped (unplugged, muted by the browser): the
// show no longer waits for it
constexpr double kLiveStallSeconds = 0.5;

float showClock(void* user) {
    WebShow& web = self(user);
    // The microphone's blocks reach the page between frames, late whenever the frames are slow; the
    // clock waits for them as for music, or the live analysis would hear silence where they were late
    if (web.live != nullptr && web.liveRate > 0) {
        const double wall = GetTime();
        if (web.liveFrames != web.liveFramesSeen) {
            web.liveFramesSeen = web.liveFrames;
            web.liveHeardAt = wall;
        }
        if (wall - web.liveHeardAt > kLiveStallSeconds) {
            releaseMusic(web.clock);
            return (float)frameTime(web.clock, wall, false, 0.0, 0.0);
        }
        return (float)frameTime(web.clock, wall, true, (double)web.liveFrames / web.liveRate, kLiveLength);
    }
    const MusicTrack& track = web.show.music;
    const bool playing = track.musicLoaded && IsMusicStreamPlaying(track.music);
    const double musicTime = playing ? (double)GetMusicTimePlayed(track.music) : 0.0;
    const double musicLength = playing ? (double)GetMusicTimeLength(track.music) : 0.0;
    return (float)frameTime(web.clock, GetTime(), playing, musicTime, musicLength);
}

// Browsers grant fullscreen only inside the handler of a click or key event, never from a frame;
// the page asks for it from its own F11 and corner-control handlers, so the show's toggle has
// nothing left to do.
void fullscreenByThePage(void*) {}

void pauseMusic(MusicTrack& track, bool pause) {
    if (!track.musicLoaded) return;  // Not loaded, or unloaded at the end of the show
    if (pause) PauseMusicStream(track.music);
    else ResumeMusicStream(track.music);
}

EM_BOOL visibilityChanged(int, const EmscriptenVisibilityChangeEvent* event, void* user) {
    WebShow& web = self(user);
    if (event->hidden) {
        pauseAt(web.clock, GetTime());
        pauseMusic(web.show.music, true);
    } else {
        pauseMusic(web.show.music, false);
        resumeAt(web.clock, GetTime());
    }
    return EM_FALSE;  // Others (raylib) may watch the same event
}

}  // namespace

Platform webPlatform(WebShow& web) {
    Platform p = raylibPlatform(web.raylib);
    p.user = &web;
    p.now = showClock;
    p.toggleFullscreen = fullscreenByThePage;
    // The window platform's own calls find their state in the web show
    p.keysPressed = [](void* user) {
        WebShow& web = self(user);
        const unsigned keys = nextKeyPress(web.raylib);
        if (keys != 0 || web.taps == 0) return keys;
        --web.taps;
        return (unsigned)KeySkip;
    };
    p.makeFramebuffer = [](void* user, int zoom, bool colorBoost) {
        return framebufferWithSharedFont(self(user).raylib, zoom, colorBoost);
    };
    p.playSource = [](void*, SoundSource&, double) { return pagePlayMusic() != 0; };
    p.updateSource = [](void*, SoundSource&, double) { return pageMusicPlayed(); };
    p.pauseSource = [](void*, SoundSource&, bool paused) { pagePauseMusic(paused ? 1 : 0); };
    p.stopSource = [](void*, SoundSource&) { pageStopMusic(); };
    return p;
}

void followPageVisibility(WebShow& web) {
    emscripten_set_visibilitychange_callback(&web, EM_FALSE, visibilityChanged);
}

void fitCanvasToPage() {
    double cssWidth = 0.0, cssHeight = 0.0;
    if (emscripten_get_element_css_size(kCanvas, &cssWidth, &cssHeight) != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int width = (int)cssWidth;
    const int height = (int)cssHeight;
    if (width < 1 || height < 1) return;
    if (width == GetScreenWidth() && height == GetScreenHeight()) return;
    setCanvasSize(width, height);
}
