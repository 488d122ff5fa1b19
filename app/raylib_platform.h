// The frame loop's platform on a real window, keyboard and audio device.
#pragma once

#include "app/frame_loop.h"

Platform raylibPlatform();

// What the window shows of a frame, drawn into whatever target is bound (the window between
// BeginDrawing and EndDrawing, or a render texture): the fitted or focused grid, or black, then
// the overlay.
void drawPresentation(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, const Presentation& how);
