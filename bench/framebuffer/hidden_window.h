// The hidden window the framebuffer benchmarks draw in, opened once for the whole program.
#pragma once

#include "raylib.h"

inline bool benchWindowOpen() {
    static const bool open = [] {
        SetTraceLogLevel(LOG_NONE);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(320, 200, "davur_evi bench");
        return IsWindowReady();
    }();
    return open;
}
