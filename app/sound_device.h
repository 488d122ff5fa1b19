// The show's sound device: raylib's audio device, watched so that losing it never stops the show
// or keeps the program alive (app/sound_watch.h decides; this is the device side). Every call is
// made from the frame loop's thread; `now` is the frame loop's wall clock.
#pragma once

#include "app/sound_watch.h"
#include "audio/audio_features.h"
#include "audio/music_track.h"

struct SoundDevice {
    SoundWatch watch;
    bool musicDropped = false;  // The track was unloaded while no device was open
    bool closed = false;        // Closed at exit: the track went with it, the platform's unload does nothing
};

// Opens the audio device (InitAudioDevice) and starts watching it; true when it opened.
bool openSoundDevice(SoundDevice& device, float now);

// Once a frame in place of the track's update: with the device, the stream as usual; without it,
// the music where it would be on the wall clock. Opens the device again when it can.
AudioFeatures updateSound(SoundDevice& device, MusicTrack& track, float now);
// The master volume, while a device is open.
void setSoundVolume(const SoundDevice& device, float volume);
// The track's unload, which waits for a device to release the stream when none is open; nothing
// once the device is closed.
void unloadSound(SoundDevice& device, MusicTrack& track);

// Seconds the shutdown waits for the audio backend before leaving it behind.
constexpr double kSoundCloseWait = 3.0;

// At exit: unloads the track and closes the device, waiting at most kSoundCloseWait for a backend
// that does not let go. False when something is still stuck or busy: then the caller ends the
// process with _exit once its own output is done, without returning through the track or raylib.
bool closeSoundDevice(SoundDevice& device, MusicTrack& track);
