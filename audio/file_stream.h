// A music file decoded ahead on a worker thread, for a file SoundSource (audio/sound_source.h):
// a ring of about ten seconds that the worker never writes over at or after `floor`, the oldest
// frame a reader may still ask for; readers read only below `decoded`. Built with libsndfile
// (file_stream.cpp); where there is none (the web page decodes in the browser) every file is
// refused (file_stream_none.cpp).
#pragma once

#include <string>

struct FileStream;

struct FileFormat {
    int sampleRate = 0;
    int channels = 0;
    long long declaredFrames = -1;  // -1: the file does not say
    std::string title;
};

// Opens and checks the file and starts the worker; null with `reason` when it is refused.
FileStream* openFileStream(const char* path, FileFormat& format, std::string& reason);
// Stops the worker and releases everything; null is fine.
void closeFileStream(FileStream* stream);

long long framesDecoded(const FileStream& stream);
// The worker reached the end or a damaged place; `damaged` says which.
bool decodingFinished(const FileStream& stream, bool& damaged);
// One frame's interleaved values, or null when it is not held (not decoded yet, or released).
const float* heldFrame(const FileStream& stream, long long frame, long long decoded);
// Nothing before `frame` will be read again: the worker may decode over it.
void releaseFramesBefore(FileStream& stream, long long frame);
long long ringFrames(const FileStream& stream);
// The worker decodes no further until a reader releases frames: it reached the end, or the ring
// is full. What is decoded then depends on the reads alone, not on how fast the worker ran (for a
// front end on a virtual clock, which waits for it).
bool decodingSettled(const FileStream& stream);
