#include "frontends/capture/audio_mix.h"

#include <cstddef>  // Required for: size_t

long long audioFrameOf(long long frame, int fps, int sampleRate) { return frame * sampleRate / fps; }

std::vector<float> mixShowAudio(const DecodedSamples& track, const std::vector<float>& frameGains, int fps,
                                long long firstFrame, long long frames) {
    const long long begin = audioFrameOf(firstFrame, fps, track.sampleRate);
    const long long end = audioFrameOf(firstFrame + frames, fps, track.sampleRate);
    const int channels = track.channels;
    std::vector<float> out((size_t)(end - begin) * (size_t)channels, 0.0f);
    if (track.samples == nullptr || track.frameCount < 1 || frameGains.empty()) return out;

    for (long long s = begin; s < end; ++s) {
        // The volume set in a frame holds until the next frame sets its own, as SetMasterVolume does:
        // the last frame whose first audio frame is at or before s.
        long long frame = ((s + 1) * fps + track.sampleRate - 1) / track.sampleRate - 1;
        if (frame >= (long long)frameGains.size()) frame = (long long)frameGains.size() - 1;
        const float gain = frameGains[(size_t)frame];
        if (gain == 0.0f) continue;
        const float* in = track.samples + (size_t)(s % track.frameCount) * (size_t)channels;
        float* o = out.data() + (size_t)(s - begin) * (size_t)channels;
        for (int c = 0; c < channels; ++c) o[c] = in[c] * gain;
    }
    return out;
}
