// The soundtrack of a captured range, as the live show plays it: the decoded track from the show's
// start, starting again at its end, times the master volume each frame set, silent once the show
// has unloaded the music.
#pragma once

#include <vector>

#include "audio/analysis.h"  // Required for: DecodedSamples

// The first audio frame of video frame `frame` (the audio runs at the track's sample rate).
long long audioFrameOf(long long frame, int fps, int sampleRate);

// Interleaved samples for video frames [firstFrame, firstFrame + frames). frameGains[i] is the
// volume of video frame i, from the show's start; frames past its end play at the last gain.
std::vector<float> mixShowAudio(const DecodedSamples& track, const std::vector<float>& frameGains, int fps,
                                long long firstFrame, long long frames);
