#include "frontends/capture/options.h"

#include <cctype>   // Required for: toupper(), tolower()
#include <cmath>    // Required for: std::isfinite()
#include <cstdlib>  // Required for: strtod(), strtol()
#include <set>

#include "app/frame_loop.h"  // Required for: ShowKey
#include "scenes/scene.h"    // Required for: findScene(), sceneTable()

namespace {

constexpr int kMinZoom = -7, kMaxZoom = 7;
constexpr float kMaxBeatPos = 1.0e6f;
constexpr size_t kMaxNumberLength = 32;  // Longer digit strings are no number anyone means

struct KeyName {
    const char* name;
    unsigned key;
};

const KeyName kKeyNames[] = {
    {"SPACE", KeySkip},           {"F11", KeyFullscreen},          {"F3", KeyRedrawAll},
    {"V", KeyColorBoost},         {"[", KeyTempoDown},             {"LEFT_BRACKET", KeyTempoDown},
    {"]", KeyTempoUp},            {"RIGHT_BRACKET", KeyTempoUp},   {"B", KeyRestartBeats},
    {"-", KeySmallerCells},       {"MINUS", KeySmallerCells},      {"KP_SUBTRACT", KeySmallerCells},
    {"=", KeyLargerCells},        {"EQUAL", KeyLargerCells},       {"KP_ADD", KeyLargerCells},
};

// Options that only make sense in one of the two modes
const char* const kShowOnly[] = {"--from", "--to", "--key", "--video", "--music"};
// Options of the show that a music video has no use for
const char* const kNotForTracks[] = {"--from", "--to", "--key", "--music"};

struct VideoFormat {
    const char* extension;  // Lower case, with the dot
    const char* format;     // ffmpeg's muxer
};
const VideoFormat kVideoFormats[] = {{".mp4", "mp4"}, {".mov", "mov"}, {".mkv", "matroska"}};
const char* const kSceneOnly[] = {"--time", "--grid", "--zoom", "--beat-pos", "--audio", "--cells"};

std::string upper(std::string s) {
    for (char& c : s) c = (char)toupper((unsigned char)c);
    return s;
}

std::string lower(std::string s) {
    for (char& c : s) c = (char)tolower((unsigned char)c);
    return s;
}

// Every number on the command line: plain decimal, an optional minus and an optional fraction
// ("-7", "2.5", ".5"), nothing before or after it. No spaces, signs of plus, exponents, hex,
// infinities or NaN, which strtod alone would take.
bool parseDecimal(const std::string& text, double& out) {
    size_t i = text.size() > 0 && text[0] == '-' ? 1 : 0;
    size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') ++digits;
        else if (text[i] == '.' && !point) point = true;
        else return false;
    }
    if (digits == 0 || text.size() > kMaxNumberLength) return false;
    const double v = strtod(text.c_str(), nullptr);
    if (!std::isfinite(v)) return false;
    out = v;
    return true;
}

