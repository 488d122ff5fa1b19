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

SoundCapture* startSoundCapture(const std::string&, std::string& error) {
    error = kNoCapture;
    return nullptr;
}

bool attachCaptureRing(SoundCapture*, LiveRing*) { return false; }

CaptureStatus captureStatus(const SoundCapture*) { return CaptureStatus{}; }

void stopSoundCapture(SoundCapture*) {}
