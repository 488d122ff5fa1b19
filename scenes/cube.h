// The cube scene's per-frame geometry: spin, the values that shape its look, and the wireframe
// points the lightning steers to. Declared here for the scene's tests.
#pragma once

#include "audio/audio_features.h"
#include "audio/beat_info.h"
#include "raylib.h"  // Required for: Vector2, Vector3
#include "scenes/cube_lightning.h"

constexpr int kCubeEdgeTargetCapacity = 180;  // 12 edges x 9 points fill 108 of them

// Sines and cosines of the spin angles a, b, c about x, y and z.
struct CubeRotation {
    float sinA, cosA;
    float sinB, cosB;
    float sinC, cosC;
};

struct CubeFrame {
    float angX, angY, angZ;  // Spin angles, radians
    CubeRotation rotation;
    CubeLook look;           // facing, size, flash, energy
    float scale;             // Projection scale: 0.92 * min(cols, rows)
};

CubeRotation makeCubeRotation(float a, float b, float c);

// p turned about x by a, then about y by b, then about z by c.
Vector3 rotate(Vector3 p, const CubeRotation& r);

// p divided by its length, or zero when the length is 0.0001 or less.
Vector3 normalize(Vector3 p);

// Largest |z| of the turned unit axes: 1 with a face head-on, 1/sqrt(3) with a corner towards the viewer.
float cubeFacing(const CubeRotation& r);

// The frame's spin and look; audio levels count as 0 when the record is not valid.
CubeFrame cubeFrame(float t, int cols, int rows, const BeatInfo* beat, const AudioFeatures* audio);

// Fills targets with the on-grid points of the 12 edges, 9 per edge; returns how many.
int cubeEdgeTargets(const CubeFrame& frame, int cols, int rows, Vector2* targets);
