// Where the device cannot be watched (the web page, Windows): raylib's calls as they are.
#include "app/sound_device.h"

bool openSoundDevice(SoundDevice& device, float now) {
    InitAudioDevice();
    startSoundWatch(device.watch, false, now);
    return IsAudioDeviceReady();
}

AudioFeatures updateSound(SoundDevice&, MusicTrack& track, float) { return update(track); }

void setSoundVolume(const SoundDevice&, float volume) { SetMasterVolume(volume); }

void unloadSound(SoundDevice& device, MusicTrack& track) {
    if (!device.closed) unload(track);
}

bool closeSoundDevice(SoundDevice& device, MusicTrack& track) {
    device.closed = true;
    unload(track);
    if (IsAudioDeviceReady()) CloseAudioDevice();
    return true;
}
