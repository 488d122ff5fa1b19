// Windows: a show started by double-click runs in whatever folder Explorer chose, so the folder of
// the .exe is the second place to look for the track.
#include "app/data_path.h"
#include "raylib.h"

std::string programDataFolder() { return GetApplicationDirectory(); }
