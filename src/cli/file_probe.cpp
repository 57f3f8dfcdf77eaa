#include "cli/file_probe.h"

#include <cerrno>
#include <cstdio>

int probeFileCreation(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return errno != 0 ? errno : EIO;
    std::fclose(f);
    std::remove(path.c_str());
    return 0;
}
