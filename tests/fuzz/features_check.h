// The fuzz targets' check of an analysis record: valid, and every level in [0, 1].
#pragma once

#include "audio/audio_features.h"

inline bool inUnitRange(float v) { return v >= 0.0f && v <= 1.0f; }

inline void checkFeatures(const AudioFeatures& a) {
    bool ok = a.valid && inUnitRange(a.level) && inUnitRange(a.bass) && inUnitRange(a.mid) && inUnitRange(a.treble) &&
              inUnitRange(a.beat);
    for (float band : a.bands) ok = ok && inUnitRange(band);
    if (!ok) __builtin_trap();
}
