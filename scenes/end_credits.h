// The credit letters' flights, shared with the scene's tests: each letter's start point, departure
// and flight time follow from its running index alone.
#pragma once

#include <cstdint>

constexpr int kCreditLineCount = 4;

// Text of credit line [0..3].
const char* creditLine(int line);

struct CreditFlight {
    uint32_t seed;
    float u1, u2, u3;  // Hashes of the seed [0..1)
    float departure;   // Scene time the letter sets off, seconds
    float duration;    // Flight time, seconds
};

// Flight of the letter with running index g (counting every character of every line) on `line`.
CreditFlight creditFlight(int line, uint32_t g);

struct CreditPoint {
    float x, y;  // Cells
};

// Where the letter starts, beyond one edge of a cols x rows grid.
CreditPoint creditStart(const CreditFlight& flight, int cols, int rows);
