// A short line over the picture for a few seconds, in the show's own cells: what the viewer should
// know of something they did, such as a dropped file that cannot be played.
#pragma once

#include <string>

#include "framebuffer/ascii_framebuffer.h"

constexpr float kNoticeSeconds = 5.0f;

// Empty text: none.
struct Notice {
    std::string text;
    float shownAt = 0.0f;  // Clock time (Platform::now) it was first shown
};

// Writes the notice into the grid's third row from the bottom, centred on a dark band, over
// whatever the frame drew, from shownAt for kNoticeSeconds; printable ASCII only (any other
// character as one '?'), cut with "..." to the grid's width. Returns whether it drew.
bool drawNotice(AsciiFramebuffer& fb, const Notice& notice, float now);
