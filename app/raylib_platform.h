// The frame loop's platform on a real window, keyboard and audio device.
#pragma once

#include "app/frame_loop.h"

Platform raylibPlatform();
