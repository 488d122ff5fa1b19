#include "app/data_path.h"

#include <cstdio>

namespace {

bool canOpen(const char* path) {
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

}  // namespace

std::string chooseDataPath(const char* relative, const std::string& programFolder, bool (*exists)(const char* path)) {
    if (exists(relative) || programFolder.empty()) return relative;
    std::string folder = programFolder;
    const char last = folder.back();
    if (last != '/' && last != '\\') folder += '/';
    for (const std::string& candidate : {folder + relative, folder + kInstalledDataFolder + relative}) {
        if (exists(candidate.c_str())) return candidate;
    }
    return relative;
}

std::string findDataFile(const char* relative) { return chooseDataPath(relative, programDataFolder(), canOpen); }
