#include "audio/file_stream.h"

#include <algorithm>           // Required for: std::copy()
#include <atomic>              // Required for: std::atomic
#include <chrono>              // Required for: std::chrono::milliseconds
#include <condition_variable>  // Required for: std::condition_variable
#include <mutex>               // Required for: std::mutex, std::unique_lock
#include <thread>              // Required for: std::thread
#include <vector>

#include "audio/analysis.h"    // Required for: windowFrames()
#include "audio/sound_file.h"  // Required for: openSoundFile(), readSoundFile()

namespace {

constexpr int kDecodeBlock = 4096;      // Frames the worker decodes at a time
constexpr double kAheadSeconds = 10.0;  // Decoded ahead of the oldest frame still needed
constexpr auto kWorkerNap = std::chrono::milliseconds(20);

long long powerOfTwoAtLeast(long long n) {
    long long p = 1;
    while (p < n) p <<= 1;
    return p;
}

}  // namespace

struct FileStream {
    SoundFile file;
    std::vector<float> ring;
    long long capacity = 0;
    std::atomic<long long> decoded{0};
    std::atomic<long long> floor{0};
    std::atomic<bool> finished{false};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable wake;
    std::thread worker;
};

namespace {

void decodeAhead(FileStream& stream) {
    const int channels = stream.file.channels;
    std::vector<float> block((size_t)kDecodeBlock * channels);
    while (!stream.stop.load(std::memory_order_acquire)) {
        const long long decoded = stream.decoded.load(std::memory_order_relaxed);
        const long long room = stream.capacity - (decoded - stream.floor.load(std::memory_order_acquire));
        if (room < kDecodeBlock) {
            std::unique_lock<std::mutex> lock(stream.mutex);
            stream.wake.wait_for(lock, kWorkerNap);
            continue;
        }
        const int got = readSoundFile(stream.file, block.data(), kDecodeBlock);
        if (got < 1) break;
        for (int f = 0; f < got; ++f) {
            const long long slot = ((decoded + f) & (stream.capacity - 1)) * channels;
            std::copy(&block[(size_t)f * channels], &block[(size_t)(f + 1) * channels], &stream.ring[(size_t)slot]);
        }
        stream.decoded.store(decoded + got, std::memory_order_release);
    }
    stream.finished.store(true, std::memory_order_release);
}

}  // namespace

FileStream* openFileStream(const char* path, FileFormat& format, std::string& reason) {
    auto* stream = new FileStream;
    if (!openSoundFile(stream->file, path, reason)) {
        delete stream;
        return nullptr;
    }
    const SoundFile& file = stream->file;
    format = FileFormat{file.sampleRate, file.channels, file.declaredFrames, file.title};
    stream->capacity = powerOfTwoAtLeast((long long)(kAheadSeconds * file.sampleRate) + windowFrames(file.sampleRate));
    stream->ring.assign((size_t)(stream->capacity * file.channels), 0.0f);
    stream->worker = std::thread(decodeAhead, std::ref(*stream));
    return stream;
}

void closeFileStream(FileStream* stream) {
    if (stream == nullptr) return;
    stream->stop.store(true, std::memory_order_release);
    stream->wake.notify_one();
    if (stream->worker.joinable()) stream->worker.join();
    closeSoundFile(stream->file);
    delete stream;
}

long long framesDecoded(const FileStream& stream) { return stream.decoded.load(std::memory_order_acquire); }

bool decodingFinished(const FileStream& stream, bool& damaged) {
    if (!stream.finished.load(std::memory_order_acquire)) return false;
    damaged = stream.file.damaged;  // Written by the worker before `finished`
    return true;
}

const float* heldFrame(const FileStream& stream, long long frame, long long decoded) {
    if (frame < 0 || frame >= decoded || frame < stream.floor.load(std::memory_order_relaxed) ||
        frame < decoded - stream.capacity) {
        return nullptr;
    }
    return &stream.ring[(size_t)((frame & (stream.capacity - 1)) * stream.file.channels)];
}

void releaseFramesBefore(FileStream& stream, long long frame) {
    if (frame <= stream.floor.load(std::memory_order_relaxed)) return;
    stream.floor.store(frame, std::memory_order_release);
    stream.wake.notify_one();
}

long long ringFrames(const FileStream& stream) { return stream.capacity; }

bool decodingSettled(const FileStream& stream) {
    if (stream.finished.load(std::memory_order_acquire)) return true;
    const long long decoded = stream.decoded.load(std::memory_order_acquire);
    return stream.capacity - (decoded - stream.floor.load(std::memory_order_acquire)) < kDecodeBlock;
}
