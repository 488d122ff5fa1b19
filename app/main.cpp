// davur_evi: a real-time audio-visual demo in text mode.
//
// Opens a full-screen window, plays the music and runs the show until the window is closed; music
// files dropped onto the window play in the visualizer. Takes no arguments and prints nothing.
#include <csignal>  // Required for: signal(), SIGTERM, SIGINT
#include <string>

#include "app/dropped_files.h"
#include "app/frame_loop.h"
#include "app/quiet_audio.h"
#include "app/raylib_platform.h"
#include "app/sound_device.h"
#include "app/visualizer.h"
#include "app/window_watch.h"
#include "raylib.h"

#if defined(_WIN32)
#include <stdlib.h>  // Required for: _exit()
#else
#include <unistd.h>  // Required for: _exit()
#endif

namespace {

constexpr int kWindowLostStatus = 1;

volatile std::sig_atomic_t gStopRequested = 0;

// SIGTERM and SIGINT end the show as closing its window does
void requestStop(int) { gStopRequested = 1; }

}  // namespace

int main() {
    // Initialization
    //--------------------------------------------------------------------------------------
    SetTraceLogLevel(LOG_NONE);  // The show prints nothing
    SetConfigFlags(FLAG_FULLSCREEN_MODE | FLAG_VSYNC_HINT);
    InitWindow(kShowWindowWidth, kShowWindowHeight, kShowTitle);
    // Never a show without its window: one that did not open, or cannot be found, ends it
    if (!IsWindowReady() || !watchWindow(kShowTitle)) _exit(kWindowLostStatus);
    std::signal(SIGTERM, requestStop);  // After the window opened: replaces the backend's own
    std::signal(SIGINT, requestStop);
    SetTargetFPS(kShowTargetFps);
    silenceAudioBackendMessages();

    RaylibPlatformState platformState;
    openSoundDevice(platformState.sound, (float)GetTime());
    const Platform platform = windowPlatform(platformState);
    Show show;
    startShow(show, platform);

    // Main loop
    //--------------------------------------------------------------------------------------
    std::string title = kShowTitle;
    while (!WindowShouldClose() && !gStopRequested) {
        if (!windowStillThere()) _exit(kWindowLostStatus);
        takeDroppedFiles(show, platform);  // Music dropped onto the window plays in the visualizer
        runFrame(show, platform);
        const std::string playing = windowTitle(show);
        if (playing != title) SetWindowTitle(playing.c_str());
        title = playing;
    }

    // De-Initialization: the music before the audio device, the framebuffer and its font before
    // the window. An audio backend stuck on a lost device is left behind once the window is closed.
    //--------------------------------------------------------------------------------------
    if (SoundSource* playing = visualizerSource(show)) stopPlayer(platformState.player, *playing);  // Before its device
    const bool soundClosed = closeSoundDevice(platformState.sound, show.music);
    stopShow(show, platform);
    closeRaylibPlatform(platformState);
    CloseWindow();
    if (!soundClosed) _exit(0);
    return 0;
}
