// The system's sound through the PulseAudio client library, which PipeWire's PulseAudio server
// answers too. Each connection runs its own main loop on the capture thread; the loop wakes at
// least every kPollMicros to see whether it should stop, and a server that went away is tried
// again every kCaptureRetrySeconds.
#include "app/sound_capture.h"

#include <pulse/pulseaudio.h>

#include <algorithm>           // Required for: std::max()
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>             // Required for: memcpy()
#include <mutex>
#include <thread>

namespace {

constexpr int kPollMicros = 100000;            // The longest the loop sleeps without looking up
constexpr const char* kDefaultMonitor = "@DEFAULT_MONITOR@";  // The server's name for it
constexpr const char* kClientName = "davur_evi";
constexpr const char* kStreamName = "the sound it visualizes";

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// One connection's main loop, stepped by hand so that it never waits longer than kPollMicros.
bool stepLoop(pa_mainloop* loop) {
    if (pa_mainloop_prepare(loop, kPollMicros) < 0) return false;
    if (pa_mainloop_poll(loop) < 0) return false;
    return pa_mainloop_dispatch(loop) >= 0;
}

// A context connected to the server, or null with `error`. Never starts a server of its own.
pa_context* connectContext(pa_mainloop* loop, const std::atomic<bool>* stop, std::string& error) {
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), kClientName);
    if (context == nullptr) {
        error = "cannot make a sound server connection";
        return nullptr;
    }
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const Clock::time_point start = Clock::now();
        while (secondsSince(start) < kCaptureConnectWait && !(stop != nullptr && stop->load())) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (state == PA_CONTEXT_READY) return context;
            if (!PA_CONTEXT_IS_GOOD(state) || !stepLoop(loop)) break;
        }
    }
    const int code = pa_context_errno(context);
    error = std::string("no sound server answers (") + (code != 0 ? pa_strerror(code) : "timed out") + ")";
    pa_context_disconnect(context);
    pa_context_unref(context);
    return nullptr;
}

// Runs the loop until `done` or the connection breaks; false when it broke or took too long.
bool runUntil(pa_mainloop* loop, pa_context* context, const bool& done) {
    const Clock::time_point start = Clock::now();
    while (!done) {
        if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) || secondsSince(start) > kCaptureConnectWait ||
            !stepLoop(loop)) {
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Listing
// ---------------------------------------------------------------------------------------------

struct Listing {
    std::string defaultSink;
    std::vector<CaptureSourceInfo>* sources = nullptr;
    std::vector<std::string> monitorOf;  // The sink each source monitors, "" for none
    bool haveServer = false, haveSources = false;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* user) {
    Listing& listing = *(Listing*)user;
    if (info != nullptr && info->default_sink_name != nullptr) listing.defaultSink = info->default_sink_name;
    listing.haveServer = true;
}

void onSourceInfo(pa_context*, const pa_source_info* info, int last, void* user) {
    Listing& listing = *(Listing*)user;
    if (last != 0 || info == nullptr) {
        listing.haveSources = true;
        return;
    }
    CaptureSourceInfo source;
    source.name = info->name != nullptr ? info->name : "";
    source.description = info->description != nullptr ? info->description : "";
    source.monitor = info->monitor_of_sink != PA_INVALID_INDEX;
    listing.sources->push_back(source);
    listing.monitorOf.push_back(source.monitor && info->monitor_of_sink_name != nullptr ? info->monitor_of_sink_name : "");
}

// ---------------------------------------------------------------------------------------------
// Capture
// ---------------------------------------------------------------------------------------------

}  // namespace

struct SoundCapture {
    std::string source;
    std::atomic<LiveRing*> ring{nullptr};
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> connected{false};
    std::atomic<long long> connections{0};
    std::atomic<long long> attempts{0};
    std::vector<float> scratch;  // An aligned copy of the fragment being pushed

    // The first connection's outcome, which startSoundCapture waits for
    std::mutex mutex;
    std::condition_variable changed;
    int firstOutcome = 0;  // 0 pending, 1 connected, -1 failed
    std::string firstError;
};

