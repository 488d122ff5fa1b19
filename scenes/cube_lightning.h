// The cube scene's lightning: strikes scheduled at hashed moments, each a main bolt growing down
// from the top edge plus one to three branches; every bolt is a random walk of slash glyphs that is
// pulled towards the nearest point of the cube's wireframe and ends in a star when it touches it.
#pragma once

#include "framebuffer/ascii_framebuffer.h"
#include "raylib.h"  // Required for: Color, Vector2

constexpr int kMaxLightningStrikes = 14;

struct LightningStrike {
    float start;     // Scene time of the spawn, seconds
    float duration;  // Seconds
    float seed;      // [0..1)
};

// Cross-frame state, owned by the cube scene: the live strikes, oldest first.
struct LightningSchedule {
    LightningStrike strikes[kMaxLightningStrikes] = {};
    int count = 0;
    float lastTime = -1.0f;  // Scene time of the previous frame; negative until the first frame
    float nextSpawn = 0.0f;  // Scene time at which the next strike is due
};

// The cube's per-frame values that shape the lightning.
struct CubeLook {
    float facing;  // How squarely a face points at the viewer [1/sqrt(3)..1]
    float size;    // [0..1.5]
    float flash;   // Beat and flicker brightness
    float energy;  // flash * size, clamped [0.45..1.75]
};

struct LightningBolt {
    float x, y;       // Start, in float cell coordinates (y grows downward)
    float heading;    // Radians
    float seed;
    int steps;
    float intensity;  // [0..2]
    bool main;        // The strike's main bolt (wider steps) or a branch
};

enum class BoltEnd { StepsDone, Border, Star };

// fract(sin(x*127.1 + 311.7)*43758.547): every random number of the lightning
float lightningHash(float x);

// Seconds between strikes before the hashed 0.75..1.3 spread [0.1..0.7]
float strikeGap(float facing);

// Appends a strike; when the list is full the oldest is dropped, alive or not.
void appendStrike(LightningSchedule& schedule, LightningStrike strike);

// Simulation: re-arms on the first frame or when t runs backwards, spawns every strike due by t,
// drops the expired ones.
void updateLightning(LightningSchedule& schedule, float t, float facing, float size);

// Draws one bolt step by step; returns why it stopped.
BoltEnd drawBolt(AsciiFramebuffer& fb, const LightningBolt& bolt, const Vector2* targets, int targetCount,
                 Color bg);

// Draws every live strike, oldest first.
void drawLightning(AsciiFramebuffer& fb, const LightningSchedule& schedule, float t, const CubeLook& look,
                   const Vector2* targets, int targetCount, Color bg);
