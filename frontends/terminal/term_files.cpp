#include "frontends/terminal/term_files.h"

#include <algorithm>   // Required for: std::sort()
#include <cctype>      // Required for: tolower()
#include <filesystem>
#include <system_error>

namespace {

// What libsndfile reads that people keep music in
const char* const kMusicExtensions[] = {".flac", ".mp3", ".ogg", ".oga", ".opus", ".wav", ".wave",
                                        ".aiff", ".aif", ".aifc", ".caf", ".w64", ".rf64", ".au"};

std::string lowered(std::string text) {
    for (char& c : text) c = (char)tolower((unsigned char)c);
    return text;
}

}  // namespace

bool isMusicFileName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return false;
    const std::string extension = lowered(name.substr(dot));
    for (const char* known : kMusicExtensions) {
        if (extension == known) return true;
    }
    return false;
}

std::vector<std::string> musicFiles(const std::vector<std::string>& arguments) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const std::string& argument : arguments) {
        std::error_code error;
        if (!fs::is_directory(argument, error)) {
            files.push_back(argument);
            continue;
        }
        std::vector<std::string> found;
        for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
            const std::string name = entry.path().filename().string();
            std::error_code kindError;
            if (name[0] != '.' && isMusicFileName(name) && !entry.is_directory(kindError)) found.push_back(entry.path().string());
        }
        std::sort(found.begin(), found.end());
        files.insert(files.end(), found.begin(), found.end());
    }
    return files;
}
