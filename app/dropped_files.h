// Music files dropped onto the show's window: the order they play in, and what a drop does to the
// show that is running.
#pragma once

#include <string>
#include <vector>

#include "app/frame_loop.h"

// Sorts paths as a file manager lists names: by file name, letters without regard to case and
// runs of digits by their value ("track 2" before "track 10"); equal names by the whole path.
void sortByName(std::vector<std::string>& paths);

// "Cannot play NAME: REASON", for a file's path or name and the reason it was refused.
std::string cannotPlayText(const std::string& path, const std::string& reason);

// What a drop does: the files in name order; those that cannot be played are named in the
// notice (the first of them, and how many more); when at least one can, the show (or the music
// playing) stops and the visualizer starts on the playable ones. Otherwise the show goes on.
void playDroppedFiles(Show& show, const Platform& platform, std::vector<std::string> paths);

// Once a frame before runFrame, in a front end that takes drops: the files the platform says were
// dropped (Platform::droppedFiles), and a notice for a file the visualizer skipped when its turn came.
void takeDroppedFiles(Show& show, const Platform& platform);

// The window's title: the show's own, or "TITLE - davur_evi" while the visualizer plays a file.
std::string windowTitle(const Show& show);
