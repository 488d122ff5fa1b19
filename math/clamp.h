// Clamps shared by every layer. NaN passes through: both comparisons are false for it.
#pragma once

inline float clampf(float v, float lo, float hi) { return v > hi ? hi : (v < lo ? lo : v); }
inline float clamp01(float v) { return clampf(v, 0.0f, 1.0f); }
inline int clampInt(int v, int lo, int hi) { return v > hi ? hi : (v < lo ? lo : v); }
inline unsigned char clampByte(int v) { return (unsigned char)clampInt(v, 0, 255); }
