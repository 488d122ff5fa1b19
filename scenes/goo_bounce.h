// The five-ball simulation of the goo_bounce scene, shared with its tests.
#pragma once

struct GooBall {
    float x, y;    // Position in field units [-1.08..1.08], y growing downwards
    float vx, vy;  // Velocity in field units per second
    float r;       // Radius
    float w;       // Colour weight: 0 blue, 1 orange
};

constexpr int kGooBallCount = 5;

// The table every (re)start of the simulation begins from.
extern const GooBall gooInitialBalls[kGooBallCount];

// Advances the balls by dt > 0 seconds: spring and swirl, the beat's outward kick (rise is how far
// the audio beat rose since the last frame), damping, motion, radii, walls, then pair separation.
void stepGooBalls(GooBall (&balls)[kGooBallCount], float dt, float rise, float drive, float mid);

// The scene's balls as its last frame left them. Tests may also place them before a frame whose
// time step is 0, which draws them without moving them.
GooBall* gooBalls();
