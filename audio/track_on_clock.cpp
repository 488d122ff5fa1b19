#include "audio/track_on_clock.h"

#include <cmath>  // Required for: fmod()

#include "audio/music_track.h"    // Required for: analyseAt()
#include "audio/track_decoder.h"  // Required for: decodeTrackFile()

bool loadOnClock(TrackClock& clock, MusicTrack& track, const char* path, double now) {
    unloadOnClock(clock, track);
    DecodedTrack decoded;
    if (!decodeTrackFile(path, 0, decoded)) return false;
    // With no prefix the block is the samples, malloc'd as attachSamples expects
    attachSamples(track, decoded.samples, decoded.frameCount, decoded.channels, decoded.sampleRate);
    clock.start = now;
    clock.playing = true;
    return true;
}

AudioFeatures analyseOnClock(const TrackClock& clock, MusicTrack& track, double now) {
    if (!clock.playing || track.samples == nullptr || track.sampleRate < 1 || track.frameCount < 1) {
        return AudioFeatures{};
    }
    const double length = (double)track.frameCount / (double)track.sampleRate;
    const double position = fmod(now - clock.start, length);
    return analyseAt(track, (float)position, (float)length);
}

void unloadOnClock(TrackClock& clock, MusicTrack& track) {
    unload(track);
    clock = TrackClock{};
}