bool parseNumber(const std::string& text, double& out, double lo, double hi) {
    double v = 0.0;
    if (!parseDecimal(text, v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parseInt(const std::string& text, int& out, int lo, int hi) {
    double v = 0.0;
    if (text.find('.') != std::string::npos || !parseNumber(text, v, lo, hi)) return false;
    out = (int)v;
    return true;
}

// "WIDTHxHEIGHT"
bool parsePair(const std::string& text, int& a, int& b, int loA, int hiA, int loB, int hiB) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return false;
    return parseInt(text.substr(0, x), a, loA, hiA) && parseInt(text.substr(x + 1), b, loB, hiB);
}

std::string sceneNames() {
    const SceneTable table = sceneTable();
    std::string names;
    for (int i = 0; i < table.count; ++i) names += (i > 0 ? ", " : "") + std::string(table.rows[i].name);
    return names;
}

// "level=0.4,bass=0.8,...": a valid record; bands follow bass, mid and treble as the analysis
// averages them.
bool parseAudio(const std::string& text, AudioFeatures& audio, std::string& error) {
    audio = AudioFeatures{};
    audio.valid = true;
    std::set<std::string> seen;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t eq = item.find('=');
        double v = 0.0;
        if (eq == std::string::npos || !parseDecimal(item.substr(eq + 1), v)) {
            error = "--audio wants name=value pairs such as bass=0.8,beat=1, not '" + item + "'";
            return false;
        }
        const std::string name = item.substr(0, eq);
        if (v < 0.0 || v > 1.0) {
            error = "--audio " + name + " must be within 0..1";
            return false;
        }
        if (!seen.insert(name).second) {
            error = "--audio names " + name + " twice";
            return false;
        }
        if (name == "level") audio.level = (float)v;
        else if (name == "bass") audio.bass = (float)v;
        else if (name == "mid") audio.mid = (float)v;
        else if (name == "treble") audio.treble = (float)v;
        else if (name == "beat") audio.beat = (float)v;
        else {
            error = "--audio knows level, bass, mid, treble and beat, not '" + name + "'";
            return false;
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    for (int b = 0; b < 8; ++b) audio.bands[b] = b < 2 ? audio.bass : (b < 5 ? audio.mid : audio.treble);
    return true;
}

// "12.5:SPACE"
bool parseKey(const std::string& text, ScriptedKey& key, std::string& error) {
    const size_t colon = text.find(':');
    double t = 0.0;
    if (colon == std::string::npos || !parseNumber(text.substr(0, colon), t, 0.0, kMaxShowSeconds)) {
        error = "--key wants SECONDS:KEY, such as 12.5:SPACE, not '" + text + "'";
        return false;
    }
    const std::string name = text.substr(colon + 1);
    key.time = t;
    key.keys = keyFromName(name);
    if (key.keys == 0) {
        error = "--key knows SPACE, F11, F3, V, B, [, ], - and =, not '" + name + "'";
        return false;
    }
    return true;
}

// Reads one option and its value into the options; false with an error on a bad value.
bool applyOption(const std::string& name, const std::string& value, CaptureOptions& o, std::string& error) {
    double v = 0.0;
    if (name == "--fps") {
        if (!parseInt(value, o.fps, kMinFps, kMaxFps)) {
            error = "--fps must be a whole number within 1..240, not '" + value + "'";
            return false;
        }
    } else if (name == "--size") {
        if (!parsePair(value, o.width, o.height, kMinSide, kMaxWidth, kMinSide, kMaxHeight)) {
            error = "--size wants WIDTHxHEIGHT within 16x16..7680x4320, not '" + value + "'";
            return false;
        }
        o.sizeGiven = true;
    } else if (name == "--renderer") {
        if (value != "gl" && value != "cpu") {
            error = "--renderer is gl or cpu, not '" + value + "'";
            return false;
        }
        o.renderer = value == "cpu" ? Renderer::Cpu : Renderer::Gl;
        o.rendererGiven = true;
    } else if (name == "--track") {
        if (value.empty()) {
            error = "--track needs a file name";
            return false;
        }
        o.mode = CaptureMode::Tracks;
        o.trackPaths.push_back(value);
    } else if (name == "--from" || name == "--to") {
        if (!parseNumber(value, v, 0.0, kMaxShowSeconds)) {
            error = name + " wants seconds within 0..86400, not '" + value + "'";
            return false;
        }
        (name == "--from" ? o.from : o.to) = v;
    } else if (name == "--key") {
        ScriptedKey key;
        if (!parseKey(value, key, error)) return false;
        o.keys.push_back(key);
    } else if (name == "--png") {
        o.pngDir = value;
        o.pngPath = value;
    } else if (name == "--video") {
        if (videoFormatOf(value) == nullptr) {
            error = "--video wants a .mp4, .mov or .mkv file, not '" + value + "'";
            return false;
        }
        o.videoPath = value;
    } else if (name == "--music") {
        if (value.empty()) {
            error = "--music needs a file name";
            return false;
        }
        o.musicPath = value;
        o.musicGiven = true;
    } else if (name == "--scene") {
        if (findScene(value.c_str()) == nullptr) {
            error = "no scene named '" + value + "'; the scenes are " + sceneNames();
            return false;
        }
        o.mode = CaptureMode::Scene;
        o.sceneName = value;
    } else if (name == "--time") {
        if (!parseNumber(value, v, 0.0, kMaxSceneSeconds)) {
            error = "--time wants seconds of scene time within 0..3600, not '" + value + "'";
            return false;
        }
        o.sceneTime = v;
    } else if (name == "--grid") {
        if (!parsePair(value, o.gridCols, o.gridRows, kMinGridCols, kMaxGridCols, kMinGridRows, kMaxGridRows)) {
            error = "--grid wants COLSxROWS within 36x14..520x220, not '" + value + "'";
            return false;
        }
        o.gridGiven = true;
    } else if (name == "--zoom") {
        if (!parseInt(value, o.zoom, kMinZoom, kMaxZoom)) {
            error = "--zoom wants a level within -7..7, not '" + value + "'";
            return false;
        }
        o.zoomGiven = true;
    } else if (name == "--beat-pos") {
        if (!parseNumber(value, v, 0.0, kMaxBeatPos)) {
            error = "--beat-pos wants a beat position of 0 or more, not '" + value + "'";
            return false;
        }
        o.beatPos = (float)v;
        o.beatPosGiven = true;
    } else if (name == "--audio") {
        if (!parseAudio(value, o.audio, error)) return false;
    } else if (name == "--cells") {
        o.cellsPath = value;
    } else if (name == "--overwrite") {
        error = "--overwrite takes no value";
        return false;
    } else {
        error = "unknown option '" + name + "' (see --help)";
        return false;
    }
    return true;
}

// The first option in `names` that was given, or null.
template <size_t N>
const char* firstGiven(const char* const (&names)[N], const std::set<std::string>& seen) {
    for (const char* name : names) {
        if (seen.count(name) != 0) return name;
    }
    return nullptr;
}

bool checkMode(CaptureOptions& o, const std::set<std::string>& seen, std::string& error) {
    if (seen.count("--scene") != 0 && seen.count("--track") != 0) {
        error = "--scene and --track are two different captures: give one";
        return false;
    }
    if (o.mode == CaptureMode::Tracks) {
        if (const char* misplaced = firstGiven(kNotForTracks, seen)) {
            error = std::string(misplaced) + " is for the show, not for --track";
            return false;
        }
        if (const char* misplaced = firstGiven(kSceneOnly, seen)) {
            error = std::string(misplaced) + " needs --scene";
            return false;
        }
        if (!o.rendererGiven) o.renderer = Renderer::Cpu;  // No display needed
    }
    const bool scene = o.mode == CaptureMode::Scene;
    if (const char* misplaced = scene ? firstGiven(kShowOnly, seen) : firstGiven(kSceneOnly, seen)) {
        error = std::string(misplaced) + (scene ? " is for the show, not for --scene" : " needs --scene");
        return false;
    }
    if (scene) {
        if (o.gridGiven && o.zoomGiven) {
            error = "--grid and --zoom both set the grid: give one";
            return false;
        }
        if (o.pngPath.empty() && o.cellsPath.empty()) {
            error = "--scene needs --png FILE or --cells FILE";
            return false;
        }
        return true;
    }
    if (o.pngDir.empty() && o.videoPath.empty()) {
        error = "nothing to write: give --png DIR or --video FILE (see --help)";
        return false;
    }
    if (o.to >= 0.0 && o.to <= o.from) {
        error = "--to must come after --from";
        return false;
    }
    return true;
}

}  // namespace

const char* videoFormatOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    // A name of its own before the extension: not ".mp4" alone, nor a folder "x.mp4/"
    if (dot == std::string::npos || dot == 0 || (slash != std::string::npos && dot <= slash + 1)) return nullptr;
    const std::string extension = lower(path.substr(dot));
    for (const VideoFormat& f : kVideoFormats) {
        if (extension == f.extension) return f.format;
    }
    return nullptr;
}

unsigned keyFromName(const std::string& name) {
    const std::string wanted = upper(name);
    for (const KeyName& k : kKeyNames) {
        if (wanted == k.name) return k.key;
    }
    return 0;
}

ParseResult parseOptions(int argc, const char* const* argv) {
    ParseResult result;
    CaptureOptions& o = result.options;
    std::set<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i] != nullptr ? argv[i] : "";
        if (name == "--help" || name == "-h") {
            o.help = true;
            result.ok = true;
            return result;
        }
        if (name == "--version") {
            o.version = true;
            result.ok = true;
            return result;
        }
        if (name == "--overwrite") {
            o.overwrite = true;
            continue;
        }
        std::string value;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        } else if (name.rfind("--", 0) == 0 && i + 1 < argc && argv[i + 1] != nullptr) {
            value = argv[++i];
        } else if (name.rfind("--", 0) == 0) {
            result.error = name + " needs a value";
            return result;
        } else {
            result.error = "unexpected argument '" + name + "' (see --help)";
            return result;
        }
        if (name != "--key" && name != "--track" && !seen.insert(name).second) {
            result.error = name + " is given twice";
            return result;
        }
        seen.insert(name);
        if (!applyOption(name, value, o, result.error)) return result;
    }
    result.ok = checkMode(o, seen, result.error);
    return result;
}

