// The render functions of the eleven scenes, in show order.
#pragma once

#include <cstdint>

#include "scenes/ramps.h"
#include "scenes/scene.h"

void intro_boot(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void wave_scroll(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void plasma_storm(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
// plasma_storm's glyph of brightness c in [0, 1]: the ramp entry of showPow(c, 1.15), by table
uint32_t plasmaGlyph(RampStyle style, float c);
void cellular(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void dual_fluid(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void goo_bounce(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void julia_blast(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void mandelbrot(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void cube(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void starfield_warp(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
void end_credits(AsciiFramebuffer& fb, float sceneTime, Color bg, const BeatInfo* beat, const AudioFeatures* audio);
