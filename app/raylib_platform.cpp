#include "app/raylib_platform.h"

#include "app/data_path.h"
#include "app/pixel_presentation.h"  // Required for: kWindowClear, kBlackScreen
#include "framebuffer/font_redraw.h"
#include "framebuffer/presentation.h"
#include "raylib.h"

namespace {

// raylib keeps at most this many presses a frame in its queue
constexpr int kQueueLength = 16;

RaylibPlatformState& self(void* user) { return *static_cast<RaylibPlatformState*>(user); }

float wallClock(void*) { return (float)GetTime(); }

// raylib empties its queue when it polls the next frame's events, so it is drained every frame.
KeyPresses readKeyPresses() {
    int queued[kQueueLength];
    int queuedCount = 0;
    for (int key = GetKeyPressed(); key != 0; key = GetKeyPressed()) {
        if (queuedCount < kQueueLength) queued[queuedCount++] = key;
    }
    int pressedNow[kMaxKeyPresses];
    int pressedCount = 0;
    for (int i = 0; i < boundKeyCount() && pressedCount < kMaxKeyPresses; ++i) {
        if (IsKeyPressed(boundKeyCode(i))) pressedNow[pressedCount++] = boundKeyCode(i);
    }
    return collectKeyPresses(queued, queuedCount, pressedNow, pressedCount);
}

unsigned keyPress(void* user) { return nextKeyPress(self(user)); }

void toggleFullscreen(void*) { ToggleFullscreen(); }
void setVolume(void*, float volume) { SetMasterVolume(volume); }

std::unique_ptr<AsciiFramebuffer> newFramebuffer(void* user, int zoom, bool colorBoost) {
    return framebufferWithSharedFont(self(user), zoom, colorBoost);
}

bool loadTrack(void*, MusicTrack& track, const char* path) { return load(track, findDataFile(path).c_str()); }
AudioFeatures updateTrack(void*, MusicTrack& track) { return update(track); }
void unloadTrack(void*, MusicTrack& track) { unload(track); }

// The window program's own sound device, watched (the web page builds on the plain calls)
void setWatchedVolume(void* user, float volume) { setSoundVolume(self(user).sound, volume); }
AudioFeatures updateWatchedTrack(void* user, MusicTrack& track) {
    return updateSound(self(user).sound, track, (float)GetTime());
}
void unloadWatchedTrack(void* user, MusicTrack& track) { unloadSound(self(user).sound, track); }
void redrawCells(void*, AsciiFramebuffer& fb, bool force) { redraw(fb, force); }

// Music dropped onto the window, through the same device
bool playSource(void* user, SoundSource& source, double now) { return startPlayer(self(user).player, source, now); }
double updateSource(void* user, SoundSource& source, double now) {
    return updatePlayer(self(user).player, source, now);
}
void pauseSource(void* user, SoundSource&, bool paused) { pausePlayer(self(user).player, paused); }
void stopSource(void* user, SoundSource& source) { stopPlayer(self(user).player, source); }

// What raylib gathered of a drop on the window since the last frame
void takeDrops(void*, std::vector<std::string>& paths) {
    if (!IsFileDropped()) return;
    const FilePathList dropped = LoadDroppedFiles();
    for (unsigned i = 0; i < dropped.count; ++i) paths.push_back(dropped.paths[i]);
    UnloadDroppedFiles(dropped);
}

void presentFrame(void*, const AsciiFramebuffer& fb, const Presentation& how) {
    BeginDrawing();
    drawPresentation(fb, GetScreenWidth(), GetScreenHeight(), how);
    EndDrawing();
}

}  // namespace

// One press per call, oldest first; 0 ends the frame's presses and the next call reads new ones.
unsigned nextKeyPress(RaylibPlatformState& state) {
    if (!state.pressesCollected) {
        state.presses = readKeyPresses();
        state.nextPress = 0;
        state.pressesCollected = true;
    }
    if (state.nextPress < state.presses.count) return state.presses.keys[state.nextPress++];
    state.pressesCollected = false;
    return 0;
}

// The font is loaded with the first framebuffer (at start-up, after the window opened) and kept:
// a zoom change only makes a new render texture.
std::unique_ptr<AsciiFramebuffer> framebufferWithSharedFont(RaylibPlatformState& state, int zoom, bool colorBoost) {
    if (!state.fontLoaded) {
        state.font = loadGlyphFont(kGridCellHeight);
        state.fontLoaded = true;
    }
    return makeFramebuffer(zoom, colorBoost, state.font);
}

void drawPresentation(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, const Presentation& how) {
    switch (how.kind) {
        case Presentation::Plain: present(fb, screenWidth, screenHeight, kWindowClear, 1.0f); break;
        case Presentation::Focused:
            presentFocused(fb, screenWidth, screenHeight, how.focusX, how.focusY, how.progress, how.punch,
                           kWindowClear);
            break;
        case Presentation::Black: ClearBackground(kBlackScreen); break;
    }
    if (how.overlay) DrawRectangle(0, 0, screenWidth, screenHeight, Color{0, 0, 0, how.overlayAlpha});
}

Platform raylibPlatform(RaylibPlatformState& state) {
    return Platform{&state,    wallClock,   keyPress,     toggleFullscreen, setVolume,   newFramebuffer,
                    loadTrack, updateTrack, unloadTrack,  redrawCells,      presentFrame};
}

Platform windowPlatform(RaylibPlatformState& state) {
    Platform platform = raylibPlatform(state);
    platform.setMasterVolume = setWatchedVolume;
    platform.updateMusic = updateWatchedTrack;
    platform.unloadMusic = unloadWatchedTrack;
    platform.droppedFiles = takeDrops;
    platform.playSource = playSource;
    platform.updateSource = updateSource;
    platform.pauseSource = pauseSource;
    platform.stopSource = stopSource;
    return platform;
}

void closeRaylibPlatform(RaylibPlatformState& state) {
    if (state.fontLoaded) releaseGlyphFont(state.font);
    state.fontLoaded = false;
}
