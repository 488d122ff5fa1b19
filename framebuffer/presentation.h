// Puts the framebuffer's render texture into the window: fitted and letterboxed, or flying into
// one cell during a scene transition.
#pragma once

#include "framebuffer/ascii_framebuffer.h"

// Where present draws the texture: uniformly scaled to fit, times zoom [0.1..6], centred, whole pixels.
Rectangle presentRect(int texW, int texH, int screenWidth, int screenHeight, float zoom);

// Where a picture starts its flight: its top-left corner and its scale (screen units per picture
// unit) along each axis.
struct PictureFit {
    float x, y;
    float scaleX, scaleY;
};

// The flight into one cell during a scene transition, for any screen: a picture of cols x rows
// cells of cellWidth x cellHeight picture units, fitted as `fit` on a screen of screenWidth x
// screenHeight units, grows (eased, progress [0..1]) until the focus cell is centred and 1.35 times
// the screen's larger side high; the punch [0..1] adds up to 22 % around the picture's corner. The
// window's picture is in pixels, the terminal's in cells.
Rectangle flownRect(int cols, int rows, float cellWidth, float cellHeight, PictureFit fit, float screenWidth,
                    float screenHeight, int focusX, int focusY, float progress, float punch);

// Where presentFocused draws the texture at this progress [0..1] and punch [0..1].
Rectangle focusedRect(int cols, int rows, int cellWidth, int cellHeight, int screenWidth, int screenHeight,
                      int focusX, int focusY, float progress, float punch);

// Both clear the window first and must run between BeginDrawing and EndDrawing.
void present(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, Color clearColor, float zoom);
void presentFocused(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, int focusX, int focusY,
                    float progress, float punch, Color clearColor);