namespace {

// Everything the server has for us goes into the ring; a hole in the stream counts as silence.
void onReadable(pa_stream* stream, size_t, void* user) {
    SoundCapture& capture = *(SoundCapture*)user;
    const void* data = nullptr;
    size_t bytes = 0;
    constexpr size_t kFrameBytes = sizeof(float) * kCaptureChannels;
    while (pa_stream_readable_size(stream) > 0 && pa_stream_peek(stream, &data, &bytes) >= 0 && bytes > 0) {
        const size_t frames = bytes / kFrameBytes;
        capture.scratch.assign(frames * kCaptureChannels, 0.0f);
        if (data != nullptr) memcpy(capture.scratch.data(), data, frames * kFrameBytes);
        LiveRing* ring = capture.ring.load(std::memory_order_acquire);
        if (ring != nullptr) pushLive(*ring, capture.scratch.data(), (int)frames);
        pa_stream_drop(stream);
    }
}

void reportFirst(SoundCapture& capture, int outcome, const std::string& error) {
    std::lock_guard<std::mutex> lock(capture.mutex);
    if (capture.firstOutcome != 0) return;
    capture.firstOutcome = outcome;
    capture.firstError = error;
    capture.changed.notify_all();
}

// One connection: from connecting to the server until it goes away or the capture stops.
void runConnection(SoundCapture& capture) {
    capture.attempts.fetch_add(1);
    pa_mainloop* loop = pa_mainloop_new();
    std::string error;
    pa_context* context = connectContext(loop, &capture.stop, error);
    pa_stream* stream = nullptr;
    if (context != nullptr) {
        const pa_sample_spec sampleFormat = {PA_SAMPLE_FLOAT32NE, (uint32_t)kCaptureRate, (uint8_t)kCaptureChannels};
        pa_buffer_attr attributes;
        attributes.maxlength = (uint32_t)-1;
        attributes.tlength = attributes.prebuf = attributes.minreq = (uint32_t)-1;
        attributes.fragsize = (uint32_t)pa_usec_to_bytes((pa_usec_t)(kCaptureFragmentSeconds * 1e6), &sampleFormat);
        stream = pa_stream_new(context, kStreamName, &sampleFormat, nullptr);
        const char* device = capture.source.empty() ? kDefaultMonitor : capture.source.c_str();
        const pa_stream_flags_t flags = PA_STREAM_ADJUST_LATENCY;  // Fragments of the size asked for
        if (stream != nullptr) {
            pa_stream_set_read_callback(stream, onReadable, &capture);
            if (pa_stream_connect_record(stream, device, &attributes, flags) < 0) {
                error = pa_strerror(pa_context_errno(context));
            }
        }
        const Clock::time_point start = Clock::now();
        while (stream != nullptr && !capture.stop.load()) {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            if (state == PA_STREAM_READY) break;
            if (!PA_STREAM_IS_GOOD(state) || secondsSince(start) > kCaptureConnectWait || !stepLoop(loop)) {
                const int code = pa_context_errno(context);
                error = capture.source.empty() ? "the default output's monitor cannot be heard"
                                               : "no source named '" + capture.source + "' can be heard";
                if (code != 0) error += std::string(" (") + pa_strerror(code) + ")";
                break;
            }
        }
        if (stream != nullptr && pa_stream_get_state(stream) == PA_STREAM_READY) {
            capture.connections.fetch_add(1);
            capture.connected.store(true);
            reportFirst(capture, 1, "");
            while (!capture.stop.load() && PA_STREAM_IS_GOOD(pa_stream_get_state(stream)) &&
                   PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) && stepLoop(loop)) {
            }
            capture.connected.store(false);
        }
    }
    if (stream != nullptr) {
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
    }
    if (context != nullptr) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    reportFirst(capture, -1, error);
}

void captureThread(SoundCapture* capture) {
    runConnection(*capture);
    {
        std::lock_guard<std::mutex> lock(capture->mutex);
        if (capture->firstOutcome != 1) return;  // Refused at the start: the caller says why
    }
    while (!capture->stop.load()) {
        std::unique_lock<std::mutex> lock(capture->mutex);
        capture->changed.wait_for(lock, std::chrono::duration<double>(kCaptureRetrySeconds),
                                  [capture] { return capture->stop.load(); });
        lock.unlock();
        if (!capture->stop.load()) runConnection(*capture);
    }
}

}  // namespace

bool listCaptureSources(std::vector<CaptureSourceInfo>& sources, std::string& error) {
    sources.clear();
    pa_mainloop* loop = pa_mainloop_new();
    pa_context* context = connectContext(loop, nullptr, error);
    if (context == nullptr) {
        pa_mainloop_free(loop);
        return false;
    }
    Listing listing;
    listing.sources = &sources;
    pa_operation_unref(pa_context_get_server_info(context, onServerInfo, &listing));
    pa_operation_unref(pa_context_get_source_info_list(context, onSourceInfo, &listing));
    const bool answered = runUntil(loop, context, listing.haveServer) && runUntil(loop, context, listing.haveSources);
    if (!answered) error = "the sound server did not list its sources";
    for (size_t i = 0; i < sources.size(); ++i) {
        sources[i].listenDefault = !listing.defaultSink.empty() && listing.monitorOf[i] == listing.defaultSink;
    }
    pa_context_disconnect(context);
    pa_context_unref(context);
    pa_mainloop_free(loop);
    return answered;
}

SoundCapture* startSoundCapture(const std::string& source, std::string& error) {
    SoundCapture* capture = new SoundCapture;
    capture->source = source;
    capture->thread = std::thread(captureThread, capture);
    std::unique_lock<std::mutex> lock(capture->mutex);
    capture->changed.wait(lock, [capture] { return capture->firstOutcome != 0; });
    const bool started = capture->firstOutcome == 1;
    error = capture->firstError;
    lock.unlock();
    if (!started) {
        capture->thread.join();
        delete capture;
        return nullptr;
    }
    return capture;
}

bool attachCaptureRing(SoundCapture* capture, LiveRing* ring) {
    if (capture == nullptr || ring == nullptr || ring->channels != kCaptureChannels || ring->capacity < 1) return false;
    capture->ring.store(ring, std::memory_order_release);
    return true;
}

CaptureStatus captureStatus(const SoundCapture* capture) {
    CaptureStatus status;
    if (capture == nullptr) return status;
    status.connected = capture->connected.load();
    status.connections = capture->connections.load();
    status.attempts = capture->attempts.load();
    return status;
}

void stopSoundCapture(SoundCapture* capture) {
    if (capture == nullptr) return;
    {
        std::lock_guard<std::mutex> lock(capture->mutex);
        capture->stop.store(true);
        capture->changed.notify_all();
    }
    capture->thread.join();
    delete capture;
}
