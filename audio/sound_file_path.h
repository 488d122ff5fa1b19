// The name of a music file as the front ends hand it over (UTF-8, as the rest of the program
// keeps text) turned into the system's own, and opened with libsndfile by that name. Windows needs
// wide names: there a narrow name means the ANSI code page, which cannot spell most file names.
#pragma once

#include <filesystem>  // Required for: std::filesystem::path

#include <sndfile.h>

std::filesystem::path soundFilePath(const char* utf8Path);
SNDFILE* openSoundPath(const std::filesystem::path& path, SF_INFO& info);
