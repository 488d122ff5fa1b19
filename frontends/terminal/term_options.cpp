#include "frontends/terminal/term_options.h"

#include <cstdlib>  // Required for: strtol()
#include <cstring>  // Required for: strcmp()

const char kTermUsage[] =
    "usage: davur_evi_term [--fps N] [--colors 24bit|256|16|none] [--stats]\n"
    "  Plays the show in this terminal, with the music when there is a sound device.\n"
    "  --fps N        frames a second, 15 to 60 (default 60)\n"
    "  --colors MODE  24-bit, 256 or 16 colours, or none (default: what the terminal says it has;\n"
    "                 NO_COLOR set: none)\n"
    "  --stats        print frames, frame rate, render times, bytes written (a frame, a second and\n"
    "                 what on), CPU share and cells elided on exit\n"
    "  keys: SPACE next scene, [ ] tempo, B restart beats, V colour boost, - = cell size, q ESC Ctrl-C quit\n";

bool parseTermOptions(int argc, const char* const* argv, TermOptions& options, std::string& error) {
    options = TermOptions{};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options.help = true;
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
    return true;
}
