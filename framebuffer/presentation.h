// Puts the framebuffer's render texture into the window: fitted and letterboxed, or flying into
// one cell during a scene transition.
#pragma once

#include "framebuffer/ascii_framebuffer.h"

// Where present draws the texture: uniformly scaled to fit, times zoom [0.1..6], centred, whole pixels.
Rectangle presentRect(int texW, int texH, int screenWidth, int screenHeight, float zoom);

// Where presentFocused draws the texture at this progress [0..1] and punch [0..1].
Rectangle focusedRect(int cols, int rows, int cellWidth, int cellHeight, int screenWidth, int screenHeight,
                      int focusX, int focusY, float progress, float punch);

// Both clear the window first and must run between BeginDrawing and EndDrawing.
void present(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, Color clearColor, float zoom);
void presentFocused(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, int focusX, int focusY,
                    float progress, float punch, Color clearColor);
