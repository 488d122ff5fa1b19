// davur_evi in a web page.
//
// The page calls main() from the viewer's first click or key, the moment a browser lets a page start
// its sound. main() opens the canvas and the audio device, starts the show and hands the frames to
// the browser, which runs one per display refresh from then on; the show's state lives on after
// main() returns. After the closing screen the page is told (Module.showEnded) and offers the show
// again, which starts from its beginning on the same canvas and audio device.
//
// Your own music: the page decodes a file (the browser knows more formats than we do) and hands
// its mono mix to the visualizer (davur_evi_play_decoded) while the page itself plays the browser's
// decoded copy (web_platform.cpp's source hooks); the microphone's blocks go into the visualizer's
// live ring (davur_evi_push_live). Started from a file or the microphone, main() starts the show
// without its music (--silent), since the visualizer brings its own.
#include <emscripten/emscripten.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/frame_loop.h"
#include "app/scene_cells.h"
#include "app/visualizer.h"
#include "frontends/web/web_platform.h"
#include "framebuffer/cell_hash.h"
#include "raylib.h"

namespace {

WebShow* theShow = nullptr;

// The page's end card (page.js) comes up once the closing screen is over.
EM_JS(void, tellPageTheShowEnded, (), { if (Module['showEnded']) Module['showEnded'](); });
// Your music's track is over and its closing screen begins: the page plays the next file, if any.
EM_JS(void, tellPageTheTrackEnded, (), { if (Module['trackEnded']) Module['trackEnded'](); });

// The closing screen, then its end: each told to the page once.
void tellPageOfTheEnd(WebShow& web) {
    if (web.show.visualizer && web.show.mode != ShowMode::Show && !web.trackEndTold) {
        web.trackEndTold = true;
        tellPageTheTrackEnded();
    }
    if (web.show.mode == ShowMode::Finished && !web.endTold) {
        web.endTold = true;
        tellPageTheShowEnded();
    }
}

// A new start on the same canvas and audio device: whatever ran is given back first.
void stopForNewStart(WebShow& web) {
    stopShow(web.show, web.platform);
    web.show.visualizer.reset();
    web.live = nullptr;
    web.liveRate = 0;
    web.liveFrames = 0;
    web.liveFramesSeen = 0;
    web.liveHeardAt = GetTime();
    web.endTold = false;
    web.trackEndTold = false;
    web.taps = 0;
    restartAt(web.clock, GetTime());
}

// JSON's escapes for a title of the viewer's (quotes, backslashes, control characters).
std::string jsonEscaped(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c < 0x20) {
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", c);
            out += code;
        } else {
            out += (char)c;
        }
    }
    return out;
}

const char* sourceName(const Show& show, SourceKind kind) {
    if (!show.visualizer) return "show";
    return kind == SourceKind::Live ? "microphone" : "file";
}

