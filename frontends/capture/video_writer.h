// A video through ffmpeg: the frames are piped into an H.264 encoder as they are captured; when
// the last one is in, the soundtrack of the same range is encoded to AAC and muxed beside them.
// ffmpeg writes both into a private folder beside the video; the finished video is renamed into
// place, and the folder removed, whatever happens.
#pragma once

#include <string>
#include <vector>

#include "frontends/capture/process.h"

struct VideoWriter {
    std::string ffmpeg;
    std::string path;        // The finished video
    const char* format = nullptr;  // ffmpeg's muxer for it
    bool replace = false;    // An existing file at path may be replaced
    std::string workFolder;  // Private: the picture alone, then the muxed video
    int width = 0;
    int height = 0;
    int fps = 0;
    ChildProcess encoder;
    std::vector<unsigned char> planes;  // Scratch: the frame as the encoder takes it
};

// Makes the work folder and starts the encoder for frames of this size; false with a
// one-line error.
bool openVideo(VideoWriter& video, const std::string& ffmpeg, const std::string& path, bool replace, int width,
               int height, int fps, std::string& error);

// One frame, width * height RGBA pixels, top row first (converted here: yuv_frame.h).
bool writeVideoFrame(VideoWriter& video, const unsigned char* rgba, std::string& error);

// Hands out the sound a piece at a time (so that a long video never holds it all): fills samples
// with the next interleaved floats; false when there are no more.
typedef bool (*NextSound)(void* user, std::vector<float>& samples);

// Ends the picture, muxes it with the sound at this rate and channel count and moves the video
// into place. The work folder is removed either way.
bool finishVideo(VideoWriter& video, int sampleRate, int channels, NextSound next, void* user, std::string& error);

// Gives up: stops the encoder and removes what it wrote.
void abandonVideo(VideoWriter& video);
