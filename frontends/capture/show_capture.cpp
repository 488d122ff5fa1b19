#include "frontends/capture/show_capture.h"

#include <cstdio>   // Required for: snprintf()
#include <cstdlib>  // Required for: malloc(), free()
#include <cstring>  // Required for: memcpy()
#include <filesystem>

#include "framebuffer/font_redraw.h"  // Required for: redraw()
#include "app/pixel_presentation.h"   // Required for: presentationPixels()
#include "app/raylib_platform.h"      // Required for: drawPresentation()
#include "frontends/capture/image_files.h"
#include "frontends/capture/output_check.h"
#include "frontends/capture/output_files.h"
#include "frontends/capture/progress.h"
#include "frontends/capture/stop_signals.h"
#include "frontends/capture/video_writer.h"

namespace {

// A silent show still gets a sound track in its video, of silence
constexpr int kSilentRate = 48000;
constexpr int kSilentChannels = 2;

ShowCapture& self(void* user) { return *static_cast<ShowCapture*>(user); }

float virtualClock(void* user) { return frameTime(self(user).frame, self(user).fps); }

unsigned scriptedKeys(void* user) {
    ShowCapture& cap = self(user);
    return keysDue(cap.keys, (double)cap.frame / (double)cap.fps);
}

// The picture keeps the capture's size whatever the viewer would do with the window.
void ignoreFullscreen(void*) {}

void recordVolume(void* user, float volume) { self(user).volume = volume; }

std::unique_ptr<AsciiFramebuffer> captureFramebuffer(void* user, int zoom, bool colorBoost) {
    ShowCapture& cap = self(user);
    if (cap.renderer == Renderer::Cpu) return makeFramebuffer(zoom, colorBoost, cap.cpuFont);
    return makeFramebuffer(zoom, colorBoost, FramebufferBacking::Gpu);
}

// The decoded copy only: no stream, so no audio device. The show asks for its own path; the
// capture's --music stands in for it. The first load keeps a copy for the soundtrack.
bool loadDecodedTrack(void* user, MusicTrack& track, const char*) {
    ShowCapture& cap = self(user);
    const double now = (double)cap.frame / (double)cap.fps;
    if (!loadOnClock(cap.music, track, cap.musicPath.c_str(), now)) return false;
    if (cap.mixSamples == nullptr) {
        const size_t values = (size_t)track.frameCount * (size_t)track.channels;
        cap.mixSamples = static_cast<float*>(malloc(values * sizeof(float)));
        if (cap.mixSamples == nullptr) return false;
        memcpy(cap.mixSamples, track.samples, values * sizeof(float));
        cap.mix = DecodedSamples{cap.mixSamples, track.frameCount, track.channels, track.sampleRate};
    }
    return true;
}

// The live track starts with the show and starts again at its end.
AudioFeatures analyseAtPlayPosition(void* user, MusicTrack& track) {
    ShowCapture& cap = self(user);
    return analyseOnClock(cap.music, track, (double)cap.frame / (double)cap.fps);
}

void unloadTrack(void* user, MusicTrack& track) { unloadOnClock(self(user).music, track); }

// Frames that are not captured skip the redraw; the first one captured after them redraws all.
void redrawWhenCaptured(void* user, AsciiFramebuffer& fb, bool force) {
    ShowCapture& cap = self(user);
    if (!cap.capturing) {
        cap.redrawPending = true;
        return;
    }
    redraw(fb, force || cap.redrawPending);
    cap.redrawPending = false;
}

// The window platform's calls, into the canvas instead of the window.
void presentToCanvas(void* user, const AsciiFramebuffer& fb, const Presentation& how) {
    ShowCapture& cap = self(user);
    if (!cap.capturing) return;
    const int w = cap.width;
    const int h = cap.height;
    if (cap.renderer == Renderer::Cpu) {
        presentationPixels(fb, w, h, how, cap.picture);
        return;
    }
    BeginTextureMode(cap.canvas);
    drawPresentation(fb, w, h, how);
    readBoundTexture(w, h, cap.pixels);
    EndTextureMode();
}

std::string framePath(const std::string& dir, long long frame) {
    return (std::filesystem::path(dir) / frameName(frame)).string();
}

// The captured range's sound, a second of frames at a time.
struct SoundCursor {
    DecodedSamples track;
    const std::vector<float>* frameGains;
    int fps;
    long long frame;  // The next video frame whose sound is wanted
    long long end;
};

bool nextSecondOfSound(void* user, std::vector<float>& samples) {
    SoundCursor& sound = *static_cast<SoundCursor*>(user);
    if (sound.frame >= sound.end) return false;
    const long long frames = sound.end - sound.frame < sound.fps ? sound.end - sound.frame : sound.fps;
    samples = mixShowAudio(sound.track, *sound.frameGains, sound.fps, sound.frame, frames);
    sound.frame += frames;
    return true;
}

std::string secondsText(double seconds) {
    char text[32];
    snprintf(text, sizeof(text), "%.2f s", seconds);
    return text;
}

}  // namespace

