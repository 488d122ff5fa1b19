// The frame loop's platform on a real window, keyboard and audio device.
#pragma once

#include "app/frame_loop.h"
#include "app/key_presses.h"
#include "app/sound_device.h"
#include "audio/source_player.h"
#include "framebuffer/font_loading.h"

// What the window platform keeps between frames: the glyph font, loaded with the first
// framebuffer and shared by every later one, this frame's key presses, and the window program's
// sound device with the visualizer's music on it.
struct RaylibPlatformState {
    SoundDevice sound;
    SourcePlayer player;
    GlyphFont font;
    bool fontLoaded = false;
    KeyPresses presses;
    int nextPress = 0;
    bool pressesCollected = false;
};

Platform raylibPlatform(RaylibPlatformState& state);
// The same with the music through the state's sound device, which the program opened with
// openSoundDevice, and the visualizer's music played on it: the window program's platform.
Platform windowPlatform(RaylibPlatformState& state);

// Two of its calls, for a platform built on this one whose user pointer is its own: the next key
// press of the frame (0 when none is left), and a framebuffer drawing with the shared font.
unsigned nextKeyPress(RaylibPlatformState& state);
std::unique_ptr<AsciiFramebuffer> framebufferWithSharedFont(RaylibPlatformState& state, int zoom, bool colorBoost);

// Releases the glyph font; after the last framebuffer is gone and before the window closes.
void closeRaylibPlatform(RaylibPlatformState& state);

// What the window shows of a frame, drawn into whatever target is bound (the window between
// BeginDrawing and EndDrawing, or a render texture): the fitted or focused grid, or black, then
// the overlay.
void drawPresentation(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, const Presentation& how);
