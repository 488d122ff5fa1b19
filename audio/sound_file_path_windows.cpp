// Windows: UTF-8 names become wide ones for the file system and for libsndfile's sf_wchar_open. A
// name that is not UTF-8 was taken from a narrow argv, which Windows spells in the ANSI code page.
#include <windows.h>  // Required for: MultiByteToWideChar()

#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#include "audio/sound_file_path.h"

#include <string>

namespace {

std::wstring widened(const char* text, UINT codePage, DWORD flags) {
    const int length = MultiByteToWideChar(codePage, flags, text, -1, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide((size_t)length, L'\0');
    MultiByteToWideChar(codePage, flags, text, -1, wide.data(), length);
    wide.resize((size_t)length - 1);  // Without the terminating zero
    return wide;
}

}  // namespace

std::filesystem::path soundFilePath(const char* utf8Path) {
    std::wstring wide = widened(utf8Path, CP_UTF8, MB_ERR_INVALID_CHARS);
    if (wide.empty()) wide = widened(utf8Path, CP_ACP, 0);
    return std::filesystem::path(wide);
}

SNDFILE* openSoundPath(const std::filesystem::path& path, SF_INFO& info) {
    return sf_wchar_open(path.c_str(), SFM_READ, &info);
}
