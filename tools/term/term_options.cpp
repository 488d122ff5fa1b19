#include "tools/term/term_options.h"

#include <cstring>  // Required for: strcmp()

const char kTermUsage[] =
    "usage: davur_evi_term [--fps 30|60] [--stats] | --version | --help\n"
    "  Plays the show in this terminal in 24-bit colour, with the music when there is a sound device.\n"
    "  --fps N    frames a second, 30 or 60 (default 60)\n"
    "  --stats    print frames, frame rate, render times, bytes written and cells elided on exit\n"
    "  --version  print the version and exit\n"
    "  keys: SPACE next scene, [ ] tempo, B restart beats, V colour boost, - = cell size, q ESC Ctrl-C quit\n";

bool parseTermOptions(int argc, const char* const* argv, TermOptions& options, std::string& error) {
    options = TermOptions{};
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            options.help = true;
        } else if (strcmp(arg, "--version") == 0) {
            options.version = true;
        } else if (strcmp(arg, "--stats") == 0) {
            options.stats = true;
        } else if (strcmp(arg, "--fps") == 0 || strncmp(arg, "--fps=", 6) == 0) {
            const char* value = arg[5] == '=' ? arg + 6 : (i + 1 < argc ? argv[++i] : nullptr);
            if (value == nullptr) {
                error = "--fps needs a value: 30 or 60";
                return false;
            }
            if (strcmp(value, "30") == 0) {
                options.fps = 30;
            } else if (strcmp(value, "60") == 0) {
                options.fps = 60;
            } else {
                error = std::string("--fps must be 30 or 60, not '") + value + "'";
                return false;
            }
        } else {
            error = std::string("unknown option '") + arg + "'";
            return false;
        }
    }
    return true;
}
