// Linux: the program's folder from /proc/self/exe, so that an installed show finds its data in
// ../share/davur_evi/ whatever folder it is started from.
#include <unistd.h>

#include "app/data_path.h"

std::string programDataFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return std::string();
    const std::string program(path, (size_t)length);
    return program.substr(0, program.rfind('/') + 1);
}
