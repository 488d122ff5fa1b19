// The music a command line names: files as they are given, folders as the music files in them.
#pragma once

#include <string>
#include <vector>

// A name the sound files are known by (.flac, .mp3, .ogg, .opus, .wav, ...), in any case.
bool isMusicFileName(const std::string& name);

// Each argument in order: a folder gives its music files in name order (not those of its folders,
// nor hidden ones), anything else is kept as it is, so that a file that cannot be played is
// skipped with its reason like any other.
std::vector<std::string> musicFiles(const std::vector<std::string>& arguments);
