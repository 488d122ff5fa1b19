// A music file of the user's: Ogg Vorbis, Opus, FLAC, MP3, WAV (and AIFF, CAF, W64, RF64, AU),
// read in blocks with libsndfile, a decoder its own project fuzzes. Nothing else reads the file.
// Opening checks what the front end needs to know before a sound is played, and says why a file
// is refused; reading gives clean frames until the end or the first damaged place.
#pragma once

#include <cstddef>  // Required for: size_t
#include <string>

#include "audio/track_decoder.h"  // Required for: the channel and rate bounds a track keeps, which a file keeps too

constexpr size_t kMaxTitleBytes = 200;

struct SoundFile {
    void* handle = nullptr;          // libsndfile's SNDFILE
    void* memory = nullptr;          // The bytes of a file opened from memory (the fuzz target)
    int channels = 0;
    int sampleRate = 0;
    long long declaredFrames = -1;   // What the header says, -1 when it does not say
    std::string title;               // From the tags, else the file name without its folder and extension
    bool damaged = false;            // Reading stopped at an error before the end
};

// False leaves the file closed with `reason` saying why: no such file, not a regular file, not a
// sound file, a format not taken, no or absurd channels or rate, no audio in it.
bool openSoundFile(SoundFile& file, const char* path, std::string& reason);
bool openSoundMemory(SoundFile& file, const unsigned char* data, size_t size, std::string& reason);

// Reads up to `frames` interleaved frames of values in [-1, 1] (NaN read as 0); 0 at the end of
// the file, or at the first error (then `damaged` is set and every later read gives 0).
int readSoundFile(SoundFile& file, float* out, int frames);

void closeSoundFile(SoundFile& file);
