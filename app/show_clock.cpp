#include "app/show_clock.h"

void pauseAt(ShowClock& clock, double wall) {
    if (clock.paused) return;
    clock.paused = true;
    clock.pausedAt = wall;
}

void resumeAt(ShowClock& clock, double wall) {
    if (!clock.paused) return;
    clock.paused = false;
    // A wall clock that reads earlier than the pause (two sources, rounding) adds no negative pause
    if (wall > clock.pausedAt) clock.heldTotal += wall - clock.pausedAt;
}

void restartAt(ShowClock& clock, double wall) {
    clock = ShowClock{};
    clock.heldTotal = wall;
}

void releaseMusic(ShowClock& clock) {
    clock.anchored = false;
    clock.musicLead = 0.0;
    clock.musicLoops = 0.0;
    clock.lastMusic = -1.0;
}

double readAt(const ShowClock& clock, double wall) {
    const double end = (clock.paused && wall > clock.pausedAt) ? clock.pausedAt : wall;
    return end - clock.heldTotal;
}

double frameTime(ShowClock& clock, double wall, bool musicPlaying, double musicTime, double musicLength) {
    const double free = readAt(clock, wall);
    double t = free;
    if (musicPlaying && musicLength > 0.0) {
        // A reading far below the last one is the track starting again
        if (clock.lastMusic >= 0.0 && musicTime + clock.musicLoops < clock.lastMusic - 0.5 * musicLength) {
            clock.musicLoops += musicLength;
        }
        const double music = musicTime + clock.musicLoops;
        clock.lastMusic = music;
        // The music never plays faster than the wall clock: the smallest lead is the truest
        const double lead = t - music;
        if (!clock.anchored || lead < clock.musicLead) {
            clock.musicLead = lead;
            clock.anchored = true;
        }
        if (lead - clock.musicLead > kMusicLagTolerance) t = music + clock.musicLead;
    }
    if (t < clock.lastFrame) t = clock.lastFrame;  // Scenes read time running backwards as a restart
    clock.heldTotal += free - t;  // Whatever was held back stays held
    clock.lastFrame = t;
    return t;
}
