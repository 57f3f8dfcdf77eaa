// The recorder's own frame files in its output folder.
#pragma once
#include <string>
#include <vector>

#include "image/frame_names.h"
#include "platform/same_file.h"

// Removes the frame files (names exactly as frameFileName writes them) that an
// earlier run left in dir, so the folder holds one run's frames only. Nothing
// else is touched. Returns how many were removed, or -1 with error set.
int removeEarlierFrames(const std::string& dir, std::string& error);

// True when name is one frameFileName writes ("snap007.bmp", "snap1000.bmp").
bool isFrameName(const std::string& name);

// The first of paths that is a frame file of dir, which the run would remove
// or write over, as one line naming its flag; empty when none is.
std::string frameClash(const std::string& dir, const std::vector<NamedOutput>& paths);
