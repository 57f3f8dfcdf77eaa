// The recorder's own frame files in its output folder.
#pragma once
#include <string>

#include "image/frame_names.h"

// Removes the frame files (names exactly as frameFileName writes them) that an
// earlier run left in dir, so the folder holds one run's frames only. Nothing
// else is touched. Returns how many were removed, or -1 with error set.
int removeEarlierFrames(const std::string& dir, std::string& error);
