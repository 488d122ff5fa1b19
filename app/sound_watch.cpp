#include "app/sound_watch.h"

#include <cmath>  // Required for: fmod()

void startSoundWatch(SoundWatch& watch, bool deviceOpen, float now) {
    watch = SoundWatch{};
    watch.state = deviceOpen ? SoundWatch::State::Playing : SoundWatch::State::Off;
    watch.lastTaken = now;
    watch.anchorTime = now;
}

SoundStep soundStep(SoundWatch& watch, float now, unsigned long long framesTaken, bool jobDone, bool opened) {
    using State = SoundWatch::State;
    switch (watch.state) {
        case State::Off: return SoundStep::Play;
        case State::Playing:
            if (framesTaken != watch.framesTaken) {
                watch.framesTaken = framesTaken;
                watch.lastTaken = now;
                return SoundStep::Play;
            }
            if (now - watch.lastTaken < kSilentDeviceSeconds) return SoundStep::Play;
            watch.state = State::Closing;
            return SoundStep::Close;
        case State::Closing:
            if (!jobDone) return SoundStep::Follow;
            watch.state = State::Closed;
            watch.nextAttempt = now;  // The first attempt at once: a restarting server may already answer
            return SoundStep::Follow;
        case State::Closed:
            if (now < watch.nextAttempt) return SoundStep::Follow;
            watch.state = State::Opening;
            return SoundStep::Open;
        case State::Opening:
            if (!jobDone) return SoundStep::Follow;
            if (!opened) {
                watch.state = State::Closed;
                watch.nextAttempt = now + kReopenInterval;
                return SoundStep::Follow;
            }
            watch.state = State::Playing;
            watch.framesTaken = framesTaken;
            watch.lastTaken = now;
            return SoundStep::Resume;
    }
    return SoundStep::Play;
}

void notePlayPosition(SoundWatch& watch, float position, float now) {
    // Only a position the device is moving tells where the music is; a stalled one is where it stopped
    if (watch.lastTaken != now) return;
    watch.anchorPosition = position;
    watch.anchorTime = now;
}

float musicPlace(const SoundWatch& watch, float now, float length) {
    if (!(length > 0.0f)) return 0.0f;
    const float elapsed = now > watch.anchorTime ? now - watch.anchorTime : 0.0f;
    const float place = (float)fmod((double)watch.anchorPosition + (double)elapsed, (double)length);
    return place < 0.0f ? 0.0f : place;
}
