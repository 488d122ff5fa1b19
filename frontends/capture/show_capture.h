// The show on a virtual clock: the frame loop runs on this Platform exactly as it runs on the
// window, but the clock advances one frame at a time, the keys come from a script, the music is
// analysed from its decoded copy at the play position the live show would have (no audio device),
// the master volume is recorded per frame for the soundtrack, and each frame is drawn into an
// off-screen texture of the capture's size and read back (needs an open, hidden, window), or with
// the CPU renderer made in memory (needs no window).
#pragma once

#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "audio/track_on_clock.h"
#include "framebuffer/cell_pixels.h"
#include "framebuffer/font_loading.h"
#include "raylib.h"  // Required for: RenderTexture2D
#include "frontends/capture/audio_mix.h"
#include "frontends/capture/options.h"
#include "frontends/capture/show_schedule.h"
#include "frontends/capture/video_writer.h"

struct ShowCapture {
    int fps = kShowTargetFps;
    int width = kShowWindowWidth;
    int height = kShowWindowHeight;
    std::string musicPath;
    long long frame = 0;               // The frame being run
    KeyScript keys;

    TrackClock music;                  // The show's track on the capture's clock
    float* mixSamples = nullptr;       // A copy for the soundtrack; the show's track has its own
    DecodedSamples mix;                  // What mixSamples holds
    float volume = 1.0f;               // The master volume last set
    std::vector<float> frameGains;     // Per frame run: the volume the music played at, 0 when none

    Renderer renderer = Renderer::Gl;
    RenderTexture2D canvas = {};       // Gl: what the window shows, at width x height
    GlyphFont cpuFont;                 // Cpu: the glyph atlas every framebuffer draws with
    bool capturing = false;            // This frame is read back
    bool redrawPending = true;         // Frames that were not captured skipped their redraw
    std::vector<unsigned char> pixels; // Gl: the last frame read back: RGBA, top row first
    PixelFrame picture;                // Cpu: the last frame made, the same layout
    double sourceStart = 0.0;          // A music video: the clock time its file began
};

// The last captured frame's RGBA pixels, top row first, from either renderer.
const unsigned char* capturedPixels(const ShowCapture& cap);

// Makes the canvas (Gl) or loads the glyph atlas (Cpu); the music is loaded by the show itself.
void openShowCapture(ShowCapture& cap, const CaptureOptions& options);
void closeShowCapture(ShowCapture& cap);

// The frame loop's platform on this capture.
Platform capturePlatform(ShowCapture& cap);

// Runs frame cap.frame of the show at its virtual time; with capture set, cap.pixels holds what
// the window shows. Then moves on to the next frame.
void runCapturedFrame(ShowCapture& cap, Show& show, const Platform& platform, bool capture);

// The decoded track the soundtrack is mixed from (empty when the show is silent).
DecodedSamples captureTrack(const ShowCapture& cap);

// Hands a captured frame to the outputs asked for: a PNG in the frame folder (never replacing one
// that appeared there since the capture began), and the video.
bool writeCapturedFrame(const CaptureOptions& o, VideoWriter& video, long long frame, const unsigned char* pixels,
                        std::string& error);

// The whole capture of show mode: PNG files and/or a video. False with a one-line error.
bool captureShow(const CaptureOptions& options, const std::string& ffmpeg, std::string& error);
