// Where the data files live: a folder (./data unless a front-end is told
// otherwise) holding the tree, leaf, noise, grass and texture files.
#pragma once
#include <string>

inline constexpr const char* kDefaultDataDir = "./data";

// dir + "/" + name, without doubling a trailing slash.
inline std::string dataPath(const std::string& dir, const char* name)
{
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}
