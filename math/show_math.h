// The show's own single-precision math: the same bits on every compiler, C library and processor.
//
// Each function is evaluated in double precision from +, −, ×, ÷, sqrt and exact conversions only,
// with a careful argument reduction, and rounded once to float at the end. The results are within
// one unit in the last place and almost always correctly rounded (tools/math_check measures it).
// Every value that decides a cell, the audio analysis or the zoom goes through these, never through
// the C library's sinf, cosf, atan2f, powf, expf or hypotf, which differ between implementations.
// Special values follow C's Annex F; every NaN result is the quiet NaN 0x7FC00000.
#pragma once

float showSin(float x);
float showCos(float x);
float showExp(float x);
float showPow(float x, float y);
float showAtan2(float y, float x);
float showHypot(float x, float y);
