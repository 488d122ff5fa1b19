// Where the show's data files are read from: the working directory, as on every platform, and on
// Windows also the program's own folder, so that a double-clicked .exe finds the track beside it.
#pragma once

#include <string>

// `relative` itself when it exists or there is no program folder to try; otherwise programFolder
// joined with `relative` when that exists; otherwise `relative` (a missing file stays missing).
std::string chooseDataPath(const char* relative, const std::string& programFolder, bool (*exists)(const char* path));

// The folder a data file may also be found in besides the working directory, with a trailing
// separator; empty where the working directory is the only base (Linux and other POSIX systems).
std::string programDataFolder();
