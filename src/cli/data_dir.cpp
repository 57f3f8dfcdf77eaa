#include "cli/data_dir.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "arborvane_build_config.h"

std::string installedDataDir(const std::string& executable)
{
    const std::filesystem::path bin = std::filesystem::path(executable).parent_path();
    return (bin / ARBORVANE_DATA_FROM_BIN).lexically_normal().string();
}

DataDirChoice resolveDataDir(const DataDirInputs& inputs)
{
    bool (*exists)(const std::string&) = inputs.exists ? inputs.exists : isDirectory;
    if (!inputs.flag.empty()) return {inputs.flag, DataDirSource::flag, "data folder " + inputs.flag + " (--data)"};
    if (!inputs.environment.empty())
        return {inputs.environment, DataDirSource::environment, "data folder " + inputs.environment + " (ARBORVANE_DATA)"};
    if (exists(kWorkingDataDir))
        return {kWorkingDataDir, DataDirSource::workingDir, std::string("data folder ") + kWorkingDataDir + " (working directory)"};
    if (!inputs.executable.empty()) {
        const std::string installed = installedDataDir(inputs.executable);
        if (exists(installed)) return {installed, DataDirSource::installed, "data folder " + installed + " (installed)"};
    }
    return {kWorkingDataDir, DataDirSource::fallback, std::string("data folder ") + kWorkingDataDir + " (none found)"};
}

DataDirInputs dataDirInputs(const char* flag)
{
    DataDirInputs inputs;
    if (flag) inputs.flag = flag;
    if (const char* env = std::getenv("ARBORVANE_DATA")) inputs.environment = env;
    std::error_code error;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) inputs.executable = exe.string();
    return inputs;
}

bool isDirectory(const std::string& dir)
{
    std::error_code error;
    return std::filesystem::is_directory(dir, error);
}
