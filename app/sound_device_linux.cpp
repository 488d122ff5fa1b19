// Linux: the audio device is watched through the samples it takes, closed and opened again on a
// helper thread, and its backend thread woken when it sleeps on a sound server that has gone.
//
// Why the waking: miniaudio's PulseAudio backend runs its thread in a poll on the server's
// connection; once the server has died nothing ever wakes that poll, and closing the device joins
// the thread for good. A signal with a handler that does nothing ends the poll (EINTR); the thread
// then sees that the device is being closed and returns.
#include <dirent.h>         // Required for: opendir(), readdir()
#include <signal.h>         // Required for: sigaction(), SIGRTMIN
#include <sys/syscall.h>    // Required for: SYS_tgkill, SYS_gettid
#include <unistd.h>         // Required for: syscall(), getpid()

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "app/sound_device.h"
#include "audio/music_track.h"  // Required for: analyseAt()
#include "raylib.h"

namespace {

constexpr int kWakeSignalOffset = 5;  // SIGRTMIN + this: a real-time signal nothing else here uses
constexpr auto kWaitStep = std::chrono::milliseconds(20);

// Frames the device has asked for, counted on its own thread
std::atomic<unsigned long long> gFramesTaken{0};
// The backend the last open chose, as raylib reports it
std::atomic<bool> gNullBackend{false};

// A job on a helper thread. Shared with it, so that a thread still stuck when the process ends
// never touches freed memory.
struct SoundJob {
    std::atomic<bool> done{false};
    bool opened = false;             // Written before done
    std::vector<long> audioThreads;  // Written before done: the threads the new device started
};

std::shared_ptr<SoundJob> gJob;     // The running or last job; frame loop's thread only
std::vector<long> gAudioThreads;    // The threads of the device that is open or being closed

int wakeSignal() { return SIGRTMIN + kWakeSignalOffset; }

void ignoreWake(int) {}

void countFrames(void*, unsigned int frames) { gFramesTaken.fetch_add(frames, std::memory_order_relaxed); }

// raylib reports the backend it opened as an info message; nothing is printed.
void noteBackend(int, const char* text, va_list args) {
    if (text == nullptr || strstr(text, "Backend:") == nullptr) return;
    va_list copy;
    va_copy(copy, args);
    const char* name = va_arg(copy, const char*);
    va_end(copy);
    gNullBackend.store(name != nullptr && strcmp(name, "Null") == 0);
}

std::vector<long> threadIds() {
    std::vector<long> ids;
    DIR* tasks = opendir("/proc/self/task");
    if (tasks == nullptr) return ids;
    for (dirent* entry = readdir(tasks); entry != nullptr; entry = readdir(tasks)) {
        const long id = atol(entry->d_name);
        if (id > 0) ids.push_back(id);
    }
    closedir(tasks);
    return ids;
}

std::vector<long> newThreads(const std::vector<long>& before) {
    std::vector<long> added;
    const long self = (long)syscall(SYS_gettid);
    for (long id : threadIds()) {
        bool known = id == self;
        for (long old : before) known = known || old == id;
        if (!known) added.push_back(id);
    }
    return added;
}

void wakeAudioThreads(const std::vector<long>& threads) {
    for (long id : threads) syscall(SYS_tgkill, (long)getpid(), id, (long)wakeSignal());
}

// Opens raylib's device and tells which threads it started and whether a sound server took it
// (the Null backend, which only counts time, is no device to resume the music on).
bool openDevice(std::vector<long>& audioThreads) {
    const std::vector<long> before = threadIds();
    gNullBackend.store(false);
    SetTraceLogLevel(LOG_INFO);  // Only for the backend's name: noteBackend prints nothing
    InitAudioDevice();
    SetTraceLogLevel(LOG_NONE);
    audioThreads = newThreads(before);
    return IsAudioDeviceReady() && !gNullBackend.load();
}

void openJob(std::shared_ptr<SoundJob> job) {
    job->opened = openDevice(job->audioThreads);
    if (!job->opened && IsAudioDeviceReady()) CloseAudioDevice();
    job->done.store(true, std::memory_order_release);
}

// The stream is stopped so that it does not play on the next device; it is released once one is open.
void closeJob(std::shared_ptr<SoundJob> job, Music stream) {
    if (stream.stream.buffer != nullptr) StopMusicStream(stream);
    CloseAudioDevice();
    job->done.store(true, std::memory_order_release);
}

void unloadAndCloseJob(std::shared_ptr<SoundJob> job, MusicTrack* track) {
    unload(*track);
    CloseAudioDevice();
    job->done.store(true, std::memory_order_release);
}

template <typename Job, typename... Args>
void startJob(Job job, Args... args) {
    gJob = std::make_shared<SoundJob>();
    std::thread(job, gJob, args...).detach();
}

bool jobDone() { return gJob != nullptr && gJob->done.load(std::memory_order_acquire); }

// Without a device: the decoded copy analysed where the music would be playing.
AudioFeatures followedMusic(const SoundDevice& device, MusicTrack& track, float now) {
    if (device.musicDropped || !track.ready || track.samples == nullptr || track.sampleRate < 1) return AudioFeatures{};
    const float length = (float)((double)track.frameCount / (double)track.sampleRate);
    return analyseAt(track, musicPlace(device.watch, now, length), length);
}

AudioFeatures playedMusic(SoundDevice& device, MusicTrack& track, float now) {
    const AudioFeatures features = update(track);
    if (features.valid) notePlayPosition(device.watch, features.musicTime, now);
    return features;
}

}  // namespace

