// davur_evi: a real-time audio-visual demo in text mode.
//
// Opens a full-screen window, plays the music and runs the show until the window is closed.
// Takes no arguments and prints nothing.
#include "app/frame_loop.h"
#include "app/quiet_audio.h"
#include "app/raylib_platform.h"
#include "raylib.h"

int main() {
    // Initialization
    //--------------------------------------------------------------------------------------
    SetTraceLogLevel(LOG_NONE);  // The show prints nothing
    SetConfigFlags(FLAG_FULLSCREEN_MODE | FLAG_VSYNC_HINT);
    InitWindow(kShowWindowWidth, kShowWindowHeight, kShowTitle);
    SetTargetFPS(kShowTargetFps);
    silenceAudioBackendMessages();
    InitAudioDevice();

    RaylibPlatformState platformState;
    const Platform platform = raylibPlatform(platformState);
    Show show;
    startShow(show, platform);

    // Main loop
    //--------------------------------------------------------------------------------------
    while (!WindowShouldClose()) runFrame(show, platform);

    // De-Initialization: the music before the audio device, the framebuffer and its font before
    // the window
    //--------------------------------------------------------------------------------------
    stopShow(show, platform);
    CloseAudioDevice();
    closeRaylibPlatform(platformState);
    CloseWindow();
    return 0;
}
