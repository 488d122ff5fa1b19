// Where the show's data files are read from: the working directory first, as on every platform;
// then the program's own folder, so that a double-clicked .exe finds the track beside it; then the
// data folder of an installed copy, ../share/davur_evi/ beside the program's bin/ folder, so that
// an installed show started from any folder still plays its music.
#pragma once

#include <string>

// The folder an installed copy keeps its data in, relative to the program's folder.
constexpr const char* kInstalledDataFolder = "../share/davur_evi/";

// `relative` itself when it exists or there is no program folder to try; otherwise programFolder
// joined with `relative`, then programFolder joined with kInstalledDataFolder and `relative`, the
// first that exists; otherwise `relative` (a missing file stays missing).
std::string chooseDataPath(const char* relative, const std::string& programFolder, bool (*exists)(const char* path));

// The program's own folder with a trailing separator; empty where the working directory is the
// only base (the web build, where the files sit at the paths the show reads).
std::string programDataFolder();

// chooseDataPath for this program on this machine: a file counts as there when it can be opened.
std::string findDataFile(const char* relative);
