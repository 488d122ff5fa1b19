// davur_evi_capture: frame-exact capture of the show.
//
// Runs the show's own frame loop on a virtual clock at a fixed frame rate, with scripted keys and
// the soundtrack analysed from its decoded copy, and writes every frame as the window would show
// it: to PNG files, or through ffmpeg to an H.264 video with the soundtrack muxed in sync. Or one
// scene at one moment, to its render texture as a PNG and its cells as text. Or a music video: the
// visualizer to the user's own files, with their sound. See --help.
//
// It draws through OpenGL in a hidden window (without a display, scripts/capture.sh runs it under
// a private Xvfb), or with --renderer cpu in memory, with no window at all.
#include <cstdio>
#if defined(__GLIBC__)
#include <malloc.h>  // Required for: mallopt()
#endif
#include <cstdlib>  // Required for: getenv()
#include <string>

#include "app/data_path.h"
#include "app/version.h"
#include "raylib.h"
#include "frontends/capture/options.h"
#include "frontends/capture/output_check.h"
#include "frontends/capture/process.h"
#include "frontends/capture/scene_capture.h"
#include "frontends/capture/show_capture.h"
#include "frontends/capture/stop_signals.h"
#include "frontends/capture/track_capture.h"

namespace {

constexpr const char* kProgram = "davur_evi_capture";
constexpr int kWindowSide = 64;  // Hidden; everything is drawn into textures of their own size
constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr int kLargeAllocation = 256 * 1024 * 1024;  // Bytes

int fail(int status, const std::string& message) {
    fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return status;
}

bool hasDisplay() {
    const char* x = getenv("DISPLAY");
    const char* wayland = getenv("WAYLAND_DISPLAY");
    return (x != nullptr && x[0] != '\0') || (wayland != nullptr && wayland[0] != '\0');
}

// What can be checked before a window is opened: ffmpeg, the video's size, every file.
bool checkOutputs(const CaptureOptions& o, std::string& ffmpeg, std::string& error) {
    if (!o.videoPath.empty()) {
        ffmpeg = findProgram("ffmpeg");
        if (ffmpeg.empty()) {
            error = "--video needs ffmpeg, which is not installed (apt-get install ffmpeg)";
            return false;
        }
        if (o.width % 2 != 0 || o.height % 2 != 0) {
            error = "--video needs an even width and height for H.264, not " + std::to_string(o.width) + "x" +
                    std::to_string(o.height);
            return false;
        }
    }
    return checkFiles(o, error);
}

bool run(const CaptureOptions& o, const std::string& ffmpeg, std::string& error) {
    switch (o.mode) {
        case CaptureMode::Scene: return captureScene(o, error);
        case CaptureMode::Tracks: return captureTracks(o, ffmpeg, error);
        case CaptureMode::Show: break;
    }
    return captureShow(o, ffmpeg, error);
}

}  // namespace

int main(int argc, char** argv) {
    const ParseResult parsed = parseOptions(argc, argv);
    if (!parsed.ok) return fail(kUsageError, parsed.error);
    CaptureOptions options = parsed.options;
    if (options.help) {
        fputs(usageText(), stdout);
        return 0;
    }
    if (options.version) {
        printf("%s %s\n", kProgram, kVersion);
        return 0;
    }

    if (!options.musicGiven) options.musicPath = findDataFile(options.musicPath.c_str());  // As the show finds it

    installStopHandlers();
    std::string ffmpeg, error;
    if (!checkOutputs(options, ffmpeg, error)) return fail(kFailure, error);
    SetTraceLogLevel(LOG_NONE);
#if defined(__GLIBC__)
    // The CPU renderer's images (up to 46 MB at the finest grid) come and go with the grid size:
    // kept in the heap, a new one reuses the old one's pages instead of faulting in fresh ones.
    mallopt(M_MMAP_THRESHOLD, kLargeAllocation);
    mallopt(M_TRIM_THRESHOLD, kLargeAllocation);
#endif
    const bool window = options.renderer == Renderer::Gl;  // The CPU draws in memory: no window
    if (window && !hasDisplay()) {
        return fail(kFailure, "no display to draw in: run it under scripts/capture.sh, which starts a private Xvfb, "
                              "or use --renderer cpu");
    }

    // Initialization: a hidden window for its OpenGL context; no audio device
    //--------------------------------------------------------------------------------------
    if (window) {
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(kWindowSide, kWindowSide, kProgram);
        installStopHandlers();  // Again, in case the window's library took them after all
        if (!IsWindowReady()) {
            const char* display = getenv("DISPLAY");
            return fail(kFailure, std::string("could not open a window on display ") + (display ? display : "?") +
                                      ": run it under scripts/capture.sh, which starts a private Xvfb, or use "
                                      "--renderer cpu");
        }
    }

    const bool ok = run(options, ffmpeg, error);

    // De-Initialization
    //--------------------------------------------------------------------------------------
    if (window) CloseWindow();
    if (stopSignal() != 0) return fail(stopStatus(stopSignal()), stopMessage(stopSignal()));
    return ok ? 0 : fail(kFailure, error);
}
