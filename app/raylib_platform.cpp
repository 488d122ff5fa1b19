#include "app/raylib_platform.h"

#include "app/data_path.h"
#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"
#include "raylib.h"

namespace {

constexpr Color kWindowClear = {5, 7, 12, 255};
constexpr Color kBlack = {0, 0, 0, 255};

struct KeyBinding {
    int key;
    ShowKey action;
};

const KeyBinding kKeys[] = {
    {KEY_SPACE, KeySkip},           {KEY_F11, KeyFullscreen},          {KEY_F3, KeyRedrawAll},
    {KEY_V, KeyColorBoost},         {KEY_LEFT_BRACKET, KeyTempoDown},  {KEY_RIGHT_BRACKET, KeyTempoUp},
    {KEY_B, KeyRestartBeats},       {KEY_MINUS, KeySmallerCells},      {KEY_KP_SUBTRACT, KeySmallerCells},
    {KEY_EQUAL, KeyLargerCells},    {KEY_KP_ADD, KeyLargerCells},
};

float wallClock(void*) { return (float)GetTime(); }

unsigned pressedKeys(void*) {
    unsigned keys = 0;
    for (const KeyBinding& k : kKeys) {
        if (IsKeyPressed(k.key)) keys |= k.action;
    }
    return keys;
}

void toggleFullscreen(void*) { ToggleFullscreen(); }
void setVolume(void*, float volume) { SetMasterVolume(volume); }

std::unique_ptr<AsciiFramebuffer> newFramebuffer(void*, int zoom, bool colorBoost) {
    return makeFramebuffer(zoom, colorBoost, FramebufferBacking::Gpu);
}

bool fileExists(const char* path) { return FileExists(path); }

bool loadTrack(void*, MusicTrack& track, const char* path) {
    return load(track, chooseDataPath(path, programDataFolder(), fileExists).c_str());
}
AudioFeatures updateTrack(void*, MusicTrack& track) { return update(track); }
void unloadTrack(void*, MusicTrack& track) { unload(track); }
void redrawCells(void*, AsciiFramebuffer& fb, bool force) { redraw(fb, force); }

void presentFrame(void*, const AsciiFramebuffer& fb, const Presentation& how) {
    BeginDrawing();
    drawPresentation(fb, GetScreenWidth(), GetScreenHeight(), how);
    EndDrawing();
}

}  // namespace

void drawPresentation(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, const Presentation& how) {
    switch (how.kind) {
        case Presentation::Plain: present(fb, screenWidth, screenHeight, kWindowClear, 1.0f); break;
        case Presentation::Focused:
            presentFocused(fb, screenWidth, screenHeight, how.focusX, how.focusY, how.progress, how.punch,
                           kWindowClear);
            break;
        case Presentation::Black: ClearBackground(kBlack); break;
    }
    if (how.overlay) DrawRectangle(0, 0, screenWidth, screenHeight, Color{0, 0, 0, how.overlayAlpha});
}

Platform raylibPlatform() {
    return Platform{nullptr,      wallClock,   pressedKeys, toggleFullscreen, setVolume,   newFramebuffer,
                    loadTrack,    updateTrack, unloadTrack, redrawCells,      presentFrame};
}