bool openSoundDevice(SoundDevice& device, float now) {
    struct sigaction action = {};
    action.sa_handler = ignoreWake;
    sigemptyset(&action.sa_mask);
    sigaction(wakeSignal(), &action, nullptr);  // No SA_RESTART: a wait it lands in ends
    SetTraceLogCallback(noteBackend);

    openDevice(gAudioThreads);
    const bool open = IsAudioDeviceReady();
    if (open) AttachAudioMixedProcessor(countFrames);  // Reads the mix, changes nothing; kept across reopenings
    device = SoundDevice{};
    startSoundWatch(device.watch, open, now);
    return open;
}

AudioFeatures updateSound(SoundDevice& device, MusicTrack& track, float now) {
    const bool done = jobDone();
    const bool opened = done && gJob->opened;
    switch (soundStep(device.watch, now, gFramesTaken.load(std::memory_order_relaxed), done, opened)) {
        case SoundStep::Play: return playedMusic(device, track, now);
        case SoundStep::Close: startJob(closeJob, track.music); break;
        case SoundStep::Open: startJob(openJob); break;
        case SoundStep::Resume: {
            gAudioThreads = gJob->audioThreads;
            const float length = track.sampleRate > 0 ? (float)((double)track.frameCount / (double)track.sampleRate) : 0.0f;
            if (device.musicDropped) {
                unload(track);
            } else {
                resumeStream(track, musicPlace(device.watch, now, length));
            }
            device.musicDropped = false;
            return playedMusic(device, track, now);
        }
        case SoundStep::Follow: break;
    }
    if (device.watch.state == SoundWatch::State::Closing) wakeAudioThreads(gAudioThreads);
    return followedMusic(device, track, now);
}

void setSoundVolume(const SoundDevice& device, float volume) {
    const SoundWatch::State state = device.watch.state;
    if (state == SoundWatch::State::Playing || state == SoundWatch::State::Off) SetMasterVolume(volume);
}

void unloadSound(SoundDevice& device, MusicTrack& track) {
    if (device.closed) return;  // A stuck close may still hold the track on its helper
    const SoundWatch::State state = device.watch.state;
    if (state == SoundWatch::State::Playing || state == SoundWatch::State::Off) {
        unload(track);
    } else {
        device.musicDropped = true;
    }
}

bool closeSoundDevice(SoundDevice& device, MusicTrack& track) {
    device.closed = true;
    switch (device.watch.state) {
        case SoundWatch::State::Off:
            unload(track);
            return true;
        case SoundWatch::State::Playing:
            // The device may have died a moment ago, unnoticed yet: closed on a helper, so that a
            // backend that never lets go cannot keep the program alive
            startJob(unloadAndCloseJob, &track);
            break;
        default: break;  // Lost: the helper's job, if one runs, is waited for as well
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(kSoundCloseWait);
    while (gJob != nullptr && !jobDone() && std::chrono::steady_clock::now() < deadline) {
        wakeAudioThreads(gAudioThreads);
        std::this_thread::sleep_for(kWaitStep);
    }
    // Only an orderly close of a working device is returned through; after a loss, the track's old
    // stream belongs to a device that is gone, and the process is ending
    return device.watch.state == SoundWatch::State::Playing && jobDone();
}
