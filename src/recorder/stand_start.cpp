#include "recorder/stand_start.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "data_constants/data_files.h"
#include "data_constants/data_folder.h"
#include "api/scene_access.h"
#include "live_grow.h"
#include "platform/text_file.h"

namespace {

// Where the stand is read from and what its lines start with.
struct Source {
    const char* program;     // "arborvane-record"
    std::string path;        // the stand file
    std::string baseDataDir; // --data: what grown presets share
};

int refuse(const Source& source, const std::string& line)
{
    std::fprintf(stderr, "%s: %s\n", source.program, line.c_str());
    return 2;
}

// The first data file of dir that cannot be read, as "path: reason"; empty when all can.
std::string unreadableDataFile(const std::string& dir)
{
    for (const std::string& name : dataFileNames()) {
        const std::string path = dataPath(dir, name.c_str());
        std::string why;
        if (FILE* probe = openDataFile(path.c_str(), why)) {
            std::fclose(probe);
            continue;
        }
        return path + ": " + why;
    }
    return {};
}

// Grows tree k's preset under run.grownRoot (made on first use); 0 or the exit status.
int growPreset(const Source& source, StandRun& run, size_t k)
{
    const StandTree& tree = run.file.trees[k];
    std::error_code ec;
    if (run.grownRoot.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "arborvane-stand-XXXXXX").string();
        if (ec || !mkdtemp(pattern.data())) {
            std::fprintf(stderr, "%s: cannot make a folder for the grown trees: %s\n", source.program,
                         std::strerror(errno));
            return 1;
        }
        run.grownRoot = pattern;
    }
    // The grown folder links the rest of the data folder, by a path that holds from anywhere.
    const std::string base = std::filesystem::absolute(source.baseDataDir, ec).lexically_normal().string();
    if (const std::string bad = unreadableDataFile(base); !bad.empty())
        return refuse(source, source.path + ": trees[" + std::to_string(k) + "].preset: the trees are grown beside --data " +
                                  source.baseDataDir + ", which is not a complete data folder (" + bad + ")");
    const std::string grown = run.grownRoot + "/tree" + std::to_string(k);
    std::string error;
    if (!growLiveTree(tree.preset, tree.growSeed, base, grown, error)) {
        const bool unknown = error.rfind("preset:", 0) == 0;
        if (unknown) return refuse(source, source.path + ": trees[" + std::to_string(k) + "]." + error);
        std::fprintf(stderr, "%s: %s: trees[%zu]: %s\n", source.program, source.path.c_str(), k, error.c_str());
        return 1;
    }
    run.dataDirs.push_back(grown);
    return 0;
}

} // namespace

StandRun::~StandRun()
{
    if (grownRoot.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(grownRoot, ec);
}

int prepareStand(const char* program, const std::string& path, const std::string& baseDataDir, StandRun& run)
{
    const Source source{program, path, baseDataDir};
    std::string error;
    if (!loadStandFile(path, run.file, error)) return refuse(source, error);
    for (size_t k = 0; k < run.file.trees.size(); ++k) {
        const StandTree& tree = run.file.trees[k];
        if (!tree.preset.empty()) {
            if (const int status = growPreset(source, run, k)) return status;
            continue;
        }
        if (const std::string bad = unreadableDataFile(tree.dataDir); !bad.empty())
            return refuse(source, path + ": trees[" + std::to_string(k) + "].data: not a complete data folder (" + bad +
                                      ")");
        run.dataDirs.push_back(tree.dataDir);
    }
    return 0;
}

arborvane::Lawn standLawn(const StandRun& run)
{
    return run.file.grass ? arborvane::Lawn{run.file.grassExtent[0], run.file.grassExtent[1]} : arborvane::Lawn{};
}

bool openStand(const std::string& path, const StandRun& run, const WindDriver& wind, arborvane::Stand& stand,
               std::string& error)
{
    // The lawn is the first tree's grass, grown over the extent; the others' would never be drawn.
    if (run.file.grass)
        if (arborvane::Result lawn = stand.setLawn(standLawn(run)); !lawn) {
            error = path + ": grass.extent: " + lawn.message;
            return false;
        }
    for (size_t k = 0; k < run.dataDirs.size(); ++k) {
        const StandTree& tree = run.file.trees[k];
        const TreePlacement& p = tree.placement;
        if (arborvane::Result added = stand.addTree(run.dataDirs[k], {p.x, p.z, p.turn}, tree.seed); !added) {
            error = path + ": trees[" + std::to_string(k) + "]: " + added.message;
            return false;
        }
        std::printf("Tree %zu: %s at (%g, %g), turned %g degrees, seed %u\n", k,
                    tree.preset.empty() ? run.dataDirs[k].c_str() : ("preset " + tree.preset).c_str(), p.x, p.z,
                    p.turn, tree.seed);
    }
    for (size_t k = 1; k < stand.treeCount(); ++k) arborvane::SceneAccess::dropGrass(stand, k);
    if (arborvane::Result driven = arborvane::SceneAccess::drive(stand, wind); !driven) {
        error = driven.message;
        return false;
    }
    return true;
}

std::vector<std::string> standInputs(const std::string& path, const StandRun& run)
{
    std::vector<std::string> inputs{path};
    for (const std::string& dir : run.dataDirs)
        for (const std::string& name : dataFileNames()) inputs.push_back(dataPath(dir, name.c_str()));
    return inputs;
}
