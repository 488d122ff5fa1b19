#include "frontends/capture/track_capture.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/outro.h"       // Required for: kOutroSeconds
#include "app/visualizer.h"
#include "audio/sound_source.h"
#include "frontends/capture/output_check.h"
#include "frontends/capture/progress.h"
#include "frontends/capture/show_capture.h"
#include "frontends/capture/stop_signals.h"
#include "frontends/capture/video_writer.h"

namespace {

constexpr int kSoundChannels = 2;
constexpr int kLowestAacRate = 8000;
constexpr int kHighestAacRate = 96000;
constexpr int kFallbackRate = 48000;
constexpr auto kDecodeDeadline = std::chrono::seconds(60);  // A worker that never settles: go on regardless
constexpr const char* kSoundName = "sound.f32";             // In the video's work folder until it is muxed

ShowCapture& self(void* user) { return *static_cast<ShowCapture*>(user); }

// What a frame reads of a file then depends on the frames read and released, never on the worker's speed.
void waitUntilSettled(const SoundSource& source) {
    const auto end = std::chrono::steady_clock::now() + kDecodeDeadline;
    while (!decodingSettled(source) && stopSignal() == 0 && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The visualizer's sound hooks: nothing is played, the music is where the virtual clock says.
bool playOnClock(void* user, SoundSource& source, double now) {
    waitUntilSettled(source);
    self(user).sourceStart = now;
    return true;
}

double playedOnClock(void* user, SoundSource& source, double now) {
    waitUntilSettled(source);
    const double played = now - self(user).sourceStart;
    return played > 0.0 ? played : 0.0;
}

// This video frame's sound: the source playing now from where the visualizer has it, or silence.
void frameSound(VideoSound& sound, Show& show, long long frame, int fps, std::vector<float>& pcm) {
    const long long end = (frame + 1) * sound.sampleRate / fps;
    const int frames = (int)(end - sound.written);
    pcm.assign((size_t)frames * kSoundChannels, 0.0f);
    sound.written = end;
    SoundSource* source = visualizerSource(show);
    if (source == nullptr || (source->kind != SourceKind::File && source->kind != SourceKind::Decoded)) {
        sound.source = nullptr;
        return;
    }
    if (source != sound.source) {  // A file begins: from the visualizer's position in it
        sound.source = source;
        sound.cursor = visualizerStatus(show).position * source->sampleRate;
    }
    auto read = [source](long long first, int count, float* out) { readFrames(*source, first, count, out); };
    resampleStereo(read, source->channels, source->sampleRate, sound.sampleRate, sound.cursor, frames, sound.scratch,
                   pcm.data());
}

// The frames the video will have, as far as it is known: the music left of the file playing and
// the closing screen, or what is left of the closing screen (files still to come add theirs when
// they begin).
long long expectedFrames(const Show& show, long long frame, int fps) {
    const VisualizerStatus status = visualizerStatus(show);
    const double now = (double)frame / fps;
    double left = 0.0;
    if (show.mode == ShowMode::Outro) {
        left = (double)show.timeline.outroStart + (double)kOutroSeconds - now;
    } else if (show.mode == ShowMode::Show) {
        left = (status.length > status.position ? status.length - status.position : 0.0) + (double)kOutroSeconds;
    }
    return frame + (long long)(left > 0.0 ? left * fps : 0.0);
}

// The sound written while capturing, handed to the muxer a second at a time.
struct SoundFile {
    FILE* file = nullptr;
    int sampleRate = 0;
};

bool nextSecond(void* user, std::vector<float>& samples) {
    SoundFile& sound = *static_cast<SoundFile*>(user);
    samples.resize((size_t)sound.sampleRate * kSoundChannels);
    const size_t got = fread(samples.data(), sizeof(float) * kSoundChannels, (size_t)sound.sampleRate, sound.file);
    samples.resize(got * kSoundChannels);
    return got > 0;
}

}  // namespace

int videoSoundRate(int rate) { return rate >= kLowestAacRate && rate <= kHighestAacRate ? rate : kFallbackRate; }

void toStereo(const float* in, int frames, int channels, float* out) {
    for (int i = 0; i < frames; ++i) {
        const float* f = in + (size_t)i * (size_t)channels;
        out[i * 2] = f[0];
        out[i * 2 + 1] = channels > 1 ? f[1] : f[0];
    }
}

bool captureTracks(const CaptureOptions& o, const std::string& ffmpeg, std::string& error) {
    VideoWriter video;
    if (!o.videoPath.empty() &&
        !openVideo(video, ffmpeg, o.videoPath, o.overwrite, o.width, o.height, o.fps, error)) {
        return false;
    }
    SoundFile sound;
    const std::string soundPath = video.workFolder + "/" + kSoundName;
    if (!o.videoPath.empty() && (sound.file = fopen(soundPath.c_str(), "w+b")) == nullptr) {
        abandonVideo(video);
        error = "could not write the sound beside the video in " + video.workFolder;
        return false;
    }
    auto giveUp = [&] {
        if (sound.file != nullptr) fclose(sound.file);
        sound.file = nullptr;
        if (!o.videoPath.empty()) abandonVideo(video);
    };
    if (!prepareFrameFolder(o, error)) {  // Last: old frames go only when everything else is ready
        giveUp();
        return false;
    }

    ShowCapture cap;
    openShowCapture(cap, o);
    Platform platform = capturePlatform(cap);
    platform.playSource = playOnClock;
    platform.updateSource = playedOnClock;
    Show show;
    bool ok = startVisualizerFiles(show, platform, o.trackPaths);
    if (!ok) error = "none of the files can be played (" + visualizerStatus(show).skipped + ")";
    VideoSound frameAudio;
    if (ok) {
        const SoundSource* first = visualizerSource(show);
        frameAudio.sampleRate = videoSoundRate(first != nullptr ? first->sampleRate : kFallbackRate);
        sound.sampleRate = frameAudio.sampleRate;
    }

    const long long limit = (long long)(kMaxShowSeconds * o.fps);
    ProgressMeter progress = startProgress(expectedFrames(show, 0, o.fps), o.fps);
    markCaptureStart(progress);
    std::string skipped;
    std::vector<float> pcm;
    while (ok && cap.frame < limit && show.mode != ShowMode::Finished) {
        if (stopSignal() != 0) {
            error = stopMessage(stopSignal());
            ok = false;
            break;
        }
        const long long frame = cap.frame;
        runCapturedFrame(cap, show, platform, true);
        ok = writeCapturedFrame(o, video, frame, capturedPixels(cap), error);
        if (ok && sound.file != nullptr) {
            frameSound(frameAudio, show, frame, o.fps, pcm);
            ok = fwrite(pcm.data(), sizeof(float), pcm.size(), sound.file) == pcm.size();
            if (!ok) error = "could not write the sound beside the video in " + video.workFolder;
        }
        const VisualizerStatus status = visualizerStatus(show);
        if (status.skipped != skipped) {  // A file that could not be played is said once, and left out
            skipped = status.skipped;
            abandonProgress(progress);
            fprintf(stderr, "davur_evi_capture: skipped %s\n", skipped.c_str());
        }
        progress.total = expectedFrames(show, cap.frame, o.fps);
        showProgress(progress, cap.frame);
    }
    if (ok && !visualizerStatus(show).anyFilePlayed) {
        ok = false;
        error = "none of the files could be played";
    }
    if (ok) finishProgress(progress, cap.frame);
    else abandonProgress(progress);

    if (ok && sound.file != nullptr) {
        rewind(sound.file);
        ok = finishVideo(video, sound.sampleRate, kSoundChannels, nextSecond, &sound, error);
        fclose(sound.file);
        sound.file = nullptr;
    } else {
        giveUp();
    }
    stopShow(show, platform);
    closeShowCapture(cap);
    return ok;
}
