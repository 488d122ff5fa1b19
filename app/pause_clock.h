// A clock that stops while the show cannot be seen: in a browser tab that is hidden, no frames run
// and the music is paused, so the show's time must not move either, or the pictures would come back
// ahead of the sound.
#pragma once

struct PauseClock {
    double pausedTotal = 0.0;  // Wall-clock seconds spent paused, in every finished pause
    double pausedAt = 0.0;     // Wall-clock time of the pause that is running
    bool paused = false;
};

// Both take the wall clock's time now; a second pause or a resume without a pause does nothing.
void pauseAt(PauseClock& clock, double wall);
void resumeAt(PauseClock& clock, double wall);

// The show's time at this wall-clock time: the wall clock less every pause; while paused, the time
// at which the pause began. A wall clock read before the pause began counts as the pause time.
double readAt(const PauseClock& clock, double wall);
