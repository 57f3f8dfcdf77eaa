// Another tree for the page, grown in the module by the grower's own code:
// a preset of arborvane-grow with a seed, written as the tree file of a data
// folder that takes every other file from the page's folder.
#pragma once
#include <cstdint>
#include <string>

// Grows into grownDir (made, or its tree file replaced) with the rest of
// dataDir linked in. False with a one-line reason (an unknown preset names
// the known ones).
bool growLiveTree(const std::string& preset, std::uint64_t seed, const std::string& dataDir,
                  const std::string& grownDir, std::string& error);
// The presets' names, comma separated.
std::string livePresetNames();
