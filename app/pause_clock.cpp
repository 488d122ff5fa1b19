#include "app/pause_clock.h"

void pauseAt(PauseClock& clock, double wall) {
    if (clock.paused) return;
    clock.paused = true;
    clock.pausedAt = wall;
}

void resumeAt(PauseClock& clock, double wall) {
    if (!clock.paused) return;
    clock.paused = false;
    // A wall clock that reads earlier than the pause (two sources, rounding) adds no negative pause
    if (wall > clock.pausedAt) clock.pausedTotal += wall - clock.pausedAt;
}

double readAt(const PauseClock& clock, double wall) {
    const double end = (clock.paused && wall > clock.pausedAt) ? clock.pausedAt : wall;
    return end - clock.pausedTotal;
}
