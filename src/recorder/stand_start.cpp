#include "recorder/stand_start.h"

#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "data_constants/data_files.h"
#include "data_constants/data_folder.h"
#include "live_grow.h"
#include "platform/text_file.h"

namespace {

int refuse(const std::string& line)
{
    std::fprintf(stderr, "arborvane-record: %s\n", line.c_str());
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
int growPreset(const RecordOptions& options, StandRun& run, size_t k)
{
    const StandTree& tree = run.file.trees[k];
    std::error_code ec;
    if (run.grownRoot.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path(ec) / "arborvane-stand-XXXXXX").string();
        if (ec || !mkdtemp(pattern.data())) {
            std::fprintf(stderr, "arborvane-record: cannot make a folder for the grown trees: %s\n",
                         std::strerror(errno));
            return 1;
        }
        run.grownRoot = pattern;
    }
    // The grown folder links the rest of the data folder, by a path that holds from anywhere.
    const std::string base = std::filesystem::absolute(options.run.dataDir, ec).lexically_normal().string();
    if (const std::string bad = unreadableDataFile(base); !bad.empty())
        return refuse(options.stand + ": trees[" + std::to_string(k) + "].preset: the trees are grown beside --data " +
                      options.run.dataDir + ", which is not a complete data folder (" + bad + ")");
    const std::string grown = run.grownRoot + "/tree" + std::to_string(k);
    std::string error;
    if (!growLiveTree(tree.preset, tree.growSeed, base, grown, error)) {
        const bool unknown = error.rfind("preset:", 0) == 0;
        if (unknown) return refuse(options.stand + ": trees[" + std::to_string(k) + "]." + error);
        std::fprintf(stderr, "arborvane-record: %s: trees[%zu]: %s\n", options.stand.c_str(), k, error.c_str());
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

int prepareStand(const RecordOptions& options, StandRun& run)
{
    std::string error;
    if (!loadStandFile(options.stand, run.file, error)) return refuse(error);
    for (size_t k = 0; k < run.file.trees.size(); ++k) {
        const StandTree& tree = run.file.trees[k];
        if (!tree.preset.empty()) {
            if (const int status = growPreset(options, run, k)) return status;
            continue;
        }
        if (const std::string bad = unreadableDataFile(tree.dataDir); !bad.empty())
            return refuse(options.stand + ": trees[" + std::to_string(k) + "].data: not a complete data folder (" +
                          bad + ")");
        run.dataDirs.push_back(tree.dataDir);
    }
    return 0;
}

std::vector<std::string> standInputs(const RecordOptions& options, const StandRun& run)
{
    std::vector<std::string> inputs{options.stand};
    for (const std::string& dir : run.dataDirs)
        for (const std::string& name : dataFileNames()) inputs.push_back(dataPath(dir, name.c_str()));
    return inputs;
}
