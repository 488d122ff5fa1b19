// No sound server to hear the system's sound from on this system.
#include "app/sound_capture.h"

namespace {
constexpr const char* kNoCapture = "hearing the system's sound is not supported here";
}

bool listCaptureSources(std::vector<CaptureSourceInfo>& sources, std::string& error) {
    sources.clear();
    error = kNoCapture;
    return false;
}

SoundCapture* startSoundCapture(const std::string&, LiveRing&, std::string& error) {
    error = kNoCapture;
    return nullptr;
}

CaptureStatus captureStatus(const SoundCapture*) { return CaptureStatus{}; }

void stopSoundCapture(SoundCapture*) {}
