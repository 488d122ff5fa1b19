// Command line of davur_evi_capture: what to capture (the show, a time range of it, or one scene)
// and where to write it. Parsing is plain code that never exits or prints, so it can be tested.
#pragma once

#include <string>
#include <vector>

#include "app/frame_loop.h"  // Required for: kShowWindowWidth, kShowWindowHeight, kShowTargetFps
#include "audio/audio_features.h"

// Limits that keep every run finite and every picture within what a GPU texture can hold.
constexpr int kMinFps = 1;
constexpr int kMaxFps = 240;
constexpr int kMinSide = 16;
constexpr int kMaxWidth = 7680;
constexpr int kMaxHeight = 4320;
constexpr double kMaxShowSeconds = 86400.0;  // A --to beyond the show keeps capturing black frames
constexpr double kMaxSceneSeconds = 3600.0;

// The show; one scene at one moment; or a music video: the visualizer to files of the user's own.
enum class CaptureMode { Show, Scene, Tracks };

// Who draws the cells: OpenGL in a hidden window, or the CPU with no window at all.
enum class Renderer { Gl, Cpu };

// A key pressed by the script: the ShowKey bits it sets on the first frame at or after `time`.
struct ScriptedKey {
    double time;
    unsigned keys;
};

struct CaptureOptions {
    CaptureMode mode = CaptureMode::Show;
    bool help = false;
    bool version = false;
    bool overwrite = false;      // Existing outputs may be replaced (old frames removed first)
    int fps = kShowTargetFps;
    int width = kShowWindowWidth;  // Show: the window's size; scene: present into a window this size...
    int height = kShowWindowHeight;
    bool sizeGiven = false;      // ...only when given, otherwise the render texture as it is
    Renderer renderer = Renderer::Gl;
    bool rendererGiven = false;  // A music video draws on the CPU unless told otherwise

    // Show mode
    double from = 0.0;           // Seconds of show time
    double to = -1.0;            // Negative: to the end of the closing screen
    std::vector<ScriptedKey> keys;
    std::string pngDir;          // A PNG per frame
    std::string videoPath;       // H.264 and AAC through ffmpeg
    std::string musicPath = "assets/audio/output.ogg";  // As the show opens it: relative to here
    bool musicGiven = false;     // Named by --music: then it must be there

    // Music video mode (also --png, --video, --fps, --size)
    std::vector<std::string> trackPaths;  // Played in order, then the closing screen

    // Scene mode
    std::string sceneName;
    double sceneTime = 0.0;
    int gridCols = 120;
    int gridRows = 42;
    bool gridGiven = false;
    int zoom = 0;
    bool zoomGiven = false;
    float beatPos = 0.0f;
    bool beatPosGiven = false;
    AudioFeatures audio;         // Invalid and all zero unless --audio is given
    std::string pngPath;         // The render texture (or the window view with --size)
    std::string cellsPath;       // One line per cell
};

struct ParseResult {
    bool ok = false;
    std::string error;  // One line, when !ok
    CaptureOptions options;
};

// Reads argv[1..argc-1]. Never exits, never prints.
ParseResult parseOptions(int argc, const char* const* argv);

// The ShowKey bits of a key name (SPACE, F11, F3, V, B, [, ], -, = and their long names), or 0.
unsigned keyFromName(const std::string& name);

// The container of a --video file from its extension, as ffmpeg names it ("mp4", "mov",
// "matroska"), or null when it is none that holds H.264 and AAC.
const char* videoFormatOf(const std::string& path);

// The text --help prints.
const char* usageText();