bool writeCapturedFrame(const CaptureOptions& o, VideoWriter& video, long long frame, const unsigned char* pixels,
                        std::string& error) {
    // The folder held no frames when the capture started: a frame file found in place now was put
    // there by something else, and is not replaced
    if (!o.pngDir.empty() && !writePng(framePath(o.pngDir, frame), pixels, o.width, o.height, false, error)) {
        return false;
    }
    return o.videoPath.empty() || writeVideoFrame(video, pixels, error);
}

void openShowCapture(ShowCapture& cap, const CaptureOptions& options) {
    cap.fps = options.fps;
    cap.width = options.width;
    cap.height = options.height;
    cap.musicPath = options.musicPath;
    cap.keys = makeKeyScript(options.keys);
    cap.renderer = options.renderer;
    if (cap.renderer == Renderer::Cpu) cap.cpuFont = loadGlyphFontOnCpu(kGridCellHeight);
    else cap.canvas = LoadRenderTexture(cap.width, cap.height);
}

void closeShowCapture(ShowCapture& cap) {
    if (cap.renderer == Renderer::Cpu) releaseGlyphFont(cap.cpuFont);
    else UnloadRenderTexture(cap.canvas);
    cap.canvas = RenderTexture2D{};
    free(cap.mixSamples);
    cap.mixSamples = nullptr;
    cap.mix = DecodedSamples{};
}

const unsigned char* capturedPixels(const ShowCapture& cap) {
    if (cap.renderer == Renderer::Cpu) return reinterpret_cast<const unsigned char*>(cap.picture.pixels.data());
    return cap.pixels.data();
}

Platform capturePlatform(ShowCapture& cap) {
    return Platform{&cap,       virtualClock,     scriptedKeys,       ignoreFullscreen, recordVolume, captureFramebuffer,
                    loadDecodedTrack, analyseAtPlayPosition, unloadTrack, redrawWhenCaptured, presentToCanvas};
}

void runCapturedFrame(ShowCapture& cap, Show& show, const Platform& platform, bool capture) {
    cap.capturing = capture;
    runFrame(show, platform);
    cap.frameGains.push_back(cap.music.playing ? cap.volume : 0.0f);
    ++cap.frame;
}

DecodedSamples captureTrack(const ShowCapture& cap) {
    if (cap.mixSamples == nullptr) return DecodedSamples{nullptr, 0, kSilentChannels, kSilentRate};
    return cap.mix;
}

bool captureShow(const CaptureOptions& o, const std::string& ffmpeg, std::string& error) {
    const long long first = firstFrameAt(o.from, o.fps);
    const bool toEnd = o.to < 0.0;
    const long long end = toEnd ? showFrameCount(o.fps, o.keys) : firstFrameAt(o.to, o.fps);
    if (first >= end) {
        error = toEnd ? "nothing to capture: the show ends at " + secondsText((double)end / o.fps) + ", before --from"
                      : "nothing to capture: no frame falls between --from and --to at " + std::to_string(o.fps) +
                            " frames a second";
        return false;
    }

    VideoWriter video;
    if (!o.videoPath.empty() &&
        !openVideo(video, ffmpeg, o.videoPath, o.overwrite, o.width, o.height, o.fps, error)) {
        return false;
    }
    if (!prepareFrameFolder(o, error)) {  // Last: old frames go only when everything else is ready
        if (!o.videoPath.empty()) abandonVideo(video);
        return false;
    }

    ShowCapture cap;
    openShowCapture(cap, o);
    const Platform platform = capturePlatform(cap);
    Show show;
    startShow(show, platform);
    if (cap.mixSamples == nullptr) {
        fprintf(stderr, "davur_evi_capture: no music at %s: the show runs silent\n", o.musicPath.c_str());
    }

    // To the end of the show the timeline decides when to stop; the count is for the progress line
    const long long limit = toEnd ? firstFrameAt(kMaxShowSeconds, o.fps) : end;
    ProgressMeter progress = startProgress(end, o.fps);
    bool ok = true;
    while (ok && cap.frame < limit) {
        if (stopSignal() != 0) {
            error = stopMessage(stopSignal());
            ok = false;
            break;
        }
        const long long frame = cap.frame;
        const bool capture = frame >= first;
        if (frame == first) markCaptureStart(progress);
        runCapturedFrame(cap, show, platform, capture);
        if (capture) ok = writeCapturedFrame(o, video, frame, capturedPixels(cap), error);
        showProgress(progress, cap.frame);
        if (toEnd && show.mode == ShowMode::Finished) break;
    }
    if (ok) finishProgress(progress, cap.frame - first);
    else abandonProgress(progress);

    if (ok && !o.videoPath.empty()) {
        SoundCursor sound{captureTrack(cap), &cap.frameGains, o.fps, first, cap.frame};
        ok = finishVideo(video, sound.track.sampleRate, sound.track.channels, nextSecondOfSound, &sound, error);
    } else if (!o.videoPath.empty()) {
        abandonVideo(video);
    }

    stopShow(show, platform);  // The render texture goes while the window exists
    closeShowCapture(cap);
    return ok;
}
