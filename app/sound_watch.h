// Keeps the show's music going when the sound device goes away under it (a sound server that dies
// or restarts, a headset that switches): a device that stops taking samples for a while is taken
// as lost, the music then follows the wall clock where it would be playing, and the device is
// opened again, now and then, until a sound server answers; the music resumes there.
//
// This departs on purpose from "nothing is retried" and from reading the play position from the
// stream, and only after the device was lost: with a working device the show reads the stream as
// it always has. The decisions are plain code; the device, its helper thread and raylib are in
// sound_device_*.cpp.
#pragma once

// Seconds without a sample taken, on the wall clock, before the device counts as lost. A device
// asks every few milliseconds whatever the frames do (an empty stream still gets silence), so only
// a dead device, or an audio thread starved this long, stays quiet.
constexpr float kSilentDeviceSeconds = 1.5f;
// Seconds between two attempts to open a device again.
constexpr float kReopenInterval = 2.0f;

struct SoundWatch {
    enum class State {
        Off,       // No device was opened at start: nothing to watch
        Playing,   // The device takes samples; the stream gives the music's place
        Closing,   // Lost: the dead device is being closed on a helper thread
        Closed,    // No device; the next attempt is due at nextAttempt
        Opening,   // A helper thread is opening a device
    } state = State::Off;
    unsigned long long framesTaken = 0;  // The device's count of samples taken, last read
    float lastTaken = 0.0f;              // Wall clock when that count last moved
    float nextAttempt = 0.0f;
    // The music's place on the wall clock: it was at anchorPosition at anchorTime
    float anchorPosition = 0.0f;
    float anchorTime = 0.0f;
};

// What the device's owner does this frame.
enum class SoundStep {
    Play,    // Feed and read the stream as usual
    Follow,  // No device: read the music at musicPlace, touch no device
    Close,   // Start closing the lost device on a helper thread; then as Follow
    Open,    // Start opening a device on a helper thread; then as Follow
    Resume,  // A device is open again: a new stream from musicPlace; then as Play
};

// A device opened at start (or not): the watch starts at the wall-clock time `now`.
void startSoundWatch(SoundWatch& watch, bool deviceOpen, float now);

// Once a frame, with the wall clock, the device's count of samples taken, and for a helper job that
// was running, whether it has finished and (for an opening) whether it gave a working device.
SoundStep soundStep(SoundWatch& watch, float now, unsigned long long framesTaken, bool jobDone, bool opened);

// While playing, each frame's play position (seconds into the track) anchors the wall-clock place.
void notePlayPosition(SoundWatch& watch, float position, float now);

// Where the music is on the wall clock, wrapped into a track of `length` seconds (0 when none).
float musicPlace(const SoundWatch& watch, float now, float length);
