// A music video: the visualizer to files of the user's own, on the capture's virtual clock, into
// PNG files and/or a video with the files' own sound. The files play in order and the closing
// screen follows the last one, as in the window; the tempo comes from the visualizer's ahead pass.
// Before each frame the tool waits until the file's decoder has decoded all it may, so that the
// same files always give the same video, whatever the machine's speed.
#pragma once

#include <string>
#include <vector>

#include "frontends/capture/options.h"

// The sound track of a music video at one rate and in stereo: each video frame's share of the
// source playing then, from where the visualizer says it is playing, or silence.
struct VideoSound {
    int sampleRate = 0;        // Of the video's sound: the first file's (AAC takes 8 to 96 kHz)
    long long written = 0;     // Frames of sound so far
    const void* source = nullptr;  // The source the cursor follows
    double cursor = 0.0;       // Its next frame, in its own frames (fractional when it is resampled)
    std::vector<float> scratch;
};

// The video's sound rate for a first file at `rate`: its own when AAC can hold it, else 48 kHz.
int videoSoundRate(int rate);

// Stereo from `channels` interleaved channels: mono on both sides, the first two of more.
void toStereo(const float* in, int frames, int channels, float* out);

// `frames` stereo frames of sound at `outRate` from interleaved frames read at `cursor` of a
// source at `inRate` (read(first, count, out) gives them, silence outside the source); the
// cursor moves on. Equal rates copy; others interpolate linearly.
template <class Read>
void resampleStereo(Read read, int channels, int inRate, int outRate, double& cursor, int frames,
                    std::vector<float>& scratch, float* out);

// The whole capture of --track mode: PNG files and/or a video. False with a one-line error.
bool captureTracks(const CaptureOptions& options, const std::string& ffmpeg, std::string& error);

template <class Read>
void resampleStereo(Read read, int channels, int inRate, int outRate, double& cursor, int frames,
                    std::vector<float>& scratch, float* out) {
    channels = channels > 0 ? channels : 1;
    if (inRate == outRate) {
        scratch.resize((size_t)frames * (size_t)channels);
        read((long long)cursor, frames, scratch.data());
        toStereo(scratch.data(), frames, channels, out);
        cursor += frames;
        return;
    }
    const double step = (double)inRate / (double)outRate;
    const long long first = (long long)cursor;
    const int span = (int)(cursor + step * frames - (double)first) + 2;  // Every frame the last one leans on
    scratch.resize((size_t)span * (size_t)(channels + 2));  // The frames read, then in stereo
    float* raw = scratch.data();
    float* stereo = scratch.data() + (size_t)span * (size_t)channels;
    read(first, span, raw);
    toStereo(raw, span, channels, stereo);
    for (int i = 0; i < frames; ++i) {
        const double at = cursor + step * i - (double)first;
        const int k = (int)at;
        const float t = (float)(at - k);
        for (int c = 0; c < 2; ++c) {
            out[i * 2 + c] = stereo[k * 2 + c] + (stereo[(k + 1) * 2 + c] - stereo[k * 2 + c]) * t;
        }
    }
    cursor += step * frames;
}
