// The system's sound, heard live from the sound server (PulseAudio, or PipeWire's PulseAudio
// server): by default the monitor of the default output, that is what the machine is playing.
// Nothing is played back. The capture runs on a thread of its own and pushes small fragments into
// a LiveRing (audio/live_ring.h); when the server goes away it tries again every so often, so the
// sound comes back with it. Elsewhere than Linux nothing answers (app/sound_capture_none.cpp).
#pragma once

#include <string>
#include <vector>

#include "audio/live_ring.h"

// The format asked of the server, which converts whatever the source has into it.
constexpr int kCaptureRate = 44100;
constexpr int kCaptureChannels = 2;
// The fragments the server hands over: the most a sound waits before the ring has it.
constexpr double kCaptureFragmentSeconds = 0.01;
// Seconds between attempts to reach a server that went away.
constexpr double kCaptureRetrySeconds = 1.0;
// Seconds the first connection may take before the server counts as absent.
constexpr double kCaptureConnectWait = 5.0;

struct CaptureSourceInfo {
    std::string name;         // What --listen=NAME takes
    std::string description;  // As the server describes it
    bool monitor = false;     // The monitor of an output: what that output plays
    bool listenDefault = false;  // What listening without a name takes: the default output's monitor
};

// The server's sources, in its order. False with `error` when no server answers.
bool listCaptureSources(std::vector<CaptureSourceInfo>& sources, std::string& error);

struct SoundCapture;  // The capture thread and its connection (app/sound_capture_linux.cpp)

// Starts hearing `source` (empty: the default output's monitor). Waits for the first connection:
// null with `error` saying why when no server answers or the source does not exist. What is heard
// is dropped until a ring is attached.
SoundCapture* startSoundCapture(const std::string& source, std::string& error);

// From now on the sound goes into `ring`, which must hold kCaptureChannels channels and outlive the
// capture (stop the capture before releasing it). False, and nothing attached, for another ring.
bool attachCaptureRing(SoundCapture* capture, LiveRing* ring);

struct CaptureStatus {
    bool connected = false;        // Sound is arriving from the server now
    long long connections = 0;     // Connections made, the first included
    long long attempts = 0;        // Connections tried, the first included
};
CaptureStatus captureStatus(const SoundCapture* capture);

// Stops the thread and closes the connection; nothing for null. The ring is no longer touched after.
void stopSoundCapture(SoundCapture* capture);
