// What the capture tests share: a private temporary folder, and files read, written and listed.
#pragma once

#include <unistd.h>  // Required for: mkdtemp()

#include <algorithm>  // Required for: std::sort()
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct TempDir {
    std::string path;
    TempDir() {
        char name[] = "/tmp/davur_evi_capture_test.XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string at(const std::string& name) const { return path + "/" + name; }
    std::string operator/(const std::string& name) const { return "'" + at(name) + "'"; }  // Quoted for a shell
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The names in a folder, sorted; hidden ones are a capture's unfinished files.
inline std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