void webFrame(void* arg) {
    WebShow& web = *static_cast<WebShow*>(arg);
    if (web.clock.paused) return;  // Hidden tab: browsers may still call in; the show waits
    fitCanvasToPage();
    runFrame(web.show, web.platform);
    ++web.frames;
    tellPageOfTheEnd(web);
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

int main(int argc, char** argv) {
    const bool silent = argc > 1 && std::strcmp(argv[1], "--silent") == 0;  // Your music follows at once
    // No full-screen flag and no frame-rate target: a browser allows fullscreen only from an event
    // handler, and paces the frames itself.
    SetTraceLogLevel(LOG_NONE);  // The show prints nothing
    InitWindow(kShowWindowWidth, kShowWindowHeight, kShowTitle);  // The first frame fits the canvas to the page
    InitAudioDevice();

    theShow = new WebShow;  // Never freed: the page runs the show until it is closed
    theShow->platform = webPlatform(*theShow);
    if (silent) startSilentShow(theShow->show, theShow->platform);
    else startShow(theShow->show, theShow->platform);
    followPageVisibility(*theShow);
    emscripten_set_main_loop_arg(webFrame, theShow, 0, 0);
    return 0;
}

// The show from its beginning again, as a fresh page would play it: its clock from 0, the track
// from its start. From the page's end card, after the closing screen.
extern "C" EMSCRIPTEN_KEEPALIVE void davur_evi_restart() {
    if (theShow == nullptr) return;
    WebShow& web = *theShow;
    stopForNewStart(web);
    startShow(web.show, web.platform);
}

// Room for `count` floats (a decoded track's mono mix) or bytes (a title), which the page fills and
// hands to davur_evi_play_decoded (which takes the samples over) or frees; null when memory is out.
extern "C" EMSCRIPTEN_KEEPALIVE void* davur_evi_alloc(int count, int size) {
    if (count <= 0 || size <= 0) return nullptr;
    return std::malloc((size_t)count * (size_t)size);
}

extern "C" EMSCRIPTEN_KEEPALIVE void davur_evi_free(void* memory) { std::free(memory); }

// Your music: a track the page decoded, as a mono mix of `frames` at `sampleRate` (taken over), with
// its title; the page plays the browser's own decoded copy when the visualizer asks (playSource).
extern "C" EMSCRIPTEN_KEEPALIVE int davur_evi_play_decoded(float* samples, int frames, int sampleRate, const char* title) {
    if (theShow == nullptr) {
        std::free(samples);
        return 0;
    }
    WebShow& web = *theShow;
    stopForNewStart(web);
    return startVisualizerDecoded(web.show, web.platform, samples, frames, 1, sampleRate, title) ? 1 : 0;
}

// The room's sound: the microphone's mono blocks at `sampleRate` follow through davur_evi_push_live.
extern "C" EMSCRIPTEN_KEEPALIVE int davur_evi_play_live(int sampleRate, const char* name) {
    if (theShow == nullptr) return 0;
    WebShow& web = *theShow;
    stopForNewStart(web);
    web.live = startVisualizerLive(web.show, web.platform, sampleRate, 1, name);
    web.liveRate = sampleRate;
    return web.live != nullptr ? 1 : 0;
}

// One block of the microphone's mono frames (the page's buffer, which it keeps); what does not fit
// the ring is dropped, as on any late consumer.
extern "C" EMSCRIPTEN_KEEPALIVE void davur_evi_push_live(const float* mono, int frames) {
    if (theShow == nullptr || theShow->live == nullptr || frames <= 0) return;
    pushLive(*theShow->live, mono, frames);
    theShow->liveFrames += frames;  // Dropped ones too: they came in time, the consumer was late
}

// A tap on a touch screen: the next frame skips to the next scene, as SPACE does.
extern "C" EMSCRIPTEN_KEEPALIVE void davur_evi_tap() {
    if (theShow != nullptr) ++theShow->taps;
}

// What the page and its tests read, as JSON: frames run, the show's clock and the music's play
// position now, the last frame's time with the music position it was given (loops included), the
// mode and scene with the last frame's time into it and whether a transition runs, the grid and a hash of its cells, the canvas size,
// the source of the sound ("show", "file", "microphone") with its title, the tempo, the effect
// and, for your music, the seconds played.
extern "C" EMSCRIPTEN_KEEPALIVE const char* davur_evi_state() {
    static std::string json;
    if (theShow == nullptr) return "{\"started\":false}";
    char head[1024];
    const WebShow& web = *theShow;
    const Show& show = web.show;
    const MusicTrack& track = show.music;
    const VisualizerStatus status = visualizerStatus(show);
    const bool yours = show.visualizer != nullptr;
    const bool music = track.musicLoaded;
    std::snprintf(head, sizeof head,
                  "{\"started\":true,\"frames\":%lu,\"clock\":%.6f,\"frameTime\":%.6f,\"frameMusic\":%.6f,\"paused\":%s,\"music\":%s,\"musicTime\":%.6f,"
                  "\"musicPlaying\":%s,\"mode\":\"%s\",\"scene\":\"%s\",\"sceneTime\":%.6f,\"transition\":%s,\"cols\":%d,\"rows\":%d,"
                  "\"cells\":\"%016" PRIx64 "\",\"font\":\"%s\",\"screen\":[%d,%d],"
                  "\"source\":\"%s\",\"tempo\":%.2f,\"effect\":\"%s\",\"position\":%.3f,\"title\":\"",
                  web.frames, readAt(web.clock, GetTime()), web.clock.lastFrame, web.clock.lastMusic, web.clock.paused ? "true" : "false",
                  music ? "true" : "false", music ? (double)GetMusicTimePlayed(track.music) : 0.0,
                  music && IsMusicStreamPlaying(track.music) ? "true" : "false", modeName(show.mode),
                  currentSceneName(show), web.clock.lastFrame - (double)show.timeline.sceneStart, show.timeline.transitionActive ? "true" : "false", show.fb->cols, show.fb->rows, cellHash(*show.fb), show.fb->fontName,
                  GetScreenWidth(), GetScreenHeight(), sourceName(show, status.kind),
                  yours ? (double)status.bpm : (double)show.tempo.bpm, yours ? status.effect : currentSceneName(show),
                  yours ? status.position : 0.0);
    json = std::string(head) + jsonEscaped(yours ? status.title : std::string()) + "\"}";
    return json.c_str();
}

// What the page's tests compare with the desktop build's tools/scene_cells: every scene's cell hash
// on the fixed script of app/scene_cells.h, as JSON. Computed on its own grids and needs no window;
// it restarts the scenes' simulations, so the tests call it before the show starts.
extern "C" EMSCRIPTEN_KEEPALIVE const char* davur_evi_scene_cells() {
    static std::string json;
    json = sceneCellsJson(everySceneCells());
    return json.c_str();
}
