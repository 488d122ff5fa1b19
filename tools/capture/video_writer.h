// A video through ffmpeg: the frames are piped into an H.264 encoder as they are captured; when
// the last one is in, the soundtrack of the same range is encoded to AAC and muxed beside them.
#pragma once

#include <string>
#include <vector>

#include "tools/capture/process.h"

struct VideoWriter {
    std::string ffmpeg;
    std::string path;      // The finished video
    std::string partPath;  // The picture alone, until the sound is muxed in
    int width = 0;
    int height = 0;
    int fps = 0;
    ChildProcess encoder;
};

// Starts the encoder for RGBA frames of this size; false with a one-line error.
bool openVideo(VideoWriter& video, const std::string& ffmpeg, const std::string& path, int width, int height,
               int fps, std::string& error);

// One frame, width * height RGBA pixels, top row first.
bool writeVideoFrame(VideoWriter& video, const unsigned char* rgba, std::string& error);

// Ends the picture and muxes it with the sound: interleaved float samples at this rate and channel
// count. The partial file is removed either way.
bool finishVideo(VideoWriter& video, const std::vector<float>& sound, int sampleRate, int channels,
                 std::string& error);

// Gives up: stops the encoder and removes what it wrote.
void abandonVideo(VideoWriter& video);
