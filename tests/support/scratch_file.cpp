#include "support/scratch_file.h"

#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {
std::atomic<int> serial{0};
}

ScratchPath::ScratchPath(const std::string& suffix)
    : path_(::testing::TempDir() + "arborvane_scratch_" + std::to_string(::getpid()) + "_" +
            std::to_string(serial++) + suffix)
{
}

ScratchPath::~ScratchPath() { std::remove(path_.c_str()); }

ScratchFile::ScratchFile(const std::string& bytes, const std::string& suffix) : ScratchPath(suffix) { write(bytes); }

void ScratchFile::write(const std::string& bytes) const
{
    std::ofstream out(path(), std::ios::binary | std::ios::trunc);
    out << bytes;
    out.close();
    if (!out) ADD_FAILURE() << "could not write the scratch file " << path();
}

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<uint8_t> readFileBytes(const std::string& path)
{
    const std::string text = readWholeFile(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}
