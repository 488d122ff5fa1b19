// Command line of davur_evi_term. Parsing never prints or exits, so it can be tested.
#pragma once

#include <string>

struct TermOptions {
    int fps = 60;        // 30 or 60 frames a second
    bool stats = false;  // Print the run's figures on exit
    bool help = false;
    bool version = false;
};

// False with a message in `error` for anything but the options below.
bool parseTermOptions(int argc, const char* const* argv, TermOptions& options, std::string& error);

extern const char kTermUsage[];
