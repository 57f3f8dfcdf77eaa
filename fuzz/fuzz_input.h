// Shared by the reader harnesses: the readers take paths, so each input is
// written to one scratch file per process (in /dev/shm when there is one).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

namespace fuzz_input {

inline std::string& scratchName()
{
    static std::string path;
    return path;
}

inline const std::string& scratchPath()
{
    std::string& path = scratchName();
    if (path.empty()) {
        const char* dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        path = std::string(dir) + "/arborvane_fuzz_" + std::to_string(getpid()) + ".in";
        std::atexit([] { std::remove(scratchName().c_str()); });
    }
    return path;
}

// Writes the input; false only when the scratch file cannot be written.
inline bool writeScratch(const uint8_t* data, size_t size)
{
    FILE* file = std::fopen(scratchPath().c_str(), "wb");
    if (!file) return false;
    const bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

} // namespace fuzz_input