const char* usageText() {
    return "davur_evi_capture: the show, frame by frame on a fixed clock, to PNG files or a video;\n"
           "or one scene at one moment to a picture and a cell dump.\n"
           "\n"
           "The show (from start-up to the end of the closing screen):\n"
           "  davur_evi_capture --video show.mp4\n"
           "  davur_evi_capture --png frames/ --from 20 --to 25 --size 1280x720 --key 21:SPACE\n"
           "    --png DIR         a PNG per frame: DIR/frame_NNNNNN.png, numbered from the show's start\n"
           "    --fps N           frames per second of the virtual clock (60)\n"
           "    --size WxH        the window's size (1920x1080)\n"
           "    --from S, --to S  a time range in seconds; past the end the window is black\n"
           "    --key S:KEY       press KEY at S seconds (repeatable): SPACE F11 F3 V B [ ] - =\n"
           "    --video FILE      H.264 and AAC through ffmpeg in a .mp4, .mov or .mkv file\n"
           "    --music FILE      the soundtrack (assets/audio/output.ogg here, else beside the program or\n"
           "                      in its ../share/davur_evi/; when not given and missing: a silent show)\n"
           "\n"
           "A music video: the visualizer to your own music, then the closing screen:\n"
           "  davur_evi_capture --track song.flac --video song.mp4\n"
           "    --track FILE      a music file (WAV, FLAC, Ogg Vorbis or Opus, MP3, AIFF...); repeat it\n"
           "                      for more, played in order into one video with their sound\n"
           "    --video, --png, --fps and --size as for the show; drawn on the CPU unless --renderer gl\n"
           "\n"
           "One scene:\n"
           "  davur_evi_capture --scene cube --time 3.5 --png cube.png --cells cube.txt\n"
           "    --scene NAME      intro_boot wave_scroll plasma_storm cellular dual_fluid goo_bounce\n"
           "                      julia_blast mandelbrot cube starfield_warp end_credits\n"
           "    --time S          scene time in seconds (0); the scene runs from 0 at --fps\n"
           "    --grid CxR        the grid in cells (120x42), or --zoom LEVEL (-7..7)\n"
           "    --beat-pos P      the tempo clock's beat position at --time (125 bpm from 0)\n"
           "    --audio LIST      level=,bass=,mid=,treble=,beat= in 0..1 (none: no music)\n"
           "    --png FILE        the render texture, or with --size the window's view of it\n"
           "    --cells FILE      one line per cell, row by row: x y codepoint r,g,b,a r,g,b,a\n"
           "\n"
           "Drawing:\n"
           "    --renderer gl|cpu gl (the show's default): OpenGL in a hidden window, which needs a display;\n"
           "                      cpu (--track's default): the same pictures in memory, no display, faster\n"
           "\n"
           "Outputs:\n"
           "    --overwrite       replace existing files, and the frames already in a --png folder;\n"
           "                      without it an existing output is refused before anything is drawn\n"
           "  Every file is written under a temporary name in its folder and renamed into place when\n"
           "  it is complete. SIGINT or SIGTERM stop a capture between frames (status 130 or 143); the\n"
           "  frames finished by then stay, partial files do not.\n"
           "\n"
           "--version prints the version, --help this text.\n"
           "With gl it opens a hidden window: without a display run it under scripts/capture.sh (or\n"
           "xvfb-run), or use --renderer cpu.\n";
}
