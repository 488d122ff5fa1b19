// Command line of davur_evi_term. Parsing never prints or exits, so it can be tested.
#pragma once

#include <string>
#include <vector>

#include "frontends/terminal/term_palette.h"

constexpr int kLeastFps = 15, kMostFps = 60;

struct TermOptions {
    int fps = 60;        // kLeastFps to kMostFps frames a second
    bool coloursGiven = false;                    // Otherwise the terminal's own are detected
    ColourMode colours = ColourMode::TrueColour;
    bool stats = false;  // Print the run's figures on exit
    std::vector<std::string> files;  // Music files and folders to play, in order; none: the show
    bool listen = false;             // The system's sound instead of music
    std::string listenSource;        // Its source; empty: the default output's monitor
    bool listSources = false;        // Print the sound server's sources and exit
    bool help = false;
    bool version = false;
};

// False with a message in `error` for anything but the options below.
bool parseTermOptions(int argc, const char* const* argv, TermOptions& options, std::string& error);

extern const char kTermUsage[];
