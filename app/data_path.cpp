#include "app/data_path.h"

std::string chooseDataPath(const char* relative, const std::string& programFolder, bool (*exists)(const char* path)) {
    if (exists(relative) || programFolder.empty()) return relative;
    std::string beside = programFolder;
    const char last = beside.back();
    if (last != '/' && last != '\\') beside += '/';
    beside += relative;
    return exists(beside.c_str()) ? beside : std::string(relative);
}
