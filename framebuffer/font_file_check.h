// A structural check of a TrueType file before the rasteriser sees it. raylib's rasteriser reads
// the file's tables without any bounds checks, so a truncated or damaged font would make it read
// far outside the file; this check walks the same data with bounds checks and says whether every
// read the rasteriser will make for the given codepoints stays inside the file.
#pragma once

#include <cstddef>

// True when `data` is a TrueType (glyf-outline) font whose header, table directory, metrics,
// character map and the outlines of the given codepoints all lie inside the `size` bytes.
bool fontFileIsSound(const unsigned char* data, size_t size, const int* codepoints, int codepointCount);
