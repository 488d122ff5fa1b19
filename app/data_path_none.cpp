// The web build and other systems: data files are read relative to the working directory only.
#include "app/data_path.h"

std::string programDataFolder() { return std::string(); }
