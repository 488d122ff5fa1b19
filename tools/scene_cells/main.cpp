// scene_cells: every scene's cell hash on the fixed script of app/scene_cells.h, as JSON on
// standard output. The web build's test compares the browser's hashes with these.
//
//   scene_cells
#include <cstdio>

#include "app/scene_cells.h"
#include "raylib.h"

int main(int argc, char**) {
    if (argc != 1) {
        std::fprintf(stderr, "usage: scene_cells\n");
        return 2;
    }
    SetTraceLogLevel(LOG_NONE);
    std::printf("%s\n", sceneCellsJson(everySceneCells()).c_str());
    return 0;
}
