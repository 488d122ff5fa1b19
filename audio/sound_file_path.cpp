// Linux and macOS: file names are bytes, and the program's UTF-8 names are already the system's.
#include "audio/sound_file_path.h"

std::filesystem::path soundFilePath(const char* utf8Path) { return std::filesystem::path(utf8Path); }

SNDFILE* openSoundPath(const std::filesystem::path& path, SF_INFO& info) {
    return sf_open(path.c_str(), SFM_READ, &info);
}
