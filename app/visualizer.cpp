#include "app/visualizer.h"

void Show::VisualizerRelease::operator()(Visualizer* visualizer) const { delete visualizer; }
