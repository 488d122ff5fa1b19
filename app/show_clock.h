// The show's clock in a web page, where the music and the frames can stop while the wall clock goes
// on: a hidden tab runs no frames (and the show pauses its music), and frames that come too slowly
// let the music's stream run dry. The clock stops with a pause and waits for music that fell
// behind, so that the pictures never run ahead of the sound.
#pragma once

struct ShowClock {
    double heldTotal = 0.0;   // Wall-clock seconds the show waited: finished pauses, music it waited for
    double pausedAt = 0.0;    // Wall-clock time of the pause that is running
    bool paused = false;
    // Following the music
    bool anchored = false;    // A music reading has been seen
    double musicLead = 0.0;   // Show time less music time at its smallest: where the music started
    double musicLoops = 0.0;  // Seconds of the track's finished loops
    double lastMusic = -1.0;  // The last music time read, loops included
    double lastFrame = 0.0;   // The time the last frame was given
};

// The music clock moves in steps of one Web Audio buffer (2048 frames at 44.1 kHz); the show waits
// only for music more than two steps behind, so that the steps themselves never hold it.
constexpr double kMusicLagTolerance = 2.0 * 2048.0 / 44100.0;

// Both take the wall clock's time now; a second pause or a resume without a pause does nothing.
void pauseAt(ShowClock& clock, double wall);
void resumeAt(ShowClock& clock, double wall);

// The clock as new for a show started again from its beginning: its time is 0 at `wall`, as a
// fresh page's is when the page opens, so that the second showing gets the same times as the first.
void restartAt(ShowClock& clock, double wall);

// Music that stopped (a microphone that went quiet) and may come back with readings of its own:
// the next reading anchors afresh instead of holding the show back to where the old ones were.
void releaseMusic(ShowClock& clock);

// The show's time at this wall-clock time: the wall clock less every wait; while paused, the time at
// which the pause began.
double readAt(const ShowClock& clock, double wall);

// The time of a frame. With the music playing (`musicTime` into a track of `musicLength` seconds,
// which loops), a show that is ahead of the music by more than kMusicLagTolerance is held back to
// it; a frame's time is never earlier than the last frame's. Without music, readAt.
double frameTime(ShowClock& clock, double wall, bool musicPlaying, double musicTime, double musicLength);
