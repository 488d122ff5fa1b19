// What is settled before anything is drawn: the music a show capture reads is a non-empty file;
// no output is an input or another output; an output that exists is replaced only with
// --overwrite; a --png folder that already holds frames is refused without it.
#pragma once

#include <string>

#include "frontends/capture/options.h"

// Looks only; false with a one-line error.
bool checkFiles(const CaptureOptions& options, std::string& error);

// Makes the --png folder of a show capture and, with --overwrite, removes the frames already in
// it. After checkFiles, right before the capture starts.
bool prepareFrameFolder(const CaptureOptions& options, std::string& error);
