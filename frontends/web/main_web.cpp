// davur_evi in a web page.
//
// The page calls main() from the viewer's first click or key, the moment a browser lets a page start
// its sound. main() opens the canvas and the audio device, starts the show and hands the frames to
// the browser, which runs one per display refresh from then on; the show's state lives on after
// main() returns. After the closing screen the page is told (Module.showEnded) and offers the show
// again, which starts from its beginning on the same canvas and audio device.
#include <emscripten/emscripten.h>

#include <cinttypes>
#include <cstdio>
#include <string>

#include "app/frame_loop.h"
#include "app/scene_cells.h"
#include "frontends/web/web_platform.h"
#include "framebuffer/cell_hash.h"
#include "raylib.h"

namespace {

WebShow* theShow = nullptr;

// The page's end card (page.js) comes up once the closing screen is over.
EM_JS(void, tellPageTheShowEnded, (), { if (Module['showEnded']) Module['showEnded'](); });

void webFrame(void* arg) {
    WebShow& web = *static_cast<WebShow*>(arg);
    if (web.clock.paused) return;  // Hidden tab: browsers may still call in; the show waits
    fitCanvasToPage();
    runFrame(web.show, web.platform);
    ++web.frames;
    if (web.show.mode == ShowMode::Finished && !web.endTold) {
        web.endTold = true;
        tellPageTheShowEnded();
    }
}

const char* modeName(ShowMode mode) {
    switch (mode) {
        case ShowMode::Show: return "show";
        case ShowMode::Outro: return "outro";
        case ShowMode::Finished: return "finished";
    }
    return "";
}

}  // namespace

int main() {
    // No full-screen flag and no frame-rate target: a browser allows fullscreen only from an event
    // handler, and paces the frames itself.
    SetTraceLogLevel(LOG_NONE);  // The show prints nothing
    InitWindow(kShowWindowWidth, kShowWindowHeight, kShowTitle);  // The first frame fits the canvas to the page
    InitAudioDevice();

    theShow = new WebShow;  // Never freed: the page runs the show until it is closed
    theShow->platform = webPlatform(*theShow);
    startShow(theShow->show, theShow->platform);
    followPageVisibility(*theShow);
    emscripten_set_main_loop_arg(webFrame, theShow, 0, 0);
    return 0;
}

// The show from its beginning again, as a fresh page would play it: its clock from 0, the track
// from its start. From the page's end card, after the closing screen.
extern "C" EMSCRIPTEN_KEEPALIVE void davur_evi_restart() {
    if (theShow == nullptr) return;
    WebShow& web = *theShow;
    stopShow(web.show, web.platform);
    restartAt(web.clock, GetTime());
    web.endTold = false;
    startShow(web.show, web.platform);
}

// A tap on a touch screen: the next frame skips to the next scene, as SPACE does.
extern "C" EMSCRIPTEN_KEEPALIVE void davur_evi_tap() {
    if (theShow != nullptr) ++theShow->taps;
}

// What the page and its tests read, as JSON: frames run, the show's clock and the music's play
// position now, the last frame's time with the music position it was given (loops included), the
// mode and scene (the effect) and whether a transition runs, the grid and a hash of its cells, the
// canvas size, the source of the sound with its title, and the tempo.
extern "C" EMSCRIPTEN_KEEPALIVE const char* davur_evi_state() {
    static char json[1024];
    if (theShow == nullptr) {
        std::snprintf(json, sizeof json, "{\"started\":false}");
        return json;
    }
    const WebShow& web = *theShow;
    const Show& show = web.show;
    const MusicTrack& track = show.music;
    const bool music = track.musicLoaded;
    std::snprintf(json, sizeof json,
                  "{\"started\":true,\"frames\":%lu,\"clock\":%.6f,\"frameTime\":%.6f,\"frameMusic\":%.6f,\"paused\":%s,\"music\":%s,\"musicTime\":%.6f,"
                  "\"musicPlaying\":%s,\"mode\":\"%s\",\"scene\":\"%s\",\"transition\":%s,\"cols\":%d,\"rows\":%d,"
                  "\"cells\":\"%016" PRIx64 "\",\"font\":\"%s\",\"screen\":[%d,%d],"
                  "\"source\":\"show\",\"title\":\"\",\"tempo\":%.2f,\"effect\":\"%s\"}",
                  web.frames, readAt(web.clock, GetTime()), web.clock.lastFrame, web.clock.lastMusic, web.clock.paused ? "true" : "false",
                  music ? "true" : "false", music ? (double)GetMusicTimePlayed(track.music) : 0.0,
                  music && IsMusicStreamPlaying(track.music) ? "true" : "false", modeName(show.mode),
                  currentSceneName(show), show.timeline.transitionActive ? "true" : "false", show.fb->cols, show.fb->rows, cellHash(*show.fb), show.fb->fontName,
                  GetScreenWidth(), GetScreenHeight(), (double)show.tempo.bpm, currentSceneName(show));
    return json;
}

// What the page's tests compare with the desktop build's tools/scene_cells: every scene's cell hash
// on the fixed script of app/scene_cells.h, as JSON. Computed on its own grids and needs no window;
// it restarts the scenes' simulations, so the tests call it before the show starts.
extern "C" EMSCRIPTEN_KEEPALIVE const char* davur_evi_scene_cells() {
    static std::string json;
    json = sceneCellsJson(everySceneCells());
    return json.c_str();
}
