// What the window shows of a frame, made on the CPU: the same picture drawPresentation draws on
// the GPU (the fitted or focused grid, or black, then the overlay), into a frame in memory. For
// front ends with no window: the capture tool's CPU renderer.
#pragma once

#include "app/frame_loop.h"
#include "framebuffer/cell_pixels.h"

// The window's colours around and instead of the grid
constexpr Color kWindowClear = {5, 7, 12, 255};
constexpr Color kBlackScreen = {0, 0, 0, 255};

// The framebuffer must be a Cpu one, redrawn this frame.
void presentationPixels(const AsciiFramebuffer& fb, int screenWidth, int screenHeight, const Presentation& how,
                        PixelFrame& frame);
