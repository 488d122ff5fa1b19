// The closing screen: a tunnel of glyphs that fades with the music, and "THANKS FOR WATCHING".
#pragma once

#include "audio/audio_features.h"
#include "framebuffer/ascii_framebuffer.h"

constexpr float kOutroSeconds = 8.5f;

// 0 when the outro begins, 1 when it has faded out.
float outroFade(float now, float outroStart);

// Colour of the closing text; channels wrap to their low 8 bits.
Color outroTextColor(float fade, float beat);

// Clears the grid and writes the tunnel field and the text for this frame.
void drawOutro(AsciiFramebuffer& fb, float now, float fade, const AudioFeatures& audio);
