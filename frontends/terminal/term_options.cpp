#include "frontends/terminal/term_options.h"

#include <cstdlib>  // Required for: strtol()
#include <cstring>  // Required for: strcmp()

const char kTermUsage[] =
    "usage: davur_evi_term [--fps N] [--colors 24bit|256|16|none] [--stats] [FILE|FOLDER... | --listen[=SOURCE]]\n"
    "       davur_evi_term --list-sources | --version | --help\n"
    "  Plays the show in this terminal, with the music when there is a sound device. Given music\n"
    "  files or folders (their music files in name order), plays them through the effects instead.\n"
    "  --listen[=SOURCE] shows what the machine is playing: the default output's monitor, or SOURCE,\n"
    "                 from the PulseAudio (or PipeWire) sound server; nothing is played back\n"
    "  --list-sources print the sound server's sources, the one --listen takes marked with *\n"
    "  --fps N        frames a second, 15 to 60 (default 60)\n"
    "  --colors MODE  24-bit, 256 or 16 colours, or none (default: what the terminal says it has;\n"
    "                 NO_COLOR set: none)\n"
    "  --stats        print frames, frame rate, render times, bytes written (a frame, a second and\n"
    "                 what on), CPU share and cells elided on exit\n"
    "  --version      print the version and exit\n"
    "  keys: SPACE next scene, [ ] tempo, B restart beats, V colour boost, - = cell size, q ESC Ctrl-C quit;\n"
    "        with files: > next file, < previous file, p pause\n";

bool parseTermOptions(int argc, const char* const* argv, TermOptions& options, std::string& error) {
    options = TermOptions{};
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || strcmp(arg, "-") == 0) {
            options.files.push_back(arg);
        } else if (strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (strcmp(arg, "--listen") == 0 || strncmp(arg, "--listen=", 9) == 0) {
            options.listen = true;
            options.listenSource = arg[8] == '=' ? arg + 9 : "";
            if (arg[8] == '=' && options.listenSource.empty()) {
                error = "--listen= needs a source's name (--list-sources lists them)";
                return false;
            }
        } else if (strcmp(arg, "--list-sources") == 0) {
            options.listSources = true;
        } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options.help = true;
        } else if (strcmp(arg, "--version") == 0) {
            options.version = true;
        } else if (strcmp(arg, "--stats") == 0) {
            options.stats = true;
        } else if (strcmp(arg, "--fps") == 0 || strncmp(arg, "--fps=", 6) == 0) {
            const char* value = arg[5] == '=' ? arg + 6 : (i + 1 < argc ? argv[++i] : nullptr);
            if (value == nullptr) {
                error = "--fps needs a value: 15 to 60";
                return false;
            }
            char* end = nullptr;
            const long fps = strtol(value, &end, 10);
            if (value[0] < '0' || value[0] > '9' || *end != '\0' || fps < kLeastFps || fps > kMostFps) {
                error = std::string("--fps must be a whole number from 15 to 60, not '") + value + "'";
                return false;
            }
            options.fps = (int)fps;
        } else if (strcmp(arg, "--colors") == 0 || strncmp(arg, "--colors=", 9) == 0) {
            const char* value = arg[8] == '=' ? arg + 9 : (i + 1 < argc ? argv[++i] : nullptr);
            if (!parseColourMode(value, options.colours)) {
                error = std::string("--colors must be 24bit, 256, 16 or none, not '") + (value ? value : "") + "'";
                return false;
            }
            options.coloursGiven = true;
        } else {
            error = std::string("unknown option '") + arg + "'";
            return false;
        }
    }
    if (options.listen && !options.files.empty()) {
        error = "--listen plays no files: give either files or --listen";
        return false;
    }
    return true;
}
