// Every file of a data folder, in the order start-up reads them.
#pragma once
#include <string>
#include <vector>

#include "formats/grass_file.h"
#include "formats/leaf_file.h"
#include "formats/noise_file.h"
#include "formats/texture_files.h"
#include "formats/tree_file.h"

inline std::vector<std::string> dataFileNames()
{
    std::vector<std::string> names(std::begin(kSceneTextureNames), std::end(kSceneTextureNames));
    names.insert(names.end(), std::begin(kGrassTextureNames), std::end(kGrassTextureNames));
    names.push_back(kLeafFileName);
    names.insert(names.end(), std::begin(kNoiseFileNames), std::end(kNoiseFileNames));
    names.push_back(kTreeFileName);
    names.push_back(kGrassFileName);
    return names;
}
