// Scene mode: one scene at one scene time, on a grid of its own, to a picture and a cell dump.
// Needs an open (hidden) window for the render texture.
#pragma once

#include <string>

#include "frontends/capture/options.h"

// False with a one-line error.
bool captureScene(const CaptureOptions& options, std::string& error);
