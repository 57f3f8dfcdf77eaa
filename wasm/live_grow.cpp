#include "live_grow.h"

#include <sys/stat.h>
#include <unistd.h>

#include "data_constants/data_files.h"
#include "data_constants/data_folder.h"
#include "data_constants/tree_file.h"
#include "flags.h"
#include "tree_skeleton.h"
#include "whole_file.h"

namespace {

// Every folder on the way to path's file.
void makeFolders(const std::string& path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        ::mkdir(path.substr(0, at).c_str(), 0755);
}

} // namespace

std::string livePresetNames()
{
    std::string names;
    for (const Preset& p : presetTable()) names += (names.empty() ? "" : ", ") + p.name;
    return names;
}

bool growLiveTree(const std::string& preset, std::uint64_t seed, const std::string& dataDir,
                  const std::string& grownDir, std::string& error)
{
    const Preset* chosen = nullptr;
    for (const Preset& p : presetTable())
        if (p.name == preset) chosen = &p;
    if (!chosen) {
        error = "preset: \"" + preset + "\" is not one of " + livePresetNames();
        return false;
    }
    TreeParams params;
    chosen->apply(params);
    params.seed = seed;
    const TreeSkeleton tree = growTree(params);
    for (const std::string& name : dataFileNames()) {
        const std::string to = dataPath(grownDir, name.c_str());
        makeFolders(to);
        if (name != kTreeFileName && ::access(to.c_str(), F_OK) != 0 &&
            ::symlink(dataPath(dataDir, name.c_str()).c_str(), to.c_str()) != 0) {
            error = to + ": cannot be linked";
            return false;
        }
    }
    if (!writeTreeFile(dataPath(grownDir, kTreeFileName), tree) || !commitSavedFiles()) {
        discardSavedFiles();
        error = "the grown tree could not be written";
        return false;
    }
    return true;
}
